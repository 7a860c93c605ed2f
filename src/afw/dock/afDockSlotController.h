#pragma once
// What owns the contents of dock slots (the main window, the file and project managers, the
// bundle editor): a dock tells it when its slots come, go, activate, change state or are about
// to close, and asks it for the data a slot's drag carries and for the slot's action contexts.

#include "afw/data/afDropAction.h"
#include "pel/base/Symbol.h"

#include <cstdint>
#include <vector>

namespace tessel {
class ScopePath;
}
class afDataObjectComposite;
class afDockSlot;

class afDockSlotController {
public:
    explicit afDockSlotController(uint32_t owner = 0) : m_owner(owner) {}
    virtual ~afDockSlotController() = 0;

    uint32_t getOwner() const { return m_owner; }

    virtual void slotAdded(afDockSlot* /*slot*/) {}
    // deleting: the slot is deleted right after.
    virtual void slotRemoved(afDockSlot* /*slot*/, bool /*deleting*/) {}
    // Appends to closable those of slots that may close now.
    virtual void queryClose(const std::vector<afDockSlot*>& /*slots*/, std::vector<afDockSlot*>& /*closable*/) {}
    virtual void slotActivated(afDockSlot* /*slot*/) {}
    virtual void slotDeactivated(afDockSlot* /*slot*/) {}
    // Adds the controller's own data for a drag of the slot; answers the actions it allows.
    virtual uint32_t getDragData(afDockSlot* /*slot*/, afDataObjectComposite* /*composite*/) { return AF_DROP_NONE; }
    virtual void slotStateChanged(afDockSlot* /*slot*/, pel::Symbol /*oldState*/) {}
    // Adds the action contexts of the slot's content.
    virtual void collectContexts(afDockSlot* /*slot*/, tessel::ScopePath& /*contexts*/) {}

private:
    uint32_t m_owner;
};
