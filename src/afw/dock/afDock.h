#pragma once
// A container of slots (content views owned by their controllers) in display order and in
// activation order, the most recently activated last. It tells the controllers when their
// slots come, go, activate and close, and lets the user drag a slot to another dock or another
// place of its own. It decides no look: a concrete dock makes each slot's page (a tab, a pane)
// and says where a drop lands.

#include "afw/control/afContainer.h"
#include "afw/core/afDelegate.h"
#include "afw/data/afDropAction.h"
#include "pel/base/Symbol.h"

#include <utility>
#include <vector>

class afDataObject;
class afDataObjectComposite;
class afDockSlot;
class afDockSlotController;
class afDropTarget;

class afDock : public afContainer {
public:
    // (dock, the handler's data object, insert index, drop point, allowed, action) -> action.
    using DropHandler =
        afDelegate<afDropAction(afDock*, afDataObject*, int, const afDropInfo&, uint32_t, afDropAction)>;
    // (dock, drop point, allowed, the standard rule's action) -> the action a drag of the
    // handler's data would take there.
    using DropQuery = afDelegate<afDropAction(afDock*, const afDropInfo&, uint32_t, afDropAction)>;
    // getSlotByActivation's selectors.
    enum Selector { BY_POSITION = 0, BEFORE = 1, AFTER = 2, AFTER_OR_BEFORE = 3 };

    explicit afDock(afViewPlatform* host);
    // Clears every slot's dock and deletes the slots without telling the controllers.
    ~afDock() override;

    const wchar_t* getContextKey() const override { return L"ui.dock"; }
    // The active slot's controller adds the contexts of its content.
    void addContexts(tessel::ScopePath& path) override;

    // A new slot for the view inserted at index (-1 or past the end appends). A null view, or
    // a concrete dock that makes no page for it, throws pel::NullPointerException and leaves
    // the dock as it was.
    afDockSlot* addView(afDockSlotController* controller, afView* view, pel::Symbol id, int index);
    // Puts the slot here: moved within this dock, or taken from its old one. Answers the index.
    std::pair<int, afDockSlot*> insertSlot(afDockSlot* slot, int index);
    // Takes a slot of this dock out without asking its controller; false for another's.
    bool removeSlot(afDockSlot* slot, bool deleteSlot);
    // A slot of another dock is ignored.
    void setActiveSlot(afDockSlot* slot);
    afDockSlot* getActiveSlot() const { return m_active; }

    // Close through the controllers: each says which of its slots may close.
    bool closeSlot(afDockSlot* slot);
    bool closeSlots(const std::vector<afDockSlot*>& slots);
    bool closeAll();
    bool closeOthers(afDockSlot* slot);
    bool closeAfter(afDockSlot* slot);

    afDockSlot* getSlotAt(int index) const;
    int indexOfSlot(const afDockSlot* slot) const;
    int getSlotCount() const { return static_cast<int>(m_display.size()); }
    // Walks the activation order from the slot from (the active one when null).
    afDockSlot* getSlotByActivation(int selector, afDockSlot* from) const;
    void getSlots(std::vector<afDockSlot*>& o_slots) const;
    const std::vector<afDockSlot*>& getActivationOrder() const { return m_activation; }
    // The slot's controller contexts, then the dock's own chain up to the root.
    void collectSlotContexts(afDockSlot* slot, tessel::ScopePath& contexts);

    // The data object becomes a child of the receiver; the handler gets it when it is filled.
    // While such data is dragged over the dock the query, when given, decides the action;
    // otherwise the standard rule does.
    void addDropHandler(afDataObject* data, const DropHandler& handler, const DropQuery& query = DropQuery());
    afDataObjectComposite* getDropReceiver() const { return m_dropReceiver; }
    afDropTarget* getDropTarget() const { return m_dropTarget; }
    // What a drag of the slot carries: the controller's data and the slot itself; o_allowed
    // gets the controller's actions with link added.
    static afDataObjectComposite* buildDragData(afDockSlot* slot, uint32_t* o_allowed);

    // ---- Hooks of the concrete docks
    virtual void onSlotAdded(afDockSlot* /*slot*/, int /*index*/) {}
    virtual void onSlotRemoved(afDockSlot* /*slot*/, bool /*deleting*/) {}
    virtual void onSlotsClosing(const std::vector<afDockSlot*>& /*slots*/) {}
    virtual void onActivating(afDockSlot* /*old*/) {}
    virtual void onSlotMoved(afDockSlot* /*slot*/, int /*index*/) {}
    virtual void onActiveViewChanged(afDockSlot* /*slot*/, afDockSlot* /*old*/) {}
    // Makes the slot's page and shows the content view in it.
    virtual void attachSlot(afDockSlot* slot) = 0;
    virtual void onSlotStateChanged(afDockSlot* /*slot*/, pel::Symbol /*old*/) {}
    // The index a drop at the local point would insert at.
    virtual int hitTest(int x, int y, void** o_out);
    virtual void createDropTarget();
    virtual void destroyDropTarget();
    // Runs the platform's drag of a slot of this dock; false for another's.
    virtual bool dragSlot(afDockSlot* slot);
    virtual afDropAction onDropData(afDropTarget* target, const afDropInfo& info, uint32_t allowed,
                                    afDropAction action);
    // As a drag enters and moves: the query of the handler whose data is dragged, or the
    // target's standard rule.
    virtual afDropAction onDragOver(afDropTarget* target, const afDropInfo& info, uint32_t allowed,
                                    afDropAction current);
    virtual void onDragLeave(afDropTarget* /*target*/) {}

private:
    struct DropEntry {
        afDataObject* data;
        DropHandler handler;
        DropQuery query;
    };

    afDropAction dropSlot(afDock* dock, afDataObject* data, int index, const afDropInfo& info, uint32_t allowed,
                          afDropAction action);
    // Takes the slot out of both orders and clears its dock.
    void forget(afDockSlot* slot);

    afDropTarget* m_dropTarget = nullptr; // held by the platform view, which deletes it
    afDockSlot* m_active = nullptr;
    std::vector<afDockSlot*> m_display;
    std::vector<afDockSlot*> m_activation;
    std::vector<DropEntry> m_dropHandlers;
    afDataObjectComposite* m_dropReceiver;
    bool m_slotHandlerAdded = false;
};
