#include "afw/afStandIns.h"

#include "afw/afActionInvoker.h"
#include "afw/afActionRegistry.h"
#include "afw/afApp.h"
#include "afw/support/TestViews.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

struct Handler : afActionHandler {
    Handler() : afActionHandler(afApp::getActionRegistry(), L"afStandInsTest") {}
};

// The application's action registry, which action items look their ids up in.
class afStandInsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(afApp::init(new tessel_test::BareApp, ::GetModuleHandleW(nullptr))); }
    void TearDown() override { afApp::shutdown(); }
};

TEST_F(afStandInsTest, MenuDefinitionsBuildTheirLines) {
    afActionRegistry* registry = afApp::getActionRegistry();
    afActionInvokerTab tabs(registry);
    afRegisterInvoker(&tabs, registry, AF_ACTION_KIND_TAB_TRIGGER);
    Handler handler;
    handler.attachActionHandler();
    afAction* action = afRegisterAction(registry, new afActionSystem(L"Action title", handler.getActionContext(), L"u1",
                                                                     L"", [](afActionHandler&, afActionEvent& event) {
                                                                         return event.kind == AF_EVENT_MENU_ITEM;
                                                                     }));
    afAddKeyTriggerText(afApp::getKeyInvoker(), action, L"F5", true);
    afAddTabTrigger(L"tag", &tabs, action);

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
    EXPECT_EQ(L"F5", item->getKeyText());
    EXPECT_TRUE(item->isEnabled());
    EXPECT_EQ(1, item->execute());
    EXPECT_EQ(afMenuNode::KIND_SEPARATOR, menu->getChildren()[1]->getKind());
    const afMenu* more = static_cast<const afMenu*>(menu->getChildren()[2]);
    ASSERT_EQ(1u, more->getChildren().size());
    EXPECT_FALSE(static_cast<afMenuItem*>(more->getChildren()[0])->isEnabled()); // u2 is no action

    // An action item whose action went is disabled and runs nothing.
    afUnregisterAction(registry, action);
    EXPECT_FALSE(item->isEnabled());
    tessel_test::LogCapture log;
    EXPECT_EQ(0, item->execute());
    EXPECT_TRUE(log.contains(L"afActionMenuItem::execute(): Command for item is NULL"));
    bar.update();
    EXPECT_EQ(3u, menu->getChildren().size());
    EXPECT_FALSE(bar.remove(item));
    EXPECT_TRUE(bar.remove(menu));
    EXPECT_TRUE(bar.isEmpty());
    afRemoveInvoker(registry, &tabs);
}

} // namespace
