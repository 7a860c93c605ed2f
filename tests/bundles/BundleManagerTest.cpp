#include "bundles/BundleManager.h"

#include "bundles/ToolStripStatus.h"

#include "afw/graphics/afStockResources.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/dialog/afQuestion.h"
#include "afw/window/afWindow.h"
#include "bundles/ui/BundleEditor.h"
#include "bundles/ui/BundleEntryEditor.h"
#include "service/parser/base/ScopePath.h"

#include "service/bundles/Bundle.h"
#include "service/bundles/BundleItem.h"

#include "FakeEntryText.h"
#include "ManagerFixture.h"
#include "afw/support/MenuLines.h"
#include "support/LogCapture.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

using namespace tessel;
using tessel_test::BundleTree;
using tessel_test::CountingManager;
using tessel_test::LogCapture;
using tessel_test::thrown;
using tessel_test::uuidText;

namespace {

using T = BundleEntryTraits;
const std::wstring B1 = uuidText(1, 1), B2 = uuidText(1, 2);
std::wstring G(uint32_t n) { return uuidText(2, n); }
pel::UUID uuid(const std::wstring& text) { return pel::UUID::fromString(text); }

// Bundle "Web" (grammars HTML and CSS, a snippet), bundle "Alpha" (a theme), in the root layer.
void putTwoBundles() {
    BundleTree::putBundle(1, L"Web", B1);
    BundleTree::putEntry(1, L"Web", B1, T::grammar(), L"HTML", G(1));
    BundleTree::putEntry(1, L"Web", B1, T::grammar(), L"CSS", G(2));
    BundleTree::putEntry(1, L"Web", B1, T::snippet(), L"Tag", G(3));
    BundleTree::putBundle(1, L"alpha", B2);
    BundleTree::putEntry(1, L"alpha", B2, T::theme(), L"Dark", G(4));
}

using tessel_test::linesOf;

class BundleManagerTest : public tessel_test::ManagerFixture {};

TEST_F(BundleManagerTest, RegistersTypesRanksThemAndBracketsUpdates) {
    setUp();
    const auto second = std::make_shared<CountingManager>(T::grammar());
    EXPECT_FALSE(manager->registerEntryType(second));
    EXPECT_EQ(&grammars(), manager->findEntryManager(BUNDLE_TYPE_GRAMMAR));
    EXPECT_EQ(&T::grammar(), manager->findEntryType(BUNDLE_TYPE_GRAMMAR));
    std::vector<const BundleEntryTraits*> listed;
    manager->getItemTypes(listed);
    EXPECT_EQ((std::vector<const BundleEntryTraits*>{&T::bundle(), &T::grammar(), &T::snippet(), &T::theme(),
                                                      &T::preferences()}),
              listed);

    const struct {
        uint32_t a, b;
        int expected;
    } ranks[] = {{BUNDLE_TYPE_GRAMMAR, BUNDLE_TYPE_THEME, -1},  {BUNDLE_TYPE_PREFERENCES, BUNDLE_TYPE_SNIPPET, 1},
                 {BUNDLE_TYPE_BUNDLE, BUNDLE_TYPE_GRAMMAR, -1}, {BUNDLE_TYPE_THEME, BUNDLE_TYPE_SNIPPET, -1},
                 {BUNDLE_TYPE_SNIPPET, BUNDLE_TYPE_SNIPPET, 0}, {7, 7, 0}};
    for (const auto& rank : ranks)
        EXPECT_EQ(rank.expected, BundleManager::compareTypes(rank.a, rank.b)) << std::hex << rank.a << " " << rank.b;
    EXPECT_EQ(L"Invalid bundle entry type to rank.", thrown([] { BundleManager::compareTypes(BUNDLE_TYPE_THEME, 7); }));

    int begins = 0, ends = 0;
    manager->onUpdateBegin.add(this, [&] { ++begins; });
    manager->onUpdateEnd.add(this, [&] { ++ends; });
    for (int i = 0; i < 10; ++i)
        manager->beginUpdate();
    for (int i = 0; i < 10; ++i)
        manager->endUpdate();
    EXPECT_EQ(1, begins);
    EXPECT_EQ(1, ends);
    EXPECT_EQ(L"Unbalanced update end.", thrown([&] { manager->endUpdate(); }));
    EXPECT_EQ(0, manager->getUpdateCount());
}

TEST_F(BundleManagerTest, LoadsTheLayersAndInstallsBundlesFirst) {
    putTwoBundles();
    setUp();
    const std::unique_ptr<afMenu> menu = afMenu::createPopup(L"&Bundles");
    std::vector<uint32_t> installOrder;
    manager->onBundleInstalled.add(this, [&](Bundle&) { installOrder.push_back(BUNDLE_TYPE_BUNDLE); });
    bool cancelled = true;
    manager->onLoadFinished.add(this, [&](bool wasCancelled) { cancelled = wasCancelled; });
    LogCapture log;
    ASSERT_TRUE(manager->load());
    manager->populateMenu(*menu);
    EXPECT_EQ(L"&Bundle Editor|[&Reload Bundles]|-|[Loading...]", linesOf(*menu));
    ASSERT_EQ(1u, ToolStripStatus::getActivities().size());
    EXPECT_EQ(L"Loading bundles...", ToolStripStatus::getActivities()[0].second);
    EXPECT_EQ(ToolStripStatus::getActivities()[0].first, manager->getActivity());
    EXPECT_TRUE(manager->load()); // one runs already
    loadAll();

    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(ToolStripStatus::getActivities().empty());
    EXPECT_EQ(0u, manager->getActivity());
    EXPECT_TRUE(log.contains(L"Binary cache not found."));
    EXPECT_TRUE(log.contains(L"There was an error while restoring from the cache. Reloading with full scan."));
    EXPECT_EQ(6u, manager->getInstalled().size());
    EXPECT_EQ(2, grammars().installs);
    EXPECT_EQ(1, snippets().installs);
    EXPECT_EQ(std::vector<uint32_t>(2, BUNDLE_TYPE_BUNDLE), installOrder);
    Bundle* web = manager->findBundle(uuid(B1));
    ASSERT_TRUE(web);
    EXPECT_EQ(3u, web->getItems().size());
    EXPECT_EQ(2u, manager->getEntriesOfType(BUNDLE_TYPE_GRAMMAR).size());
    EXPECT_EQ(nullptr, manager->findBundle(uuid(G(1))));
    EXPECT_EQ(BUNDLE_TYPE_GRAMMAR, manager->findEntry(uuid(G(1)))->getTypeId());
    EXPECT_EQ(&BundleEntrySourceEditor::create, manager->getEditorFactory(web));
    EXPECT_EQ(nullptr, manager->getEditorFactory(manager->findEntry(uuid(G(1)))));
    ASSERT_TRUE(afGetIcon(BUNDLE_TYPE_BUNDLE));
    EXPECT_EQ(16, afGetIcon(BUNDLE_TYPE_BUNDLE)->getSize());

    // Bundles by title, ignoring case; a bundle whose generated menu is empty (themes only)
    // has no submenu; lines are titled by their items.
    manager->populateMenu(*menu);
    EXPECT_EQ(L"&Bundle Editor|&Reload Bundles|-|Web{CSS|HTML|-|Tag}", linesOf(*menu));
    const afMenuDef& webMenu = static_cast<const afMenuDef&>(*menu->getChildren().back());
    EXPECT_EQ(BUNDLE_TYPE_BUNDLE, webMenu.getIcon());
    EXPECT_EQ(L"Toggle Bundles Editor", afFindAction(L"bundles.editor", afApp::getActionRegistry())->getTitle());
    EXPECT_EQ(1, static_cast<afMenuItem*>(webMenu.getChildren()[0])->execute(nullptr));

    // An edit of an installed entry reaches its type's manager.
    manager->findEntry(uuid(G(1)))->setTitle(L"HTML5");
    EXPECT_EQ(1, grammars().changes);
}

TEST_F(BundleManagerTest, ACacheFileIsDroppedAndEmptyLayersShowNoBundles) {
    setUp();
    pel::File* cache = pel::FileIO::openFile(BundleManager::CACHE_PATH, pel::FILE_MODE_WRITE);
    ASSERT_TRUE(cache);
    cache->write("\x01\x02\x03\x04", 4);
    pel::FileIO::closeFile(cache);
    LogCapture log;
    loadAll();
    EXPECT_FALSE(log.contains(L"Binary cache not found."));
    EXPECT_TRUE(log.contains(L"There was an error while restoring from the cache. Reloading with full scan."));
    EXPECT_FALSE(pel::FileIO::isFile(BundleManager::CACHE_PATH));
    const std::unique_ptr<afMenu> menu = afMenu::createPopup(L"&Bundles");
    manager->populateMenu(*menu);
    EXPECT_EQ(L"&Bundle Editor|&Reload Bundles|-|[No bundles available.]", linesOf(*menu));
    menu->update(); // a refresh keeps the line disabled
    EXPECT_EQ(L"&Bundle Editor|&Reload Bundles|-|[No bundles available.]", linesOf(*menu));
}

TEST_F(BundleManagerTest, DisablingABundleUninstallsItsItemsFirstAndEnablingReloads) {
    putTwoBundles();
    setUp();
    loadAll();
    std::vector<std::wstring> steps;
    manager->onBundleUninstalling.add(this, [&](Bundle& bundle) { steps.push_back(L"bundle " + bundle.getTitle()); });
    manager->onUninstallEnd.add(this, [&] { steps.push_back(L"end"); });
    std::vector<bool> cleared;
    manager->onDisabledItemsChanged.add(this, [&](bool all) { cleared.push_back(all); });

    EXPECT_TRUE(manager->disableItem(uuid(B1)));
    EXPECT_EQ(3u, grammars().order.size() + snippets().order.size());
    EXPECT_EQ((std::vector<std::wstring>{L"bundle Web", L"end"}), steps);
    EXPECT_EQ(2u, manager->getInstalled().size());
    EXPECT_EQ(nullptr, manager->findBundle(uuid(B1)));
    EXPECT_EQ(std::vector<bool>{false}, cleared);
    EXPECT_TRUE(manager->disableItem(uuid(B1))); // already disabled: nothing more
    EXPECT_EQ(1u, cleared.size());

    manager->saveDisabledItems(config());
    const ConfigValue::List& list = *config().findValue(BundleManager::DISABLED_SETTING)->getList();
    ASSERT_EQ(1u, list.size());
    const ValueNode& stored = *list[0].getValueTree();
    EXPECT_STREQ(L"Web", stored.getKey(L"title").text());
    EXPECT_STREQ(B1.c_str(), stored.getKey(L"uuid").text());
    EXPECT_EQ(BUNDLE_TYPE_BUNDLE, stored.getKey(L"type").getUInt(0));
    EXPECT_EQ(0, stored.getKey(L"children_count").getInt(-1));
    EXPECT_EQ(ValueNode::Null, stored.getKey(L"bundle_title").kind());

    // Enabling it loads everything again (reloads and further walks are the model test's).
    EXPECT_TRUE(manager->enableItem(uuid(B1)));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return !manager->isLoading(); }));
    EXPECT_EQ(6u, manager->getInstalled().size());
    EXPECT_FALSE(manager->enableItem(uuid(B1)));

    // An item keeps its bundle's title.
    EXPECT_TRUE(manager->disableItem(uuid(G(3))));
    std::vector<DisabledEntryRecord> records;
    manager->getDisabledItems(records);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ((DisabledEntryRecord{L"Tag", BUNDLE_TYPE_SNIPPET, uuid(G(3)), 0, L"Web"}), records[0]);
    EXPECT_EQ(2u, manager->findBundle(uuid(B1))->getItems().size());

    // A user menu's line of the disabled item shows its record's title, disabled; a line of an
    // id nobody knows shows nothing.
    auto user = std::make_shared<MenuDefNode>();
    user->isSubmenu = true;
    for (const std::wstring& id : {G(3), G(9), G(1)}) {
        auto line = std::make_shared<MenuDefNode>();
        line->isItem = true;
        line->item = id;
        user->children.push_back(line);
    }
    manager->findBundle(uuid(B1))->setMenu(user);
    const std::unique_ptr<afMenu> menu = afMenu::createPopup(L"&Bundles");
    manager->populateMenu(*menu);
    EXPECT_EQ(L"&Bundle Editor|&Reload Bundles|-|Web{[Tag]|HTML}", linesOf(*menu));
}

