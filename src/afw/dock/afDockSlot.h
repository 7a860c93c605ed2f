#pragma once
// One place in a dock: a content view owned by its controller, the page the dock made to show
// it, the identifier the dock layout is saved by, and a state symbol. A slot lives in at most
// one dock; a drop may move it to another, where it gets a new page.

#include "pel/base/FreedAccessTrap.h"
#include "pel/base/Symbol.h"
#include "service/base/error/TaggedObject.h"

class afDock;
class afDockSlotController;
class afView;

class afDockSlot : public tessel::TaggedObject, public pel::FreedAccessTrap {
public:
    afDockSlot(afDockSlotController* controller, afView* view, pel::Symbol id);
    ~afDockSlot() override;

    // Whether the address is a slot that has not been deleted: a dropped slot pointer may name
    // one closed while it was being dragged.
    static bool isLive(const afDockSlot* slot);

    pel::Symbol getState() const { return m_state; }
    // A different state is stored and told to the controller, then to the dock.
    void setState(pel::Symbol state);
    afView* getPage() const { return m_page; }
    void setPage(afView* page) { m_page = page; }
    pel::Symbol getId() const { return m_id; }
    afView* getView() const { return m_view; }
    afDockSlotController* getController() const { return m_controller; }
    afDock* getDock() const { return m_dock; }
    void setDock(afDock* dock) { m_dock = dock; }
    bool isActive() const;

    static pel::Symbol defaultSymbol();

private:
    pel::Symbol m_state;
    afView* m_page = nullptr;
    pel::Symbol m_id;
    afView* m_view;
    afDockSlotController* m_controller;
    afDock* m_dock = nullptr;
};
