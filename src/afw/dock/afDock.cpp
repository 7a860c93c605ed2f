#include "afw/dock/afDock.h"

#include "afw/data/afDataObjectComposite.h"
#include "afw/dock/afDockSlot.h"
#include "afw/dock/afDockSlotController.h"
#include "pel/base/Assert.h"

#include <algorithm>

namespace {
void eraseFrom(std::vector<afDockSlot*>& list, const afDockSlot* slot) {
    list.erase(std::remove(list.begin(), list.end(), slot), list.end());
}
} // namespace

afDock::afDock(afViewPlatform* host) : afContainer(host), m_dropReceiver(new afDataObjectComposite) {}

afDock::~afDock() {
    // The target points at the receiver: it goes first.
    destroyDropTarget();
    for (afDockSlot* slot : m_display) {
        slot->setDock(nullptr);
        delete slot;
    }
    delete m_dropReceiver;
}

void afDock::addContexts(tessel::ScopePath& path) {
    if (m_active && m_active->getController())
        m_active->getController()->collectContexts(m_active, path);
}

afDockSlot* afDock::addView(afDockSlotController* controller, afView* view, pel::Symbol id, int index) {
    if (!view)
        throw pel::NullPointerException(L"Slot requires a view to be associated.");
    auto* slot = new afDockSlot(controller, view, id);
    try {
        insertSlot(slot, index);
    } catch (...) {
        delete slot;
        throw;
    }
    return slot;
}

std::pair<int, afDockSlot*> afDock::insertSlot(afDockSlot* slot, int index) {
    PEL_CHECK_PTR(slot);
    const int count = getSlotCount();
    if (slot->getDock() == this) {
        const int at = index < 0 || index >= count ? count - 1 : index;
        eraseFrom(m_display, slot);
        m_display.insert(m_display.begin() + at, slot);
        onSlotMoved(slot, at);
        return {at, slot};
    }
    if (afDock* old = slot->getDock())
        old->removeSlot(slot, false);
    slot->setDock(this);
    slot->setPage(nullptr);
    const int at = index < 0 || index >= getSlotCount() ? getSlotCount() : index;
    m_display.insert(m_display.begin() + at, slot);
    m_activation.push_back(slot);
    attachSlot(slot);
    if (!slot->getPage()) {
        // Kept recorded without a page, the next paint or activation would dereference it.
        forget(slot);
        throw pel::NullPointerException(L"Slot requires a view to be associated.");
    }
    onSlotAdded(slot, at);
    if (slot->getController())
        slot->getController()->slotAdded(slot);
    return {at, slot};
}

void afDock::forget(afDockSlot* slot) {
    eraseFrom(m_display, slot);
    eraseFrom(m_activation, slot);
    if (m_active == slot)
        m_active = nullptr;
    slot->setDock(nullptr);
}

bool afDock::removeSlot(afDockSlot* slot, bool deleteSlot) {
    if (indexOfSlot(slot) < 0)
        return false;
    if (slot == m_active)
        setActiveSlot(getSlotByActivation(AFTER_OR_BEFORE, slot));
    onSlotRemoved(slot, deleteSlot);
    if (slot->getController())
        slot->getController()->slotRemoved(slot, deleteSlot);
    forget(slot);
    if (deleteSlot)
        delete slot;
    return true;
}

void afDock::setActiveSlot(afDockSlot* slot) {
    if (slot == m_active || (slot && slot->getDock() != this))
        return;
    afDockSlot* old = m_active;
    m_active = slot;
    if (slot) {
        eraseFrom(m_activation, slot);
        m_activation.push_back(slot);
    }
    onActivating(old);
    if (old && old->getController())
        old->getController()->slotDeactivated(old);
    if (slot && slot->getController())
        slot->getController()->slotActivated(slot);
    if ((slot ? slot->getPage() : nullptr) != (old ? old->getPage() : nullptr))
        onActiveViewChanged(slot, old);
}

bool afDock::closeSlots(const std::vector<afDockSlot*>& slots) {
    // Grouped by controller in order of first appearance: each is asked once.
    std::vector<std::pair<afDockSlotController*, std::vector<afDockSlot*>>> groups;
    for (afDockSlot* slot : slots) {
        if (indexOfSlot(slot) < 0)
            continue;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const auto& entry) { return entry.first == slot->getController(); });
        if (group == groups.end())
            groups.push_back({slot->getController(), {slot}});
        else
            group->second.push_back(slot);
    }
    std::vector<afDockSlot*> closable;
    for (const auto& group : groups)
        if (group.first)
            group.first->queryClose(group.second, closable);
    onSlotsClosing(closable);
    // Only pointers are compared until a slot is known to be here: a list may repeat a slot.
    for (afDockSlot* slot : closable)
        if (indexOfSlot(slot) >= 0)
            removeSlot(slot, true);
    return true;
}

bool afDock::closeSlot(afDockSlot* slot) {
    return indexOfSlot(slot) >= 0 && closeSlots({slot});
}

bool afDock::closeAll() {
    return closeSlots(std::vector<afDockSlot*>(m_display));
}

bool afDock::closeOthers(afDockSlot* slot) {
    if (indexOfSlot(slot) < 0)
        return false;
    std::vector<afDockSlot*> others;
    for (afDockSlot* each : m_display)
        if (each != slot)
            others.push_back(each);
    return closeSlots(others);
}

bool afDock::closeAfter(afDockSlot* slot) {
    const int index = indexOfSlot(slot);
    if (index < 0)
        return false;
    return closeSlots(std::vector<afDockSlot*>(m_display.begin() + index + 1, m_display.end()));
}

afDockSlot* afDock::getSlotAt(int index) const {
    return index >= 0 && index < getSlotCount() ? m_display[index] : nullptr;
}

int afDock::indexOfSlot(const afDockSlot* slot) const {
    const auto found = std::find(m_display.begin(), m_display.end(), slot);
    return slot && found != m_display.end() ? static_cast<int>(found - m_display.begin()) : -1;
}

afDockSlot* afDock::getSlotByActivation(int selector, afDockSlot* from) const {
    if (!from)
        from = m_active;
    const auto found = std::find(m_activation.begin(), m_activation.end(), from);
    if (!from || found == m_activation.end())
        return nullptr;
    const int at = static_cast<int>(found - m_activation.begin());
    const int count = static_cast<int>(m_activation.size());
    auto slotAt = [&](int i) { return i >= 0 && i < count ? m_activation[i] : nullptr; };
    switch (selector) {
    case BY_POSITION:
        return slotAt(at);
    case BEFORE:
        return slotAt(at - 1);
    case AFTER:
        return slotAt(at + 1);
    case AFTER_OR_BEFORE:
        return at + 1 < count ? slotAt(at + 1) : slotAt(at - 1);
    default:
        return nullptr;
    }
}

void afDock::getSlots(std::vector<afDockSlot*>& o_slots) const {
    o_slots.insert(o_slots.end(), m_display.begin(), m_display.end());
}

void afDock::collectSlotContexts(afDockSlot* slot, tessel::ScopePath& contexts) {
    contexts.clear();
    if (slot && slot->getController())
        slot->getController()->collectContexts(slot, contexts);
    afView::collectContexts(this, contexts);
}

int afDock::hitTest(int /*x*/, int /*y*/, void** o_out) {
    if (o_out)
        *o_out = nullptr;
    return 0;
}
