#pragma once
// The drop target of one platform view, registered for the view's window. On every movement
// of a drag over the window it decides which action a drop would take, and at the drop pulls
// the dragged data into its receiver (an empty data object whose formats say what the target
// takes) and hands the decision to its owner. Owners plug their behaviour in through
// delegates; without one the standard rule decides. The view owns its target and deletes it
// with itself; the target's COM object may outlive it while the system still holds it, and
// then answers "no drop".

#include "afw/core/afDelegate.h"
#include "afw/data/afDataFormat.h"
#include "afw/data/afDropAction.h"

#include <windows.h>

struct IDataObject;
struct IDropTarget;
class afDataObject;
class afViewPlatform;
class __IDropTarget;

class afDropTarget {
public:
    // (target, drop position, allowed actions, current action) -> action.
    using ActionDelegate = afDelegate<afDropAction(afDropTarget*, const afDropInfo&, uint32_t, afDropAction)>;
    using LeaveDelegate = afDelegate<void(afDropTarget*)>;

    afDropTarget(afDataObject* receiver, bool ownsReceiver);
    virtual ~afDropTarget();
    afDropTarget(const afDropTarget&) = delete;
    afDropTarget& operator=(const afDropTarget&) = delete;

    // Registers the target with the system for the window (RegisterDragDrop), remembering the
    // view it serves; the platform view calls these when its window comes and goes.
    void registerTarget(afViewPlatform* view, HWND window);
    void revokeTarget(HWND window);

    // Clears the receiver; then the enter delegate, or the standard rule.
    virtual afDropAction dragEnter(const afDropInfo& info, uint32_t allowed, afDropAction current);
    // The over delegate, or the standard rule.
    virtual afDropAction dragOver(const afDropInfo& info, uint32_t allowed, afDropAction current);
    // The action delegate; without one, decided as dragOver.
    virtual afDropAction dropAction(const afDropInfo& info, uint32_t allowed, afDropAction current);
    // The data delegate, which pulls the data with getData; without one, none.
    virtual afDropAction dropData(const afDropInfo& info, uint32_t allowed, afDropAction action);
    virtual void dragLeave();

    // During a drop (inside the data delegate): pulls the dragged data into the receiver and
    // returns it; null outside a drop or on failure.
    afDataObject* getData();
    afDataObject* getReceiver() const { return m_receiver; }
    // While a drag is over the target: whether the dragged object offers the clipboard format.
    bool dragOffers(WORD clipboardFormat) const;
    afViewPlatform* getView() const { return m_view; }
    // The COM face, with no reference added.
    IDropTarget* getComObject() const;

    void setEnterDelegate(const ActionDelegate& delegate) { m_enterDelegate = delegate; }
    void setOverDelegate(const ActionDelegate& delegate) { m_overDelegate = delegate; }
    void setActionDelegate(const ActionDelegate& delegate) { m_actionDelegate = delegate; }
    void setDataDelegate(const ActionDelegate& delegate) { m_dataDelegate = delegate; }
    void setLeaveDelegate(const LeaveDelegate& delegate) { m_leaveDelegate = delegate; }

    // The choice for a drag this process runs (a tab, an item of its own), by the allowed
    // actions and the held keys: link for Ctrl+Shift, copy for Ctrl, move for Shift or no key,
    // else none.
    static afDropAction defaultAction(const afDropInfo& info, uint32_t allowed);
    // The choice for data from another program: copy, or move when Shift alone asks for it. A
    // source told "move" deletes its own copy, so it is told so only when the user asked.
    static afDropAction outsideAction(const afDropInfo& info, uint32_t allowed);
    // The standard rule for the drag over the target now: defaultAction for a drag this process
    // runs, outsideAction for any other.
    afDropAction standardAction(const afDropInfo& info, uint32_t allowed) const;

private:
    friend class __IDropTarget;

    // The first of the receiver's formats that the dragged object gives; 0 when none.
    afDataFormat acceptedFormat(IDataObject* data) const;

    afViewPlatform* m_view = nullptr;
    ActionDelegate m_enterDelegate, m_overDelegate, m_actionDelegate, m_dataDelegate;
    LeaveDelegate m_leaveDelegate;
    afDataObject* m_receiver;
    bool m_ownsReceiver;
    __IDropTarget* m_com;
    // The dragged object while the data delegate runs; null otherwise.
    IDataObject* m_source = nullptr;
};
