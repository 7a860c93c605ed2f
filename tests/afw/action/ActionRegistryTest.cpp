#include "afw/action/afActionFilterData.h"
#include "afw/action/afActionRegistry.h"

#include "afw/support/TestActions.h"
#include "pel/base/Exception.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

TEST(ActionRegistryTest, IdsSlotsAndInvokersFollowTheirRules) {
    ActionWorld world;
    afActionRegistry& registry = world.registry;
    afAction* first = world.add(L"document.context.char_pair.2829", L"ui.editor");
    afAction* second = world.add(L"document.context.char_pair.2829", L"ui.editor");
    afAction* third = world.add(L"document.context.char_pair.2829", L"ui.editor");
    EXPECT_EQ(first, afFindAction(L"document.context.char_pair.2829", &registry)) << "the first registered";
    afUnregisterAction(&registry, second);
    EXPECT_EQ(first, afFindAction(L"document.context.char_pair.2829", &registry)) << "the entry was the first's";
    afUnregisterAction(&registry, first);
    EXPECT_EQ(third, afFindAction(L"document.context.char_pair.2829", &registry)) << "passed to the one left";
    EXPECT_EQ(nullptr, afFindAction(L"", &registry));

    // An action never registered is left alone; a second registration changes nothing.
    CountedAction stray(world.handler.getActionContext(), L"stray", L"");
    afUnregisterAction(&registry, &stray);
    afRegisterAction(&registry, third);
    EXPECT_EQ(1u, registry.getActions().size());
    EXPECT_THROW(afRegisterAction(&registry, nullptr), pel::NullPointerException);

    EXPECT_EQ(afFindOrCreateActionContext(L"TestHandler", &registry), world.handler.getActionContext());
    EXPECT_EQ(nullptr, afFindOrCreateActionContext(L"", &registry));
    afActionInvokerTab other(&registry);
    afRegisterInvoker(&other, &registry, AF_ACTION_KIND_TAB_TRIGGER);
    EXPECT_EQ(&world.tabs, afFindInvoker(&registry, AF_ACTION_KIND_TAB_TRIGGER)) << "the first invoker stays";
    afRemoveInvoker(&registry, &world.keys);
    EXPECT_EQ(nullptr, afFindInvoker(&registry, AF_ACTION_KIND_SHORTCUT));
    EXPECT_EQ(nullptr, afFindInvoker(&registry, AF_ACTION_KIND_CHARACTER)) << "gone under both its kinds";
    EXPECT_EQ(nullptr, afFindKeyInvoker(&registry));
    EXPECT_EQ(&world.tabs, afFindTabInvoker(&registry));
    afRegisterInvoker(&world.keys, &registry, AF_ACTION_KIND_SHORTCUT);
    afRegisterInvoker(&world.keys, &registry, AF_ACTION_KIND_CHARACTER);

    EXPECT_THROW(world.add(L"bad", L"ui.editor ("), pel::Exception)
        << "the selector's exception leaves the constructor";
}

TEST(ActionRegistryTest, RunsReachTheHandlerAttachedAtTheTimeOfTheCall) {
    afActionRegistry registry;
    afActionContext* slot = afFindOrCreateActionContext(L"Commands", &registry);
    afAction* action = afRegisterAction(&registry, new CountedAction(slot, L"edit.redo", L"ui.editor"));
    afActionEvent event;
    EXPECT_FALSE(action->isEnabled()) << "no handler serves the slot";
    EXPECT_FALSE(action->run(event));
    {
        CountingHandler older(&registry, L"Commands");
        CountingHandler newer(&registry, L"Commands");
        EXPECT_TRUE(action->run(event));
        EXPECT_EQ(1u, newer.ran.size()) << "the last attached serves";
        older.attachActionHandler();
        older.enabled = false;
        EXPECT_FALSE(action->isEnabled());
        EXPECT_TRUE(action->run(event));
        EXPECT_EQ(1u, older.ran.size());
        EXPECT_EQ(slot->object, &older) << "the newer one leaves the slot alone: it no longer serves";
    }
    EXPECT_EQ(nullptr, slot->object);
    EXPECT_FALSE(action->run(event));
}

