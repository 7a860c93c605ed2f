// Menus mirrored into Win32 menus: command ids, line texts and states, tracking driven by keys,
// the platform view's menu messages, menu definitions, context menus and the static model.

#include "afw/core/afApp.h"
#include "afw/core/afPanic.h"
#include "afw/menu/afMenuDef.h"
#include "afw/menu/afStaticMenuModel.h"
#include "afw/support/MenuLines.h"
#include "afw/support/TestActions.h"
#include "afw/support/TestViews.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <set>

using namespace tessel_test;

namespace {

// A test window that feeds keys to a menu's modal loop, one each time it goes idle.
class MenuOwner : public afTestWindow {
public:
    bool onRawMessage(afMessage& msg) override {
        if (msg.message == WM_ENTERIDLE && msg.wParam == MSGF_MENU && !keys.empty()) {
            ::PostMessageW(reinterpret_cast<HWND>(msg.lParam), WM_KEYDOWN, keys.front(), 0);
            keys.pop_front();
        }
        return afTestWindow::onRawMessage(msg);
    }
    std::deque<WPARAM> keys;
};

tessel::MenuDefNodePtr entry(bool separator, bool submenu, const wchar_t* title, const wchar_t* item,
                             std::vector<tessel::MenuDefNodePtr> children = {}) {
    auto made = std::make_shared<tessel::MenuDefNode>();
    made->isSeparator = separator;
    made->isSubmenu = submenu;
    made->isItem = item != nullptr;
    made->title = title;
    made->item = item ? item : L"";
    made->children = std::move(children);
    return made;
}

std::wstring win32Text(const afMenu& menu, int position) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu.getHandle(), static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

MENUITEMINFOW win32Line(HMENU menu, size_t position, UINT mask) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = mask;
    EXPECT_TRUE(::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) << position;
    return info;
}

class MenuTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        registry = afApp::getActionRegistry();
        handler.reset(new CountingHandler(registry, L"MenuTest"));
        tabs.reset(new afActionInvokerTab(registry));
        afRegisterInvoker(tabs.get(), registry, AF_ACTION_KIND_TAB_TRIGGER);
    }
    void TearDown() override {
        owner.reset();
        afRemoveInvoker(registry, tabs.get());
        tabs.reset();
        handler.reset();
        afApp::shutdown();
    }
    CountedAction* action(const wchar_t* name, const wchar_t* title = nullptr, const wchar_t* context = L"") {
        return static_cast<CountedAction*>(
            afRegisterAction(registry, new CountedAction(handler->getActionContext(), name, context, title)));
    }
    std::unique_ptr<afMenu> popup() { return afMenu::createPopup(L"popup"); }
    // Shows the menu for a new owner window and feeds it the keys.
    afMenuNode* trackWith(afMenu& menu, std::initializer_list<WPARAM> keys) {
        if (!owner)
            owner = openWindow<MenuOwner>(afRect(100, 100, 300, 200));
        owner->keys.assign(keys);
        parkPointerForMenu();
        return menu.track(owner.get(), 120, 120, false);
    }

    afActionRegistry* registry = nullptr;
    std::unique_ptr<CountingHandler> handler;
    std::unique_ptr<afActionInvokerTab> tabs;
    std::unique_ptr<MenuOwner> owner;
};

TEST_F(MenuTest, IdsAreReusedAndSubmenusTakeIdsFromTheirTree) {
    auto menu = popup();
    afMenuItem* a = menu->addItem(new afMenuItem(L"a"));
    afMenuItem* b = menu->addItem(new afMenuItem(L"b"));
    EXPECT_EQ(1, a->getId());
    EXPECT_EQ(2, b->getId());
    ASSERT_TRUE(menu->remove(a));
    EXPECT_EQ(1, menu->addItem(new afMenuItem(L"c"))->getId()) << "the freed id comes back";

    // One submenu filled before it is attached, one after: no id is taken twice, and each id
    // finds its own line.
    auto before = afMenu::createPopup(L"before");
    afMenuItem* early = before->addItem(new afMenuItem(L"early"));
    afMenu* attached = menu->addMenu(before.release());
    afMenu* after = menu->addMenu(afMenu::createPopup(L"after").release());
    afMenuItem* late = after->addItem(new afMenuItem(L"late"));
    EXPECT_EQ(0, attached->getId());
    EXPECT_EQ(3, early->getId());
    EXPECT_EQ(4, late->getId());
    for (afMenuItem* item : {early, late, b})
        EXPECT_EQ(item, menu->findNode(item->getId()));
    EXPECT_EQ(3u, win32Line(attached->getHandle(), 0, MIIM_ID).wID) << "the Win32 line follows the new id";

    // Removing a submenu gives back its lines' ids, never the submenu's 0.
    ASSERT_TRUE(menu->remove(attached));
    EXPECT_EQ(nullptr, menu->findNode(3));
    EXPECT_EQ(3, menu->addItem(new afMenuItem(L"d"))->getId());
    EXPECT_EQ(5, menu->addItem(new afMenuItem(L"e"))->getId());

    LogCapture log;
    afMenuItem stranger(L"x");
    EXPECT_FALSE(menu->remove(&stranger));
    EXPECT_TRUE(log.contains(L"afMenu::remove(): Unable to find node being deleted.\n"));
}

