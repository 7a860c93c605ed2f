#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectFiles.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDataObjectText.h"
#include "afw/data/afDragScope.h"
#include "afw/data/afDropTarget.h"
#include "afw/dock/afDock.h"
#include "afw/dock/afDockSlot.h"
#include "afw/dock/afDockSlotController.h"
#include "afw/support/OleTest.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>

using namespace tessel_test;

namespace {

// Records what a dock tells it; lets every slot close unless it is refused.
class Controller : public afDockSlotController {
public:
    void slotAdded(afDockSlot*) override { ++added; }
    void slotRemoved(afDockSlot* slot, bool deleting) override {
        ++removed;
        removals.push_back({slot, deleting});
    }
    void queryClose(const std::vector<afDockSlot*>& slots, std::vector<afDockSlot*>& closable) override {
        queries.push_back(slots);
        for (afDockSlot* slot : slots)
            if (!refused.count(slot))
                closable.push_back(slot);
    }
    uint32_t getDragData(afDockSlot*, afDataObjectComposite*) override { return AF_DROP_NONE; }

    int added = 0, removed = 0;
    std::vector<std::pair<afDockSlot*, bool>> removals;
    std::vector<std::vector<afDockSlot*>> queries;
    std::set<afDockSlot*> refused;
};

// Shows each slot's view in a page of its own; a drop lands at hitIndex and, while linksSlots
// holds, a slot is moved by link whatever keys are held (else the dock's own rule decides).
class TestDock : public afDock {
public:
    TestDock() : afDock(nullptr) {}

    void attachSlot(afDockSlot* slot) override {
        if (!makesPages)
            return;
        auto* page = new StackView(nullptr);
        pages.emplace_back(page);
        page->addView(slot->getView());
        slot->setPage(page);
    }
    void onSlotAdded(afDockSlot*, int) override { events.push_back("added"); }
    void onSlotRemoved(afDockSlot*, bool) override { events.push_back("removed"); }
    void onSlotMoved(afDockSlot*, int index) override { events.push_back("moved " + std::to_string(index)); }
    int hitTest(int, int, void** o_out) override {
        if (o_out)
            *o_out = nullptr;
        return hitIndex;
    }
    afDropAction onDragOver(afDropTarget* target, const afDropInfo& info, uint32_t allowed,
                            afDropAction current) override {
        if (!linksSlots)
            return afDock::onDragOver(target, info, allowed, current);
        return allowed & AF_DROP_LINK ? AF_DROP_LINK : current;
    }
    bool owns(const afView* page) const {
        return std::any_of(pages.begin(), pages.end(), [&](const auto& own) { return own.get() == page; });
    }

    bool makesPages = true;
    bool linksSlots = true;
    int hitIndex = 0;
    std::vector<std::string> events;
    std::vector<std::unique_ptr<StackView>> pages;
};

std::vector<afDockSlot*> slotsOf(const afDock& dock) {
    std::vector<afDockSlot*> slots;
    dock.getSlots(slots);
    return slots;
}

class DockTest : public ::testing::Test {
protected:
    afDockSlot* add(TestDock& dock, Controller& controller, int index = -1) {
        return dock.addView(&controller, view(), pel::Symbol::createSymbol("slot"), index);
    }
    // A content view: its page takes it over; the holder keeps one that never got a page.
    afView* view() {
        auto* view = new ProbeView;
        holder.add(view);
        return view;
    }