TEST(ActionRegistryTest, UnregisteringDeletesTheTriggersThroughTheirInvokers) {
    const size_t liveBefore = afActionTrigger::getLiveCount();
    deletedActions().clear();
    {
        ActionWorld world;
        afAction* action = world.add(L"edit.redo", L"ui.editor");
        afAddKeyTriggerText(&world.keys, action, L"Ctrl+Y", true);
        afAddKeyTriggerText(&world.keys, action, L"Ctrl+Shift+Z", true);
        afAddKeyTriggerText(&world.keys, action, L"Ctrl-Q", true); // not parsed: nothing bound
        afAddCharTrigger(L'(', &world.keys, action);
        afAddTabTrigger(L"redo", &world.tabs, action);
        afAddTabTrigger(L"", &world.tabs, action);
        afAddKeyTrigger(nullptr, action, 0x153, true);
        ASSERT_EQ(4u, action->getTriggers().size());
        EXPECT_EQ(std::wstring(L"Ctrl+Y"), action->findTrigger(AF_ACTION_KIND_SHORTCUT)->getText());
        EXPECT_EQ(std::wstring(L"redo"), action->findTrigger(AF_ACTION_KIND_TAB_TRIGGER)->getText());
        EXPECT_EQ(liveBefore + 4, afActionTrigger::getLiveCount());

        world.add(L"kept", L"");
        afAddKeyTriggerText(&world.keys, world.add(L"kept.too", L"ui.editor"), L"F4", true);
        afUnregisterAction(&world.registry, action);
        EXPECT_EQ(1, deletedActions()[L"edit.redo"]);
        EXPECT_EQ(liveBefore + 1, afActionTrigger::getLiveCount());
        EXPECT_EQ(1u, world.keys.getShortcuts().size());
        EXPECT_TRUE(world.keys.getCharacters().empty());
        EXPECT_TRUE(world.tabs.getTriggers().empty());
    }
    EXPECT_EQ(1, deletedActions()[L"kept"]) << "the registry deletes what it still holds";
    EXPECT_EQ(1, deletedActions()[L"kept.too"]);
    EXPECT_EQ(liveBefore, afActionTrigger::getLiveCount());
}

TEST(ActionRegistryTest, CollectsAnchoredAndSortsByTitle) {
    ActionWorld world;
    world.add(L"a", L"ui.editor", L"beta");
    world.add(L"b", L"", L"Alpha");          // never listed anchored
    world.add(L"c", L"ui.window", L"alpha"); // not the innermost segment
    world.add(L"d", L"ui.editor", L"ALPHA");
    world.add(L"e", L"ui.editor", L"Beta");
    std::vector<afActionCandidate> list;
    auto path = contextPath({L"ui.editor", L"ui.window"});
    ASSERT_EQ(3u, afCollectActions(&world.registry, list, *path));
    afSortActionsByTitle(list);
    std::vector<std::wstring> names;
    for (const afActionCandidate& candidate : list)
        names.push_back(candidate.action->getName());
    EXPECT_EQ((std::vector<std::wstring>{L"d", L"a", L"e"}), names) << "case ignored, equal titles stay in order";

    afAddKeyTriggerText(&world.keys, list[0].action, L"Ctrl+Shift+A", true);
    afActionFilterData data(list);
    data.setWeight(100, true);
    std::vector<std::wstring> rows;
    for (FilterData::Row row = data.first(); row; row = data.next())
        for (size_t column = 0; column < 5; ++column) {
            size_t length = 99;
            const wchar_t* text = data.getColumnText(row, column, &length);
            rows.push_back(std::wstring(text, length));
        }
    EXPECT_EQ((std::vector<std::wstring>{L"ALPHA", L"", L"Ctrl+Shift+A", L"", L"", L"beta", L"", L"", L"", L"", L"Beta",
                                         L"", L"", L"", L""}),
              rows);
    std::vector<afActionCandidate> later(list.begin() + 1, list.end());
    afActionFilterData second(later);
    second.setWeight(50, true);
    EXPECT_EQ(1, data.compare(second, false));
    EXPECT_EQ(-1, data.compare(second, true)) << "\"ALPHA\" before \"beta\"";
    EXPECT_EQ(list[1].action, afActionFilterData::candidateOf(second.first()).action);
}

} // namespace