TEST_F(BundleManagerTest, ReadsOnlyWholeDisabledRecordsOfRegisteredTypes) {
    const auto record = [](const wchar_t* title, const std::wstring& id, uint32_t type, int count,
                           const wchar_t* bundleTitle) {
        ValueNode node(ValueNode::Dictionary);
        if (title)
            node.getOrAddKey(L"title").setString(title);
        node.getOrAddKey(L"uuid").setString(id.c_str());
        node.getOrAddKey(L"type").setUInt(type);
        if (count != -2)
            node.getOrAddKey(L"children_count").setInt(count);
        if (bundleTitle)
            node.getOrAddKey(L"bundle_title").setString(bundleTitle);
        return ConfigValue::fromValueNode(node);
    };
    config().findValue(BundleManager::DISABLED_SETTING)
        ->setList({record(L"Web", B1, BUNDLE_TYPE_BUNDLE, 4, nullptr),
                   record(L"HTML", G(1), BUNDLE_TYPE_GRAMMAR, -2, L"Web"),
                   record(L"CSS", G(2), BUNDLE_TYPE_GRAMMAR, -2, nullptr),        // no bundle title
                   record(L"Lib", B2, BUNDLE_TYPE_BUNDLE, -1, nullptr),           // no item count
                   record(L"Old", B2, BUNDLE_TYPE_BUNDLE, -2, nullptr),           // no item count
                   record(L"Nil", pel::UUID().toString(), BUNDLE_TYPE_GRAMMAR, -2, L"Web"),
                   record(L"Odd", G(5), 0x1234, -2, L"Web"),                       // no such type
                   record(L"Again", G(1), BUNDLE_TYPE_GRAMMAR, -2, L"Web"),       // repeated UUID
                   record(nullptr, G(6), BUNDLE_TYPE_GRAMMAR, -2, L"Web"),        // no title
                   ConfigValue::fromString(L"not a record")});
    setUp();
    std::vector<DisabledEntryRecord> records;
    manager->getDisabledItems(records);
    std::vector<DisabledEntryRecord> expected = {{L"Web", BUNDLE_TYPE_BUNDLE, uuid(B1), 4, L""},
                                                 {L"HTML", BUNDLE_TYPE_GRAMMAR, uuid(G(1)), 0, L"Web"}};
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.uuid < b.uuid; });
    EXPECT_EQ(expected, records);
    std::set<pel::UUID> uuids;
    manager->getDisabledUuids(&uuids);
    EXPECT_EQ((std::set<pel::UUID>{uuid(B1), uuid(G(1))}), uuids);
}

