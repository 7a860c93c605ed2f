#pragma once
// The COM face of a drop target: what the system's drag loop calls while a drag moves over the
// target's window and when it drops there. It keeps the dragged object, the actions the drag
// allows and the current action between the calls. An exception from the owner's delegates
// ends the drag over this target as "no drop"; a target deleted while the system still holds
// this object leaves it answering "no drop".

#include "afw/data/afComObject.h"
#include "afw/data/afDropAction.h"

class afDropTarget;

class __IDropTarget final : public afComObject<IDropTarget> {
public:
    explicit __IDropTarget(afDropTarget* owner) : m_owner(owner) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    friend class afDropTarget;
    ~__IDropTarget() override;

    // An action the drag allows stays; none, cancelled and refused become none; any other is
    // logged and refused.
    afDropAction checkAction(afDropAction action) const;
    // The drop proper: the action, then the owner's data delegate; the effect to answer.
    DWORD drop(IDataObject* data, DWORD keys, POINTL point);
    void releaseSource();

    afDropTarget* m_owner;
    IDataObject* m_sourceData = nullptr;
    afDropAction m_current = AF_DROP_NONE;
    uint32_t m_allowed = 0;
};