    ObjectNode holder; // outlives the docks below
    TestDock a, b;
    Controller one, two;
};

TEST_F(DockTest, SlotsAppendActivateAndHandActivationBack) {
    afDockSlot* first = add(a, one, -1);
    afDockSlot* second = add(a, one, 1); // the count: appends
    afDockSlot* third = add(a, one, 0);
    EXPECT_EQ((std::vector<afDockSlot*>{third, first, second}), slotsOf(a));
    EXPECT_EQ(afDockSlot::defaultSymbol(), first->getState());
    EXPECT_EQ(pel::Symbol::createSymbol("slot"), first->getId());

    for (afDockSlot* slot : {third, first, second})
        a.setActiveSlot(slot);
    EXPECT_TRUE(second->isActive());
    EXPECT_EQ(first, a.getSlotByActivation(afDock::AFTER_OR_BEFORE, nullptr)) << "the slot active before";
    EXPECT_EQ(nullptr, a.getSlotByActivation(afDock::AFTER, nullptr));
    EXPECT_TRUE(a.closeSlot(second));
    EXPECT_EQ(first, a.getActiveSlot());

    // A move past the end goes to the end, as a negative index does.
    EXPECT_EQ(1, a.insertSlot(third, 7).first);
    EXPECT_EQ(first, a.getSlotAt(0));
    EXPECT_EQ(nullptr, a.getSlotAt(2));
    EXPECT_EQ(-1, a.indexOfSlot(nullptr));

    a.removeSlot(third, true);
    EXPECT_EQ(nullptr, a.getSlotByActivation(afDock::AFTER_OR_BEFORE, first)) << "the only slot";
    a.removeSlot(first, true);
    EXPECT_EQ(nullptr, a.getActiveSlot());
    EXPECT_EQ(0, a.getSlotCount());
    EXPECT_EQ(3, one.added);
    EXPECT_EQ(3, one.removed);
}

TEST_F(DockTest, ClosingAsksEachControllerOnceAndClosesOnlyWhatItLists) {
    afDockSlot* s1 = add(a, one);
    afDockSlot* s2 = add(a, two);
    afDockSlot* s3 = add(a, one);
    afDockSlot* s4 = add(a, two);
    afDockSlot* other = add(b, one);
    two.refused.insert(s4);

    EXPECT_TRUE(a.closeSlots({s2, s1, s3, s4, other}));
    EXPECT_EQ((std::vector<std::vector<afDockSlot*>>{{s1, s3}}), one.queries);
    EXPECT_EQ((std::vector<std::vector<afDockSlot*>>{{s2, s4}}), two.queries);
    EXPECT_EQ((std::vector<afDockSlot*>{s4}), slotsOf(a));
    EXPECT_EQ(b.getSlotAt(0), other);

    // Another dock's slot: nothing happens.
    afDockSlot* s5 = add(a, one);
    EXPECT_FALSE(a.closeOthers(other));
    EXPECT_FALSE(a.closeAfter(other));
    EXPECT_FALSE(a.closeSlot(other));
    EXPECT_EQ(2, a.getSlotCount());
    a.closeAfter(s4);
    EXPECT_EQ((std::vector<afDockSlot*>{s4}), slotsOf(a));
    EXPECT_EQ((std::pair<afDockSlot*, bool>{s5, true}), one.removals.back());
}

TEST_F(DockTest, ASlotWithoutAPageOrViewLeavesTheDockAsItWas) {
    afDockSlot* kept = add(a, one);
    a.setActiveSlot(kept);
    EXPECT_EQ(L"Slot requires a view to be associated.",
              thrown([&] { a.addView(&one, nullptr, afDockSlot::defaultSymbol(), -1); }));
    a.makesPages = false;
    EXPECT_EQ(L"Slot requires a view to be associated.", thrown([&] { add(a, one); }));
    EXPECT_EQ((std::vector<afDockSlot*>{kept}), slotsOf(a));
    EXPECT_EQ((std::vector<afDockSlot*>{kept}), a.getActivationOrder());
    EXPECT_EQ(kept, a.getActiveSlot());
    EXPECT_EQ(1, one.added);
    EXPECT_EQ((std::vector<std::string>{"added"}), a.events);
}

// Random steps over two docks against a model of both orders and the active slots.
TEST_F(DockTest, RandomStepsKeepBothOrdersAndTheControllersBalanced) {
    struct Model {
        std::vector<afDockSlot*> display, activation;
        afDockSlot* active = nullptr;
        void activate(afDockSlot* slot) {
            if (slot == active)
                return;
            active = slot;
            if (slot) {
                activation.erase(std::find(activation.begin(), activation.end(), slot));
                activation.push_back(slot);
            }
        }
        void remove(afDockSlot* slot) {
            if (slot == active) {
                auto at = std::find(activation.begin(), activation.end(), slot);
                afDockSlot* next = at + 1 != activation.end() ? at[1] : at != activation.begin() ? at[-1] : nullptr;
                activate(next);
            }
            display.erase(std::find(display.begin(), display.end(), slot));
            activation.erase(std::find(activation.begin(), activation.end(), slot));
        }
        void insert(afDockSlot* slot, int index) {
            const int count = static_cast<int>(display.size());
            display.insert(display.begin() + (index < 0 || index >= count ? count : index), slot);
            activation.push_back(slot);
        }
    } models[2];
    TestDock* docks[2] = {&a, &b};
    Controller* controllers[2] = {&one, &two};
    std::mt19937 random(49);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 2000; ++step) {
        const int d = pick(2);
        Model& model = models[d];
        TestDock& dock = *docks[d];
        const int count = static_cast<int>(model.display.size());
        const int index = pick(count + 3) - 1;
        afDockSlot* some = count ? model.display[pick(count)] : nullptr;
        const int op = pick(7);
        if (op <= 1 || !some) {
            model.insert(add(dock, *controllers[pick(2)], index), index);
        } else if (op == 2) {
            const int at = index < 0 || index >= count ? count - 1 : index;
            model.display.erase(std::find(model.display.begin(), model.display.end(), some));
            model.display.insert(model.display.begin() + at, some);
            EXPECT_EQ(at, dock.insertSlot(some, index).first);
        } else if (op == 3) {
            Model& other = models[1 - d];
            if (other.display.empty())
                continue;
            afDockSlot* moved = other.display[pick(static_cast<int>(other.display.size()))];
            other.remove(moved);
            model.insert(moved, index);
            dock.insertSlot(moved, index);
        } else if (op == 4) {
            model.remove(some);
            dock.removeSlot(some, true);
        } else if (op == 5) {
            model.remove(some);
            dock.closeSlot(some);
        } else {
            afDockSlot* chosen = pick(8) ? some : nullptr;
            const bool newlyActive = chosen != dock.getActiveSlot();
            model.activate(chosen);
            dock.setActiveSlot(chosen);
            // Adds append without activating: the active slot is last after an activation.
            if (chosen && newlyActive) {
                ASSERT_EQ(chosen, dock.getActivationOrder().back()) << "step " << step;
            }
        }
        int held[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(models[i].display, slotsOf(*docks[i])) << "step " << step;
            ASSERT_EQ(models[i].activation, docks[i]->getActivationOrder()) << "step " << step;
            ASSERT_EQ(models[i].active, docks[i]->getActiveSlot()) << "step " << step;
            for (afDockSlot* slot : models[i].display) {
                ASSERT_EQ(docks[i], slot->getDock());
                ++held[slot->getController() == &two];
            }
        }
        ASSERT_EQ(held[0], one.added - one.removed) << "step " << step;
        ASSERT_EQ(held[1], two.added - two.removed) << "step " << step;
    }
}