TEST_F(BundleManagerTest, OrphansAndRefusedItemsNeitherCrashNorStayAttached) {
    putTwoBundles();
    BundleTree::putEntry(1, L"Web", B1, T::grammar(), L"Refused", G(7));
    // Two folders of one layer with one bundle UUID drop the bundle: the items of the folder
    // scanned first are left without one.
    const std::wstring twice = uuidText(1, 3);
    BundleTree::putBundle(1, L"Bad", twice);
    BundleTree::putEntry(1, L"Bad", twice, T::grammar(), L"Stray", G(8));
    BundleTree::putBundle(1, L"Bad2", twice);
    BundleTree::putEntry(1, L"Bad2", twice, T::grammar(), L"Stray", G(9));
    setUp();
    const int alive = tessel_test::TreeItem::alive();
    LogCapture log;
    loadAll();

    EXPECT_TRUE(log.contains(L"Stray.", pel::LOG_WARNING));
    for (uint32_t n : {7, 8, 9})
        EXPECT_EQ(nullptr, manager->findEntry(uuid(G(n)))) << n;
    EXPECT_EQ(3u, manager->findBundle(uuid(B1))->getItems().size());
    EXPECT_EQ(alive + 4, tessel_test::TreeItem::alive()); // the refused item and the orphan are gone
    const std::unique_ptr<afMenu> menu = afMenu::createPopup(L"&Bundles");
    manager->populateMenu(*menu);
    EXPECT_EQ(L"&Bundle Editor|&Reload Bundles|-|Web{CSS|HTML|-|Tag}", linesOf(*menu));
    EXPECT_TRUE(manager->unloadAll());
    EXPECT_EQ(alive, tessel_test::TreeItem::alive());
}