// Random adds, attachments, removals and clears over three levels; after each step the ids and
// the Win32 lines agree with the tree.
TEST_F(MenuTest, RandomEditsKeepIdsUniqueAndWin32LinesInStep) {
    auto root = popup();
    std::mt19937 random(45);
    std::set<uint16_t> everGiven;
    const auto menusOf = [](afMenu* top) {
        std::vector<std::pair<afMenu*, int>> menus{{top, 0}};
        for (size_t i = 0; i < menus.size(); ++i)
            for (afMenuNode* child : menus[i].first->getChildren())
                if (child->getKind() == afMenuNode::KIND_MENU)
                    menus.push_back({static_cast<afMenu*>(child), menus[i].second + 1});
        return menus;
    };
    for (int step = 0; step < 1000; ++step) {
        const auto menus = menusOf(root.get());
        const auto& target = menus[random() % menus.size()];
        const int op = random() % 10;
        if (op < 4) {
            target.first->addItem(new afMenuItem(L"i"));
        } else if (op == 4) {
            target.first->addSeparator();
        } else if (op == 5 && target.second < 2) {
            auto sub = afMenu::createPopup(L"s");
            for (unsigned n = random() % 3; n > 0; --n)
                sub->addItem(new afMenuItem(L"pre"));
            target.first->addMenu(sub.release());
        } else if (op < 9 && !target.first->isEmpty()) {
            target.first->remove(target.first->getChildren()[random() % target.first->getChildren().size()]);
        } else if (op == 9 && random() % 4 == 0) {
            target.first->clear();
        }
        std::set<uint16_t> live;
        for (const auto& menu : menusOf(root.get())) {
            ASSERT_EQ(static_cast<int>(menu.first->getChildren().size()), ::GetMenuItemCount(menu.first->getHandle()));
            for (size_t i = 0; i < menu.first->getChildren().size(); ++i) {
                afMenuNode* node = menu.first->getChildren()[i];
                const MENUITEMINFOW info = win32Line(menu.first->getHandle(), i, MIIM_ID | MIIM_DATA);
                ASSERT_EQ(node->getId(), info.wID) << "step " << step;
                ASSERT_EQ(reinterpret_cast<ULONG_PTR>(node), info.dwItemData) << "step " << step;
                if (node->getKind() == afMenuNode::KIND_MENU) {
                    ASSERT_EQ(0, node->getId());
                    continue;
                }
                ASSERT_NE(0, node->getId()) << "step " << step;
                ASSERT_TRUE(live.insert(node->getId()).second) << "id " << node->getId() << " twice, step " << step;
                ASSERT_EQ(node, root->findNode(node->getId()));
            }
        }
        everGiven.insert(live.begin(), live.end());
        for (uint16_t id : everGiven) {
            if (!live.count(id)) {
                ASSERT_EQ(nullptr, root->findNode(id)) << "freed id " << id << " still mapped, step " << step;
            }
        }
    }
}