class DockDropTest : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        a.createDropTarget();
        b.createDropTarget();
        for (auto* view : {&first, &other})
            holder.add(*view = new ProbeView);
        slot = a.addView(&one, first, afDockSlot::defaultSymbol(), -1);
        second = a.addView(&one, other, afDockSlot::defaultSymbol(), -1);
    }
    // Enter, over and drop on the dock with the keys and the allowed effects; the effects answered.
    static std::vector<DWORD> drop(afDock& dock, afDataObject& data, DWORD keys, DWORD allowed) {
        IDropTarget* target = dock.getDropTarget()->getComObject();
        const POINTL point = {5, 5};
        std::vector<DWORD> effects{allowed, allowed, allowed};
        target->DragEnter(data.getComObject(), MK_LBUTTON | keys, point, &effects[0]);
        target->DragOver(MK_LBUTTON | keys, point, &effects[1]);
        target->Drop(data.getComObject(), keys, point, &effects[2]);
        return effects;
    }
    // Enter and drop on the dock with what the system hands over for a drag allowing link.
    static DWORD drop(afDock& dock, afDataObject& data) {
        IDropTarget* target = dock.getDropTarget()->getComObject();
        POINTL point = {5, 5};
        DWORD effect = DROPEFFECT_LINK;
        target->DragEnter(data.getComObject(), 0, point, &effect);
        effect = DROPEFFECT_LINK;
        EXPECT_EQ(S_OK, target->Drop(data.getComObject(), 0, point, &effect));
        return effect;
    }

    ObjectNode holder;
    ProbeView *first = nullptr, *other = nullptr;
    Controller one, two;
    TestDock a, b;
    afDockSlot* slot = nullptr;
    afDockSlot* second = nullptr;
};

TEST_F(DockDropTest, ADraggedSlotMovesToTheDockItIsDroppedOn) {
    uint32_t allowed = 0;
    std::unique_ptr<afDataObjectComposite> data(afDock::buildDragData(slot, &allowed));
    EXPECT_EQ(uint32_t(AF_DROP_NONE | AF_DROP_LINK), allowed) << "link though the controller allows none";
    afDragScope scope(data.get());
    EXPECT_EQ(DWORD(DROPEFFECT_LINK), drop(b, *data));
    EXPECT_EQ(&b, slot->getDock());
    EXPECT_EQ((std::pair<afDockSlot*, bool>{slot, false}), one.removals.back());
    EXPECT_TRUE(b.owns(slot->getPage()));
    EXPECT_TRUE(slot->getPage()->hasChild(first));
    EXPECT_TRUE(b.getDropReceiver()->isEmpty()) << "no pointer kept after the drop";

    // On its own dock only the order changes.
    std::unique_ptr<afDataObjectComposite> again(afDock::buildDragData(second, &allowed));
    afDragScope secondScope(again.get());
    a.events.clear();
    a.hitIndex = 0;
    b.insertSlot(second, -1);
    b.events.clear();
    b.hitIndex = 0;
    EXPECT_EQ(DWORD(DROPEFFECT_LINK), drop(b, *again));
    EXPECT_EQ((std::vector<std::string>{"moved 0"}), b.events);
    EXPECT_EQ(second, b.getSlotAt(0));
}

