// Dragging slots out of a dock and dropping them (and whatever else a dock takes) on one.
#include "afw/dock/afDock.h"

#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDropSource.h"
#include "afw/data/afDropTarget.h"
#include "afw/dock/afDockSlot.h"
#include "afw/dock/afDockSlotController.h"
#include "pel/base/Assert.h"

#include <memory>

namespace {
const wchar_t kSlotFormat[] = L"afDockSlot";
using SlotData = afDataObjectScalar<afDockSlot*>;
} // namespace

void afDock::addDropHandler(afDataObject* data, const DropHandler& handler, const DropQuery& query) {
    PEL_CHECK_PTR(data);
    m_dropHandlers.push_back({data, handler, query});
    m_dropReceiver->add(data, true);
}

afDataObjectComposite* afDock::buildDragData(afDockSlot* slot, uint32_t* o_allowed) {
    auto* composite = new afDataObjectComposite;
    uint32_t allowed = AF_DROP_NONE;
    if (slot->getController())
        allowed = slot->getController()->getDragData(slot, composite);
    composite->add(new SlotData(kSlotFormat, slot), true);
    // Link is the move of a slot between docks: always allowed.
    *o_allowed = allowed | AF_DROP_LINK;
    return composite;
}

bool afDock::dragSlot(afDockSlot* slot) {
    if (indexOfSlot(slot) < 0)
        return false;
    uint32_t allowed = 0;
    std::unique_ptr<afDataObjectComposite> data(buildDragData(slot, &allowed));
    afDropSource source(data.get());
    source.drag(allowed);
    return true;
}

void afDock::createDropTarget() {
    if (m_dropTarget)
        return;
    m_dropTarget = new afDropTarget(m_dropReceiver, false);
    m_dropTarget->setEnterDelegate(afDropTarget::ActionDelegate::bind<afDock, &afDock::onDragOver>(this));
    m_dropTarget->setOverDelegate(afDropTarget::ActionDelegate::bind<afDock, &afDock::onDragOver>(this));
    m_dropTarget->setDataDelegate(afDropTarget::ActionDelegate::bind<afDock, &afDock::onDropData>(this));
    m_dropTarget->setLeaveDelegate(afDropTarget::LeaveDelegate::bind<afDock, &afDock::onDragLeave>(this));
    // The platform view registers it for the window and deletes it with itself.
    setDropTarget(m_dropTarget);
    if (!m_slotHandlerAdded) {
        m_slotHandlerAdded = true;
        addDropHandler(new SlotData(kSlotFormat), DropHandler::bind<afDock, &afDock::dropSlot>(this));
    }
}

void afDock::destroyDropTarget() {
    if (!m_dropTarget)
        return;
    m_dropTarget = nullptr;
    setDropTarget(nullptr);
}

afDropAction afDock::onDragOver(afDropTarget* target, const afDropInfo& info, uint32_t allowed,
                                afDropAction /*current*/) {
    if (!target)
        return AF_DROP_NONE;
    const afDropAction proposed = target->standardAction(info, allowed);
    // The receiver takes the first of its formats the drag offers: the handler of that one
    // decides, in the receiver's order.
    for (const DropEntry& entry : m_dropHandlers)
        if (target->dragOffers(entry.data->getFormat(AF_DATA_SET).getFormat()))
            return entry.query ? entry.query(this, info, allowed, proposed) : proposed;
    return proposed;
}

afDropAction afDock::onDropData(afDropTarget* target, const afDropInfo& info, uint32_t allowed, afDropAction action) {
    if (!target || target != m_dropTarget || action == AF_DROP_NONE)
        return AF_DROP_NONE;
    target->getData();
    const POINT local = toLocal({info.x, info.y}, this);
    const int index = hitTest(local.x, local.y, nullptr);
    afDropAction result = AF_DROP_NONE;
    for (const DropEntry& entry : m_dropHandlers) {
        if (entry.data->isEmpty())
            continue;
        result = entry.handler ? entry.handler(this, entry.data, index, info, allowed, action) : AF_DROP_NONE;
        break;
    }
    // A dropped pointer must not outlive the drop.
    m_dropReceiver->clear();
    return result;
}

afDropAction afDock::dropSlot(afDock* /*dock*/, afDataObject* data, int index, const afDropInfo& /*info*/,
                              uint32_t /*allowed*/, afDropAction action) {
    auto* slotData = dynamic_cast<SlotData*>(data);
    afDockSlot* slot = slotData && !slotData->isEmpty() ? slotData->getValue() : nullptr;
    // The slot may have been closed while it was being dragged.
    if (!afDockSlot::isLive(slot))
        return AF_DROP_NONE;
    insertSlot(slot, index);
    return action;
}
