#include "afw/data/afIDropTarget.h"

#include "afw/core/afLog.h"
#include "afw/data/afDropTarget.h"

namespace {

// The system's effect for an action: none unless it is copy, move or link.
DWORD effectOf(afDropAction action) {
    return afIsDropDone(action) ? toDropAction(action) : DROPEFFECT_NONE;
}

uint32_t allowedOf(DWORD effect) {
    uint32_t allowed = AF_DROP_NONE;
    if (effect & DROPEFFECT_COPY)
        allowed |= AF_DROP_COPY;
    if (effect & DROPEFFECT_MOVE)
        allowed |= AF_DROP_MOVE;
    if (effect & DROPEFFECT_LINK)
        allowed |= AF_DROP_LINK;
    return allowed;
}

} // namespace

__IDropTarget::~__IDropTarget() {
    releaseSource();
}

void __IDropTarget::releaseSource() {
    if (IDataObject* source = m_sourceData) {
        m_sourceData = nullptr;
        source->Release();
    }
}

afDropAction __IDropTarget::checkAction(afDropAction action) const {
    if (m_allowed == 0 || !afIsDropDone(action))
        return AF_DROP_NONE;
    if (action & m_allowed)
        return action;
    pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                    L"__IDropTarget::checkAction: Action returned by drop data (%d) is not allowed source action (%d)!",
                    action, m_allowed);
    return AF_DROP_REFUSED;
}

HRESULT __IDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect)
        return E_INVALIDARG;
    const DWORD offered = *effect;
    *effect = DROPEFFECT_NONE;
    releaseSource();
    m_current = AF_DROP_NONE;
    m_allowed = 0;
    if (!data || !m_owner)
        return S_OK;
    afGuard([&] {
        if (m_owner->acceptedFormat(data) == afDataFormat())
            return;
        data->AddRef();
        m_sourceData = data;
        m_allowed = allowedOf(offered);
        m_current = checkAction(m_owner->dragEnter(afDropInfo::make(keys, point), m_allowed, AF_DROP_NONE));
        *effect = effectOf(m_current);
    });
    return S_OK;
}

HRESULT __IDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
    if (!effect)
        return E_INVALIDARG;
    *effect = DROPEFFECT_NONE;
    if (!m_sourceData || !m_owner)
        return S_OK;
    afGuard([&] {
        if (m_owner->acceptedFormat(m_sourceData) == afDataFormat())
            return;
        m_current = checkAction(m_owner->dragOver(afDropInfo::make(keys, point), m_allowed, m_current));
        *effect = effectOf(m_current);
    });
    return S_OK;
}

HRESULT __IDropTarget::DragLeave() {
    if (m_owner)
        afGuard([&] { m_owner->dragLeave(); });
    releaseSource();
    return S_OK;
}

HRESULT __IDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    DWORD result = DROPEFFECT_NONE;
    if (effect && data && m_owner)
        afGuard([&] { result = drop(data, keys, point); });
    // The target may have gone in the drop (a drop that closed its view).
    if (m_owner)
        afGuard([&] { m_owner->dragLeave(); });
    releaseSource();
    if (!effect)
        return E_INVALIDARG;
    *effect = result;
    return S_OK;
}

DWORD __IDropTarget::drop(IDataObject* data, DWORD keys, POINTL point) {
    if (m_owner->acceptedFormat(data) == afDataFormat())
        return DROPEFFECT_NONE;
    const afDropInfo info = afDropInfo::make(keys, point);
    m_current = checkAction(m_owner->dropAction(info, m_allowed, m_current));
    if (!afIsDropDone(m_current))
        return DROPEFFECT_NONE;
    // The dragged object is the target's source only while the data delegate runs: the system
    // releases it when the drop returns.
    struct SourceScope {
        __IDropTarget& target;
        ~SourceScope() {
            if (target.m_owner)
                target.m_owner->m_source = nullptr;
        }
    } scope{*this};
    m_owner->m_source = data;
    m_current = checkAction(m_owner->dropData(info, m_allowed, m_current));
    return effectOf(m_current);
}