TEST_F(DockDropTest, ASlotValueThatIsNotTheDraggedSlotMovesNothing) {
    uint32_t allowed = 0;
    std::unique_ptr<afDataObjectComposite> dragged(afDock::buildDragData(slot, &allowed));
    afDragScope scope(dragged.get());
    afDataObjectScalar<afDockSlot*> foreign(L"afDockSlot", second);
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), drop(b, foreign)) << "another address";
    EXPECT_EQ(&a, second->getDock());

    a.closeSlot(slot); // closed while dragged
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), drop(b, *dragged));
    EXPECT_EQ(0, b.getSlotCount());
}

// What the handlers of a dock's other data got, and what the files' query was asked.
struct Handlers {
    afDropAction onText(afDock*, afDataObject* data, int, const afDropInfo&, uint32_t, afDropAction action) {
        dropped.push_back(static_cast<afDataObjectText*>(data)->getText());
        return action;
    }
    afDropAction onFiles(afDock*, afDataObject* data, int, const afDropInfo&, uint32_t, afDropAction) {
        dropped.push_back(static_cast<afDataObjectFiles*>(data)->getFiles().front());
        return AF_DROP_COPY;
    }
    afDropAction askFiles(afDock*, const afDropInfo&, uint32_t allowed, afDropAction proposed) {
        proposals.push_back(proposed);
        return allowed & AF_DROP_COPY ? AF_DROP_COPY : AF_DROP_NONE;
    }
    std::vector<std::wstring> dropped;
    std::vector<afDropAction> proposals;
};

// Another program's data follows the standard rule (copied unless Shift asks to move it), or the
// query its handler was given; a slot dragged by this process keeps the framework's rule.
TEST_F(DockDropTest, AHandlersQueryDecidesForItsDataAndTheRestFollowsTheStandardRule) {
    Handlers handlers;
    b.linksSlots = false;
    b.addDropHandler(new afDataObjectText, afDock::DropHandler::bind<Handlers, &Handlers::onText>(&handlers));
    b.addDropHandler(new afDataObjectFiles, afDock::DropHandler::bind<Handlers, &Handlers::onFiles>(&handlers),
                     afDock::DropQuery::bind<Handlers, &Handlers::askFiles>(&handlers));
    const DWORD copy = DROPEFFECT_COPY, move = DROPEFFECT_MOVE, all = copy | move | DROPEFFECT_LINK;
    afDataObjectText text(L"words");
    EXPECT_EQ((std::vector<DWORD>{copy, copy, copy}), drop(b, text, 0, all));
    EXPECT_EQ((std::vector<DWORD>{move, move, move}), drop(b, text, MK_SHIFT, all));
    EXPECT_EQ((std::vector<DWORD>{copy, copy, copy}), drop(b, text, 0, copy)) << "copy only";
    afDataObjectFiles files;
    files.addFile(L"C:\\a.txt");
    EXPECT_EQ((std::vector<DWORD>{copy, copy, copy}), drop(b, files, MK_SHIFT, all));
    EXPECT_EQ((std::vector<afDropAction>(3, AF_DROP_MOVE)), handlers.proposals) << "enter, over, drop";
    EXPECT_EQ((std::vector<DWORD>{DROPEFFECT_NONE, DROPEFFECT_NONE, DROPEFFECT_NONE}), drop(b, files, 0, move));
    EXPECT_EQ((std::vector<std::wstring>{L"words", L"words", L"words", L"C:\\a.txt"}), handlers.dropped);

    // A slot of this process: link for Ctrl+Shift, which another program's data never gets.
    uint32_t allowed = 0;
    std::unique_ptr<afDataObjectComposite> data(afDock::buildDragData(slot, &allowed));
    afDragScope scope(data.get());
    EXPECT_EQ(DWORD(DROPEFFECT_LINK), drop(b, *data, MK_CONTROL | MK_SHIFT, DROPEFFECT_LINK)[2]);
    EXPECT_EQ(&b, slot->getDock());
}

} // namespace
