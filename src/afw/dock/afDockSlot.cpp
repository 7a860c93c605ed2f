#include "afw/dock/afDockSlot.h"

#include "afw/dock/afDock.h"
#include "afw/dock/afDockSlotController.h"

#include <unordered_set>

namespace {
// UI thread only, as the docks are.
std::unordered_set<const afDockSlot*>& liveSlots() {
    static std::unordered_set<const afDockSlot*> slots;
    return slots;
}
} // namespace

afDockSlotController::~afDockSlotController() = default;

pel::Symbol afDockSlot::defaultSymbol() {
    static const pel::Symbol symbol = pel::Symbol::createSymbol("default");
    return symbol;
}

afDockSlot::afDockSlot(afDockSlotController* controller, afView* view, pel::Symbol id)
    : m_state(defaultSymbol()), m_id(id), m_view(view), m_controller(controller) {
    liveSlots().insert(this);
}

afDockSlot::~afDockSlot() {
    liveSlots().erase(this);
}

bool afDockSlot::isLive(const afDockSlot* slot) {
    return slot && liveSlots().count(slot) != 0;
}

void afDockSlot::setState(pel::Symbol state) {
    if (state == m_state)
        return;
    const pel::Symbol old = m_state;
    m_state = state;
    if (m_controller)
        m_controller->slotStateChanged(this, old);
    if (m_dock)
        m_dock->onSlotStateChanged(this, old);
}

bool afDockSlot::isActive() const {
    return m_dock && m_dock->getActiveSlot() == this;
}
