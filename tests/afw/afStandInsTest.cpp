#include "afw/afStandIns.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

TEST(afStandInsTest, ParsesKeyCombinations) {
    const struct {
        const wchar_t* text;
        afKeyCombination expected;
    } keys[] = {{L"F4", 0x73},          {L"Ctrl+Shift+Z", 0x35A}, {L"Shift+Ctrl+Z", 0x35A}, {L"Ctrl", 0x111},
                {L"Ctrl+", 0x111},      {L"Ctrl++", 0x1BB},       {L"+", 0xBB},             {L"+X", 0},
                {L"ctrl+s", 0},         {L"Ctrl-S", 0},           {L"L-Shift", 0x2A0},      {L"R-Alt+X", 0x858},
                {L"F24", 135},          {L"Num-0", 96},           {L"Page-Down", 34},       {L"\\", 220},
                {L"", 0},               {L"Hyper+A", 0},          {L"Alt+F10", 0x479}};
    for (const auto& key : keys)
        EXPECT_EQ(key.expected, afParseKeyCombination(key.text)) << key.text;
}

struct Handler : afActionHandler {
    Handler() : afActionHandler(L"afStandInsTest") {}
};

TEST(afStandInsTest, ActionsShareIdsAndRunThroughTheirHandler) {
    const size_t before = afGetRegisteredActions().size();
    afActionContext* context = afFindOrCreateActionContext(L"afStandInsTest");
    EXPECT_EQ(context, afFindOrCreateActionContext(L"afStandInsTest"));
    EXPECT_EQ(nullptr, afFindOrCreateActionContext(L""));
    int runs = 0;
    const auto run = [&](afActionEvent& event) {
        ++runs;
        return event.action != nullptr;
    };
    afAction* open = afRegisterAction(new afAction(L"pair.28", L"beta", L"ui.editor", context, run));
    afAction* close = afRegisterAction(new afAction(L"pair.28", L"Alpha", L"ui.editor", context, run));
    afAddTabTrigger(L"", afAddKeyTrigger(afAddKeyTrigger(open, 0), afParseKeyCombination(L"Ctrl+9")));
    afAddTabTrigger(L"fn", close);
    EXPECT_EQ(1u, open->getTriggers().size());
    EXPECT_EQ(std::vector<afAction*>{open}, afFindKeyActions(0x139));
    EXPECT_EQ(std::vector<afAction*>{close}, afFindTabActions(L"fn"));

    afActionEvent event;
    EXPECT_FALSE(open->run(event)); // no handler attached yet
    {
        Handler handler;
        handler.attachActionHandler();
        EXPECT_TRUE(open->isEnabled());
        EXPECT_TRUE(open->run(event));
        EXPECT_EQ(open, event.action);
    }
    EXPECT_FALSE(close->run(event)); // the handler went
    EXPECT_EQ(1, runs);

    std::vector<afActionCandidate> candidates = {{0, 0, open, nullptr}, {0, 0, close, nullptr}};
    afSortActionsByTitle(candidates);
    EXPECT_EQ(close, candidates[0].action);

    EXPECT_EQ(open, afFindAction(L"pair.28"));
    afUnregisterAction(open);
    EXPECT_EQ(close, afFindAction(L"pair.28"));
    afUnregisterAction(close);
    EXPECT_EQ(nullptr, afFindAction(L"pair.28"));
    EXPECT_EQ(before, afGetRegisteredActions().size());
}

TEST(afStandInsTest, MenuDefinitionsBuildTheirLines) {
    Handler handler;
    handler.attachActionHandler();
    afAction* action = afRegisterAction(new afAction(L"u1", L"Action title", L"", handler.getActionContext(),
                                                     [](afActionEvent&) { return true; }));
    afAddKeyTrigger(action, afParseKeyCombination(L"F5"));
    afAddTabTrigger(L"tag", action);

    const auto node = [](bool separator, bool submenu, const wchar_t* title, const wchar_t* item,
                         std::vector<tessel::MenuDefNodePtr> children = {}) {
        auto made = std::make_shared<tessel::MenuDefNode>();
        made->isSeparator = separator;
        made->isSubmenu = submenu;
        made->isItem = item != nullptr;
        made->title = title;
        made->item = item ? item : L"";
        made->children = std::move(children);
        return made;
    };
    const auto root = node(false, true, L"", nullptr,
                           {node(false, false, L"", L"u1"), node(true, false, L"", nullptr),
                            node(false, true, L"Empty", nullptr), node(false, true, L"More", nullptr, {node(false, false, L"", L"u2")}),
                            node(false, false, L"Plain", nullptr)});
    afMenu bar(L"&Bundles");
    afMenuDef* menu = static_cast<afMenuDef*>(
        bar.addMenu(new afMenuDef(L"Web", 7, root, [](const std::wstring& id) { return L"Title of " + id; })));
    ASSERT_EQ(3u, menu->getChildren().size()); // the empty submenu and the plain node add nothing
    auto* item = static_cast<afActionMenuItem*>(menu->getChildren()[0]);
    EXPECT_EQ(L"Title of u1", item->getTitle());
    EXPECT_EQ(L"tag", item->getTabText());
    EXPECT_TRUE(item->isEnabled());
    EXPECT_EQ(1, item->execute());
    EXPECT_EQ(afMenuNode::KIND_SEPARATOR, menu->getChildren()[1]->getKind());
    const afMenu* more = static_cast<const afMenu*>(menu->getChildren()[2]);
    ASSERT_EQ(1u, more->getChildren().size());
    EXPECT_FALSE(static_cast<afMenuItem*>(more->getChildren()[0])->isEnabled()); // u2 is no action

    // An action item whose action went is disabled and runs nothing.
    afUnregisterAction(action);
    EXPECT_FALSE(item->isEnabled());
    tessel_test::LogCapture log;
    EXPECT_EQ(0, item->execute());
    EXPECT_TRUE(log.contains(L"afActionMenuItem::execute(): Command for item is NULL"));
    bar.update();
    EXPECT_EQ(3u, menu->getChildren().size());
    EXPECT_FALSE(bar.remove(item));
    EXPECT_TRUE(bar.remove(menu));
    EXPECT_TRUE(bar.isEmpty());
}

} // namespace
