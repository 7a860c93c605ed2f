#include "afw/data/afDropTarget.h"

#include "afw/core/afLog.h"
#include "afw/data/afDataObject.h"
#include "afw/data/afDragScope.h"
#include "afw/data/afIDropTarget.h"

#include <vector>

afDropTarget::afDropTarget(afDataObject* receiver, bool ownsReceiver)
    : m_receiver(receiver), m_ownsReceiver(ownsReceiver), m_com(new __IDropTarget(this)) {
    m_com->AddRef();
}

afDropTarget::~afDropTarget() {
    m_com->m_owner = nullptr;
    m_com->Release();
    if (m_ownsReceiver)
        delete m_receiver;
}

void afDropTarget::registerTarget(afViewPlatform* view, HWND window) {
    m_view = view;
    ::RegisterDragDrop(window, m_com);
}

void afDropTarget::revokeTarget(HWND window) {
    ::RevokeDragDrop(window);
}

IDropTarget* afDropTarget::getComObject() const {
    return m_com;
}

afDropAction afDropTarget::dragEnter(const afDropInfo& info, uint32_t allowed, afDropAction current) {
    if (m_receiver)
        m_receiver->clear();
    return m_enterDelegate ? m_enterDelegate(this, info, allowed, current) : standardAction(info, allowed);
}

afDropAction afDropTarget::dragOver(const afDropInfo& info, uint32_t allowed, afDropAction current) {
    return m_overDelegate ? m_overDelegate(this, info, allowed, current) : standardAction(info, allowed);
}

afDropAction afDropTarget::dropAction(const afDropInfo& info, uint32_t allowed, afDropAction current) {
    return m_actionDelegate ? m_actionDelegate(this, info, allowed, current) : dragOver(info, allowed, current);
}

afDropAction afDropTarget::dropData(const afDropInfo& info, uint32_t allowed, afDropAction action) {
    return m_dataDelegate ? m_dataDelegate(this, info, allowed, action) : AF_DROP_NONE;
}

void afDropTarget::dragLeave() {
    if (m_leaveDelegate)
        m_leaveDelegate(this);
}

afDropAction afDropTarget::defaultAction(const afDropInfo& info, uint32_t allowed) {
    if (allowed == 0)
        return AF_DROP_NONE;
    const bool control = info.modifiers & AF_DROP_CONTROL, shift = info.modifiers & AF_DROP_SHIFT;
    if ((allowed & AF_DROP_LINK) && control && shift)
        return AF_DROP_LINK;
    if ((allowed & AF_DROP_COPY) && control)
        return AF_DROP_COPY;
    if (!(allowed & AF_DROP_MOVE))
        return AF_DROP_NONE;
    if (shift || info.modifiers == 0)
        return AF_DROP_MOVE;
    return AF_DROP_NONE;
}

afDropAction afDropTarget::outsideAction(const afDropInfo& info, uint32_t allowed) {
    const bool moveAsked = (info.modifiers & (AF_DROP_SHIFT | AF_DROP_CONTROL)) == AF_DROP_SHIFT;
    if (moveAsked && (allowed & AF_DROP_MOVE))
        return AF_DROP_MOVE;
    return (allowed & AF_DROP_COPY) ? AF_DROP_COPY : AF_DROP_NONE;
}

afDropAction afDropTarget::standardAction(const afDropInfo& info, uint32_t allowed) const {
    const bool own = m_com && afDragScope::drags(m_com->m_sourceData);
    return own ? defaultAction(info, allowed) : outsideAction(info, allowed);
}

afDataFormat afDropTarget::acceptedFormat(IDataObject* data) const {
    if (!data || !m_receiver)
        return afDataFormat();
    std::vector<afDataFormat> formats(m_receiver->getFormatCount(AF_DATA_SET));
    m_receiver->getFormats(formats.data(), AF_DATA_SET);
    for (afDataFormat format : formats) {
        FORMATETC request = {format.getFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (data->QueryGetData(&request) == S_OK)
            return format;
    }
    return afDataFormat();
}

bool afDropTarget::dragOffers(WORD clipboardFormat) const {
    IDataObject* data = m_com ? m_com->m_sourceData : nullptr;
    FORMATETC request = {clipboardFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return data && data->QueryGetData(&request) == S_OK;
}

afDataObject* afDropTarget::getData() {
    const afDataFormat format = acceptedFormat(m_source);
    if (format == afDataFormat())
        return nullptr;
    FORMATETC request = {format.getFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = STGMEDIUM();
    if (FAILED(m_source->GetData(&request, &medium))) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afDropTarget::getData(): GetData failed.\n");
        return nullptr;
    }
    IDataObject* receiver = m_receiver->getComObject();
    if (!receiver || FAILED(receiver->SetData(&request, &medium, TRUE))) {
        ::ReleaseStgMedium(&medium);
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afDropTarget::getData(): SetData failed.\n");
        return nullptr;
    }
    return m_receiver;
}