TEST_F(MenuTest, LinesShowTheActionsTitlesTriggersAndStates) {
    CountedAction* both = action(L"t.both", L"Title");
    afAddTabTrigger(L"fn", tabs.get(), both);
    afAddKeyTriggerText(afApp::getKeyInvoker(), both, L"Ctrl+K", true);
    CountedAction* keyOnly = action(L"t.key", L"Title");
    afAddKeyTriggerText(afApp::getKeyInvoker(), keyOnly, L"Ctrl+K", true);
    auto menu = popup();
    afActionMenuItem* first = static_cast<afActionMenuItem*>(menu->addItem(new afActionMenuItem(L"", L"t.both")));
    menu->addItem(new afActionMenuItem(L"", keyOnly));
    afMenuItem* missing = menu->addItem(new afActionMenuItem(L"Gone", L"t.missing"));
    afMenuItem* gated = menu->addItem(new afActionMenuItem(L"Gated", L"t.key"));
    gated->setEnabledDelegate(afMenuItem::alwaysFalse());
    EXPECT_EQ(L"Title\tfn", win32Text(*menu, 0));
    EXPECT_EQ(L"Title\tCtrl+K", win32Text(*menu, 1));
    gated->setTitle(L"Renamed");
    EXPECT_EQ(L"Renamed\tCtrl+K", win32Text(*menu, 3)) << "a title set through the node reaches the Win32 line";
    gated->setTitle(L"Gated");
    menu->update();
    EXPECT_EQ(L"Title|Title|[Gone]|[Gated]", linesOf(*menu));
    handler->enabled = false;
    menu->updateItems();
    EXPECT_EQ(L"[Title]|[Title]|[Gone]|[Gated]", linesOf(*menu));

    LogCapture log;
    EXPECT_EQ(0, missing->execute(nullptr));
    EXPECT_TRUE(log.contains(L"afActionMenuItem::execute(): Command for item is NULL\n"));
    auto contexts = contextPath({L"ui.a"});
    handler->step = [&](afActionEvent& event) {
        EXPECT_EQ(contexts.get(), event.contexts);
        EXPECT_EQ(first, static_cast<afActionEventMenuItemActivated&>(event).item);
    };
    EXPECT_EQ(1, first->execute(contexts.get()));
    ASSERT_EQ(1u, handler->kinds.size());
    EXPECT_EQ(AF_EVENT_MENU_ITEM_ACTIVATED, handler->kinds[0]);

    // Actions unregistered after a refresh (a bundle reload in the menu's loop): both kinds of
    // item read disabled and run nothing.
    afUnregisterAction(registry, both);
    afUnregisterAction(registry, keyOnly);
    for (int i : {0, 1}) {
        auto* item = static_cast<afMenuItem*>(menu->getChildren()[i]);
        EXPECT_FALSE(item->isEnabled());
        EXPECT_EQ(0, item->execute(nullptr));
        EXPECT_EQ(L"", item->getKeyText());
    }
    EXPECT_EQ(1u, handler->ran.size());
}

