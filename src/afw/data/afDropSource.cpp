#include "afw/data/afDropSource.h"

#include "afw/core/afLog.h"
#include "afw/core/afMainLoop.h"
#include "afw/data/afComObject.h"
#include "afw/data/afDataObject.h"
#include "afw/data/afDragScope.h"

// The drag loop's questions: go on, drop or cancel; and which cursor.
class __IDropSource final : public afComObject<IDropSource> {
public:
    explicit __IDropSource(afDropSource* owner) : m_owner(owner) {}

    // Escape cancels. The buttons held at the first question are the drag's; it goes on while
    // one of them is held and drops when none is.
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape)
            return DRAGDROP_S_CANCEL;
        const DWORD held = keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
        if (!m_buttons)
            m_buttons = held;
        return (held & m_buttons) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
        bool ownCursor = false;
        if (afDropSource* owner = m_owner) {
            const afDropAction action = (effect & DROPEFFECT_COPY)   ? AF_DROP_COPY
                                        : (effect & DROPEFFECT_MOVE) ? AF_DROP_MOVE
                                                                     : AF_DROP_NONE;
            afGuard([&] { ownCursor = owner->giveFeedback(action); });
        }
        return ownCursor ? S_OK : DRAGDROP_S_USEDEFAULTCURSORS;
    }

    DWORD m_buttons = 0;
    afDropSource* m_owner;
};

afDropSource::afDropSource(afDataObject* data) : m_data(data), m_com(new __IDropSource(this)) {
    m_com->AddRef();
}

afDropSource::~afDropSource() {
    m_com->m_owner = nullptr;
    m_com->Release();
}

afDataObject* afDropSource::getData() const {
    return m_data;
}

void afDropSource::setData(afDataObject* data) {
    m_data = data;
}

afDropAction afDropSource::drag(uint32_t allowed) {
    IDataObject* data = m_data ? m_data->getComObject() : nullptr;
    if (!data)
        return AF_DROP_REFUSED;
    const DWORD effects = ((allowed & AF_DROP_COPY) ? DROPEFFECT_COPY : 0) |
                          ((allowed & AF_DROP_LINK) ? DROPEFFECT_LINK : 0) |
                          ((allowed & AF_DROP_MOVE) ? DROPEFFECT_MOVE : 0);
    m_com->m_buttons = 0;
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result;
    {
        const afDragScope scope(m_data);
        const afMainLoop::Nested loop;
        result = ::DoDragDrop(data, m_com, effects, &effect);
    }
    if (result == DRAGDROP_S_CANCEL)
        return AF_DROP_CANCELLED;
    if (result == DRAGDROP_S_DROP) {
        if (effect & DROPEFFECT_COPY)
            return AF_DROP_COPY;
        if (effect & DROPEFFECT_MOVE)
            return (allowed & AF_DROP_MOVE) ? AF_DROP_MOVE : AF_DROP_COPY;
        // A link drop (a dock slot moved between docks) is reported as one.
        if (effect & DROPEFFECT_LINK)
            return AF_DROP_LINK;
        return AF_DROP_NONE;
    }
    if (FAILED(result))
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"__IDropSource::drag(): DoDragDrop Failed.\n");
    return AF_DROP_REFUSED;
}

bool afDropSource::giveFeedback(afDropAction) {
    return false;
}

IDropSource* afDropSource::getComObject() const {
    return m_com;
}