TEST_F(BundleManagerTest, TheEditorTogglesAndCanKeepEverythingLoaded) {
    putTwoBundles();
    setUp();
    loadAll();
    afActionRegistry* registry = afApp::getActionRegistry();
    afAction* toggle = afFindAction(L"bundles.editor", registry);
    ASSERT_TRUE(toggle);
    EXPECT_EQ(std::wstring(L"F4"), toggle->findTrigger(AF_ACTION_KIND_SHORTCUT)->getText());
    EXPECT_EQ(toggle, afFindKeyInvoker(registry)->getShortcuts().find(VK_F4)->second->action);
    // The snippet's word, bound through the tab-trigger invoker, is found before the caret.
    ScopePath editorContext;
    editorContext.pushText(L"ui.editor.main", false, 0);
    std::vector<afActionCandidate> words;
    EXPECT_EQ(1u, afFindTabTriggers(afFindTabInvoker(registry), words, editorContext, L"x Tag", 5));
    BundleEditor& editor = *manager->getEditor();
    afActionEvent event;
    EXPECT_TRUE(toggle->run(event));
    EXPECT_TRUE(editor.isShown());
    EXPECT_TRUE(toggle->run(event));
    EXPECT_FALSE(editor.isShown());
    EXPECT_EQ(pel::crc32Literal("ok"), editor.getResult());

    // A user who keeps an unsaved entry open (Cancel) keeps everything as it is.
    tessel_test::FakeEntryTexts texts;
    grammars().editorFactory = &BundleEntrySourceEditor::create;
    ASSERT_TRUE(editor.openEntry(*manager->findEntry(uuid(G(1)))));
    texts.last->type(L"{ title: \"HTML\" }");
    int asked = 0;
    setQuestionHook([&](const std::wstring&, const std::vector<QuestionButton>&) {
        ++asked;
        return afWindow::RESULT_CANCEL;
    });
    EXPECT_FALSE(manager->load());
    EXPECT_FALSE(manager->reload());
    EXPECT_TRUE(manager->disableItem(uuid(G(4))));
    EXPECT_FALSE(manager->enableItem(uuid(G(4))));
    EXPECT_FALSE(root->queryClose());
    EXPECT_EQ(4, asked);
    EXPECT_EQ(5u, manager->getInstalled().size());
    EXPECT_EQ(1u, editor.getEditors().size());
    setQuestionHook(nullptr);
    texts.last->markUnmodified();
    EXPECT_TRUE(root->queryClose());
    // Asked only: a later question of the same close may still keep the program open.
    EXPECT_EQ(1u, editor.getEditors().size());

    // At exit: the settings written, everything unloaded.
    root->runSettingsSaving();
    EXPECT_EQ(1u, config().findValue(BundleManager::DISABLED_SETTING)->getList()->size());
    EXPECT_EQ(nullptr, manager->getEditor());
    root->runClosing();
    EXPECT_TRUE(manager->getInstalled().empty());
    EXPECT_EQ(3, grammars().uninstalls + snippets().uninstalls);
}

// A test body's handlers capture its locals: the manager, which still tells its notices as it
// goes, must not call them from the fixture's end, after the body. Such calls wrote into freed
// memory that later tests tripped over.
TEST(ManagerFixtureTest, TheManagerGoesWithoutCallingTheTestBodysHandlers) {
    struct Body : tessel_test::ManagerFixture {
        void TestBody() override {}
        void loadAndListen(int& told) {
            putTwoBundles();
            setUp();
            loadAll();
            ASSERT_TRUE(manager->disableItem(uuid(B2)));
            const auto tell = [&told](auto&&...) { ++told; };
            manager->onUpdateBegin.add(this, tell);
            manager->onUnload.add(this, tell);
            manager->onUninstallEnd.add(this, tell);
            manager->onBundleUninstalling.add(this, tell);
            manager->onDisabledItemsChanged.add(this, tell);
        }
    };
    int told = 0;
    {
        Body body;
        body.loadAndListen(told);
        ASSERT_EQ(0, told);
    }
    EXPECT_EQ(0, told);
}

} // namespace