TEST_F(MenuTest, TrackReturnsTheLineChosenWithKeys) {
    auto menu = popup();
    menu->addItem(new afMenuItem(L"one"));
    afMenuItem* two = menu->addItem(new afMenuItem(L"two"));
    afMenu* sub = menu->addMenu(afMenu::createPopup(L"sub").release());
    afMenuItem* inner = sub->addItem(new afMenuItem(L"inner"));
    EXPECT_EQ(nullptr, menu->track(nullptr, 0, 0, false));
    EXPECT_EQ(two, trackWith(*menu, {VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(inner, trackWith(*menu, {VK_UP, VK_RIGHT, VK_RETURN}));
    EXPECT_EQ(nullptr, trackWith(*menu, {VK_ESCAPE}));
}

TEST_F(MenuTest, ThePlatformViewRunsMenuMessages) {
    CountedAction* run = action(L"t.run", L"Run");
    auto window = openWindow(afRect(0, 0, 200, 100));
    auto bar = afMenuBar::createMenuBar();
    afMenu* file = bar->addMenu(afMenu::createPopup(L"&File").release());
    file->addItem(new afActionMenuItem(L"", run));
    HWND handle = window->getHandle();
    EXPECT_EQ(1, ::SendMessageW(handle, WM_MENUCOMMAND, 0, reinterpret_cast<LPARAM>(file->getHandle())));
    ASSERT_EQ(1u, handler->kinds.size());
    EXPECT_EQ(AF_EVENT_MENU_ITEM_ACTIVATED, handler->kinds[0]);

    LogCapture log;
    ::SendMessageW(handle, WM_MENUCOMMAND, 0, reinterpret_cast<LPARAM>(bar->getHandle()));
    ::SendMessageW(handle, WM_MENUCOMMAND, 7, reinterpret_cast<LPARAM>(bar->getHandle()));
    EXPECT_TRUE(log.contains(L"afWidget::onMenuCommand(): Node identified as submenu. Command not found.\n"));
    EXPECT_TRUE(log.contains(L"afWidget::onMenuCommand(): Get node call failed.\n"));
    EXPECT_EQ(1u, handler->kinds.size());

    handler->enabled = false;
    EXPECT_EQ(0, ::SendMessageW(handle, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file->getHandle()), 0));
    EXPECT_FALSE(win32Enabled(*file, 0)) << "the popup refreshed its lines";
}

TEST_F(MenuTest, ABuilderFillsTheMenuAnewEachTimeItOpens) {
    auto window = openWindow(afRect(0, 0, 200, 100));
    auto bar = afMenuBar::createMenuBar();
    afMenu* popup = bar->addMenu(afMenu::createPopup(L"&List").release());
    int opened = 0;
    popup->setBuilder([&](afMenu& menu) {
        menu.clear();
        ++opened;
        for (int line = 0; line < opened; ++line)
            menu.addItem(new afMenuItem(L"line " + std::to_wstring(line)));
        // A line that the refresh after the builder disables.
        menu.addItem(new afMenuItem(L"off"))->setEnabledDelegate(afMenuItem::alwaysFalse());
    });
    for (int opening = 1; opening <= 3; ++opening) {
        EXPECT_EQ(0, ::SendMessageW(window->getHandle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup->getHandle()), 0));
        ASSERT_EQ(opening + 1, ::GetMenuItemCount(popup->getHandle()));
        EXPECT_EQ(L"line " + std::to_wstring(opening - 1) + L"\t", win32Text(*popup, opening - 1));
        EXPECT_FALSE(win32Enabled(*popup, opening));
    }
    // The builder may let go of itself while it runs.
    popup->setBuilder([&](afMenu& menu) {
        menu.setBuilder(nullptr);
        menu.clear();
    });
    popup->prepareToShow();
    popup->prepareToShow();
    EXPECT_TRUE(popup->isEmpty());
}

TEST_F(MenuTest, DefinitionsRebuildFromTheRegistryEachTime) {
    CountedAction* on = action(L"u.on", L"On");
    CountedAction* later = nullptr;
    const auto root = entry(false, true, L"", nullptr,
                            {entry(true, false, L"", nullptr), entry(false, true, L"Empty", nullptr),
                             entry(false, false, L"", L"u.on"), entry(false, false, L"Off", L"u.off"),
                             entry(false, true, L"Nested", nullptr, {entry(false, false, L"", L"u.on")}),
                             entry(false, false, L"Plain", nullptr)});
    auto menu = afMenuDef::createDef(L"Def", 7, root);
    menu->update();
    EXPECT_EQ(L"-|On|[Off]|Nested{On}", linesOf(*menu));
    menu->update();
    EXPECT_EQ(L"-|On|[Off]|Nested{On}", linesOf(*menu)) << "a refresh does not enable the missing action";
    handler->enabled = false;
    menu->update();
    EXPECT_EQ(L"-|[On]|[Off]|Nested{[On]}", linesOf(*menu));
    handler->enabled = true;
    later = action(L"u.off", L"Later");
    EXPECT_NE(nullptr, trackWith(*menu, {VK_DOWN, VK_RETURN}));
    EXPECT_EQ(L"-|On|Off|Nested{On}", linesOf(*menu)) << "the action registered since shows";
    EXPECT_EQ(later, static_cast<afActionMenuItem*>(menu->getChildren()[2])->getAction());
    for (int i = 0; i < 100; ++i)
        menu->update();
    uint16_t highest = 0;
    for (afMenuNode* node : menu->getChildren())
        highest = std::max(highest, node->getId());
    EXPECT_EQ(3, highest) << "ids do not grow over rebuilds";

    // Actions that leave or come back between refreshes: their lines go, come back, and a line
    // that stays takes the new action's title into its Win32 text too.
    const auto win32Text = [&](UINT position) {
        wchar_t text[64] = {};
        ::GetMenuStringW(menu->getHandle(), position, text, 64, MF_BYPOSITION);
        return std::wstring(text);
    };
    afUnregisterAction(registry, on);
    menu->update();
    EXPECT_EQ(L"-|Off|Nested{}", linesOf(*menu));
    on = action(L"u.on", L"Back");
    menu->update();
    EXPECT_EQ(L"-|Back|Off|Nested{Back}", linesOf(*menu));
    afUnregisterAction(registry, on);
    action(L"u.on", L"Again");
    menu->update();
    EXPECT_EQ(L"-|Again|Off|Nested{Again}", linesOf(*menu));
    EXPECT_EQ(L"Again\t", win32Text(1));

    // Bundle lines name their items by UUID: a registered action titles its line, an id known
    // only to the title source shows disabled under that title, an unknown id shows nothing.
    action(L"0a-1", L"Snippet");
    const auto bundle = entry(false, true, L"", nullptr,
                              {entry(false, false, L"", L"0a-1"), entry(false, false, L"", L"0a-2"),
                               entry(false, false, L"", L"0a-3")});
    auto bundleMenu = afMenuDef::createDef(L"Web", 0, bundle, [](const std::wstring& id) {
        return id == L"0a-2" ? std::wstring(L"Disabled item") : std::wstring();
    });
    bundleMenu->update();
    EXPECT_EQ(L"Snippet|[Disabled item]", linesOf(*bundleMenu));
}

TEST_F(MenuTest, ContextMenusAskTheMatchingActionsHighestRankFirst) {
    auto contexts = contextPath({L"ui.editor"});
    EXPECT_TRUE(afBuildContextMenu(*contexts, registry)->isEmpty());
    std::vector<std::wstring> order;
    handler->step = [&](afActionEvent& event) {
        auto& activated = static_cast<afActionEventMenuActivated&>(event);
        EXPECT_EQ(contexts.get(), event.contexts);
        order.push_back(event.action->getName());
        activated.menu->addItem(new afActionMenuItem(L"", event.action));
    };
    action(L"c.low", L"Low", L"ui");
    action(L"c.high", L"High", L"ui.editor");
    action(L"c.tie", L"Tie", L"ui");
    action(L"c.other", L"Other", L"ui.find");
    afRegisterAction(registry, new CountedAction(afFindOrCreateActionContext(L"Detached", registry), L"c.none", L"ui"));
    auto menu = afBuildContextMenu(*contexts, registry);
    EXPECT_EQ((std::vector<std::wstring>{L"c.high", L"c.low", L"c.tie"}), order);
    EXPECT_EQ(L"High|Low|Tie", linesOf(*menu));
    EXPECT_EQ(AF_EVENT_MENU_ACTIVATED, handler->kinds[0]);
}

TEST_F(MenuTest, AFailingInsertPanicsWithTheTextAndMethod) {
    static std::wstring panicked;
    const afPanicHandler previous = afSetPanicHandler([](const wchar_t* text) {
        panicked = text;
        throw std::runtime_error("panic");
    });
    auto menu = popup();
    ::DestroyMenu(menu->getHandle());
    EXPECT_THROW(menu->addItem(new afMenuItem(L"x")), std::runtime_error);
    EXPECT_EQ(L"afMenu::addItem(): InsertMenuItem failed. Cannot create item.", panicked);
    EXPECT_THROW(menu->addSeparator(), std::runtime_error);
    EXPECT_EQ(L"afMenu::addSeparator(): InsertMenuItem failed. Cannot create separator.", panicked);
    afSetPanicHandler(previous);
}

// The static model's insertion rule, handing items back and deleting the rest with itself.
TEST(StaticMenuModel, InsertsRemovesAndDeletesItsItems) {
    static int deleted = 0;
    struct Counted : afStaticMenuModelItem {
        explicit Counted(const wchar_t* title) : afStaticMenuModelItem(title) {}
        ~Counted() override { ++deleted; }
    };
    std::unique_ptr<Counted> out;
    {
        afStaticMenuModel model;
        auto* a = model.add(new Counted(L"a"));
        auto* b = model.add(new Counted(L"b"));
        auto* c = model.insert(new Counted(L"c"), 0);
        auto* d = model.insert(new Counted(L"d"), 1);
        model.insert(a, 2);
        const std::vector<afStaticMenuModelItem*> expected{a, d, b, c};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(expected[i], model.getItem(i)) << i;
        EXPECT_EQ(nullptr, model.getItem(-1));
        EXPECT_EQ(nullptr, model.getItem(4));
        afStaticMenuModelItem absent(L"x");
        EXPECT_EQ(0, model.indexOf(&absent));
        EXPECT_EQ(3, model.indexOf(c));
        out.reset(static_cast<Counted*>(model.remove(1)));
        EXPECT_EQ(d, out.get());
        EXPECT_EQ(nullptr, model.remove(3));
        EXPECT_TRUE(a->isEnabled());
        EXPECT_FALSE(a->getState());
        a->setChecked(true);
        EXPECT_TRUE(a->isChecked());
        a->setCheckedDelegate(afStaticMenuModelItem::StateDelegate::fromFunction(
            nullptr, [](void*, afStaticMenuModelItem& item) { return item.getTitle() == L"b"; }));
        EXPECT_FALSE(a->isChecked());
        deleted = 0;
    }
    EXPECT_EQ(3, deleted) << "the model deletes what it still holds";
}

} // namespace
