#include "bundles/preferences/PairedCharacterAction.h"
#include "bundles/preferences/ScopePreferencesManager.h"
#include "bundles/snippets/SnippetAction.h"
#include "bundles/snippets/SnippetManager.h"
#include "bundles/themes/ThemeManager.h"

#include "afw/action/afActionTrigger.h"
#include "afw/action/afKeyCombination.h"
#include "service/bundles/BundleError.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/spans/SpanManager.h"

#include "ManagerFixture.h"

using namespace tessel;
using tessel_test::BundleTree;
using tessel_test::uuidText;

namespace {

using T = BundleEntryTraits;
const std::wstring WEB = uuidText(1, 1);
std::wstring U(uint32_t n) { return uuidText(2, n); }

// The snippet, theme and preferences managers in place of the fixture's counting ones, over
// bundle "Web" in the root layer, with a controller of an empty document as the active one.
class ItemManagersTest : public tessel_test::ManagerFixture {
protected:
    ItemManagersTest() {
        manager->onSetUp.remove(static_cast<ManagerFixture*>(this));
        setUp();
        documents.reset(new DocumentManager);
        controllers.reset(new DocumentControllerManager(*documents));
        SpanManager::install(*controllers);
        document = documents->createDocument(L"");
        controllers->setActiveController(controllers->createController(*document));
        snippets = SnippetManager::create(*manager, *controllers).get();
        themes = ThemeManager::create(*manager).get();
        preferences = ScopePreferencesManager::create(*manager).get();
        BundleTree::putBundle(1, L"Web", WEB);
        BundleTree::putEntry(1, L"Web", WEB, T::snippet(), L"Tag", U(1),
                             L"{title: 'Tag' key_equivalent: 'F5' tab_trigger: 'tag' scope: 'text' content: '<$1>$0'}");
        BundleTree::putEntry(1, L"Web", WEB, T::snippet(), L"Broken", U(2),
                             L"{title: 'Broken' shortcut: 'F6' scope: '' content: '${1/a'}");
        BundleTree::putEntry(1, L"Web", WEB, T::theme(), L"Blink", U(3),
                             L"{title: 'Blink' settings: [ {settings: {foreground: '#102030'}} "
                             L"{title: 'R' scope: 's' settings: {font_style: 'blink'}} ]}");
        BundleTree::putEntry(1, L"Web", WEB, T::preferences(), L"Pairs", U(4),
                             L"{title: 'Pairs' scope: 'source' settings: {pairs: [ [ '(' ')' ] [ '{' '}' 'block' ] ]}}");
        loadAll();
    }
    ~ItemManagersTest() override {
        controllers.reset();
        documents->releaseDocument(document);
    }

    BundleEntry& entry(uint32_t n) { return *manager->findEntry(pel::UUID::fromString(U(n))); }
    size_t registered(const std::wstring& id) {
        size_t count = 0;
        for (const afAction* action : afApp::getActionRegistry()->getActions())
            count += action->getName() == id;
        return count;
    }
    std::vector<std::wstring> pairIds() {
        std::vector<std::wstring> ids;
        for (const afAction* action : preferences->getActions(static_cast<ScopePreferencesBundleItem&>(entry(4))))
            ids.push_back(action->getName());
        return ids;
    }

    std::unique_ptr<DocumentManager> documents;
    std::unique_ptr<DocumentControllerManager> controllers;
    Document* document = nullptr;
    SnippetManager* snippets = nullptr;
    ThemeManager* themes = nullptr;
    ScopePreferencesManager* preferences = nullptr;
};

} // namespace

TEST_F(ItemManagersTest, SnippetsWithoutProblemsGetOneActionWithTheirKeyAndTrigger) {
    auto& tag = static_cast<SnippetBundleItem&>(entry(1));
    auto& broken = static_cast<SnippetBundleItem&>(entry(2));
    EXPECT_EQ(1u, snippets->getActionCount());
    EXPECT_FALSE(snippets->findAction(broken));
    SnippetAction* action = snippets->findAction(tag);
    ASSERT_TRUE(action);
    EXPECT_EQ(U(1), action->getName());
    EXPECT_EQ(L"Tag", action->getTitle());
    EXPECT_EQ(L"Web", action->getCategory());
    EXPECT_EQ(L"text", action->getContextText());
    EXPECT_EQ(BUNDLE_TYPE_SNIPPET, action->getIcon());
    ASSERT_TRUE(action->findTrigger(AF_ACTION_KIND_SHORTCUT));
    EXPECT_EQ(afParseKeyCombination(L"F5"),
              static_cast<afActionTriggerKey*>(action->findTrigger(AF_ACTION_KIND_SHORTCUT))->combination);
    ASSERT_TRUE(action->findTrigger(AF_ACTION_KIND_TAB_TRIGGER));
    EXPECT_EQ(L"tag", static_cast<afActionTriggerTab*>(action->findTrigger(AF_ACTION_KIND_TAB_TRIGGER))->word);

    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(snippets->install(tag));
        snippets->endEntryChange(tag, true);
    }
    EXPECT_EQ(1u, registered(U(1)));
    EXPECT_TRUE(snippets->uninstall(tag));
    EXPECT_EQ(0u, registered(U(1)));
    EXPECT_FALSE(snippets->install(entry(3)));

    // Run from the action lists: the snippet goes into the active document.
    snippets->install(tag);
    afActionEvent event;
    EXPECT_TRUE(snippets->findAction(tag)->run(event));
    EXPECT_EQ(L"<>", document->getText(0, document->getLength()));
    EXPECT_FALSE(snippets->runSnippet(broken));
    EXPECT_EQ(L"<>", document->getText(0, document->getLength()));
}

TEST_F(ItemManagersTest, ThemesAreFoundByUuidAndTellTheirChanges) {
    const pel::UUID blink = pel::UUID::fromString(U(3));
    EXPECT_EQ(0xFF302010u, DocumentTheme::packColour(themes->findTheme(blink)->foreground()));
    EXPECT_TRUE(entry(3).getErrors().hasSeverity(BundleError::SEVERITY_INVALID)); // the style, reported
    const std::shared_ptr<DocumentTheme> unknown = themes->findTheme(pel::UUID::fromString(U(9)));
    EXPECT_EQ(themes->getDefaultTheme(), unknown);
    EXPECT_EQ(0xFF333333u, DocumentTheme::packColour(unknown->foreground()));
    EXPECT_EQ(0xFFFFFFFFu, DocumentTheme::packColour(unknown->background()));
    ASSERT_TRUE(themes->getThemes().count(pel::UUID::nil()));
    EXPECT_EQ(L"None", themes->getThemes().at(pel::UUID::nil())->getTitle());
    EXPECT_EQ(0xFF333333u, DocumentTheme::packColour(themes->findTheme(pel::UUID::nil())->foreground()));

    std::vector<std::wstring> told;
    themes->onThemeChanged.add(this, [&](const pel::UUID& uuid) { told.push_back(uuid.toString()); });
    themes->beginEntryChange(entry(3));
    themes->endEntryChange(entry(3), false);
    themes->endEntryChange(entry(3), true);
    EXPECT_TRUE(themes->uninstall(entry(3)));
    EXPECT_FALSE(themes->uninstall(entry(3)));
    EXPECT_EQ(unknown, themes->findTheme(blink));
    EXPECT_EQ((std::vector<std::wstring>{U(3), U(3), U(3), U(3)}), told); // removal: before and after
    // The fixture uninstalls every theme when it goes; `told` is gone by then.
    themes->onThemeChanged.remove(this);
}

TEST_F(ItemManagersTest, TheChooserDataListsTheInstalledThemesByTitleAndLooksThemUp) {
    ThemeChooserData& data = themes->getChooserData();
    EXPECT_EQ(0u, data.getRowCount()) << "read only when refreshed";
    data.refresh();
    std::vector<std::wstring> rows;
    for (FilterData::Row row = data.first(); row; row = data.next()) {
        size_t length = 0;
        const wchar_t* title = data.getColumnText(row, 0, &length);
        rows.push_back(std::wstring(title, length) + L" " + data.getColumnText(row, 1, nullptr));
        EXPECT_EQ(L"", std::wstring(data.getColumnText(row, 2, &length)));
        EXPECT_EQ(0u, length);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Blink " + U(3), L"None " + pel::UUID::nil().toString()}), rows);
    const pel::UUID blink = pel::UUID::fromString(U(3));
    EXPECT_EQ(themes->findTheme(blink), data.lookup(blink));
    // An entry picked before its theme went finds the default theme.
    ASSERT_TRUE(themes->uninstall(entry(3)));
    EXPECT_EQ(themes->getDefaultTheme(), data.lookup(blink));
    data.refresh();
    EXPECT_EQ(1u, data.getRowCount());
}

TEST_F(ItemManagersTest, PreferencesPairsBecomeTwoActionsEach) {
    const std::vector<std::wstring> ids{
        L"document.context.char_pair.2829 source", L"document.context.char_pair.2829 source",
        L"document.context.char_pair.block.7b7d source", L"document.context.char_pair.block.7b7d source"};
    EXPECT_EQ(ids, pairIds());
    const auto* open = static_cast<const PairedCharacterAction*>(
        preferences->getActions(static_cast<ScopePreferencesBundleItem&>(entry(4)))[2]);
    EXPECT_EQ(L'{', open->open);
    EXPECT_EQ(L'}', open->close);
    EXPECT_TRUE(open->block);
    EXPECT_EQ(L'{', static_cast<afActionTriggerKey*>(open->findTrigger(AF_ACTION_KIND_CHARACTER))->character);
    EXPECT_TRUE(preferences->uninstall(entry(4)));
    EXPECT_TRUE(pairIds().empty());
    EXPECT_EQ(0u, registered(ids[0]));
    EXPECT_TRUE(preferences->install(entry(4)));
    preferences->endEntryChange(entry(4), true);
    EXPECT_EQ(ids, pairIds());
    EXPECT_EQ(2u, registered(ids[0]));
    EXPECT_EQ(L"document.context.char_pair.2829", PairedCharacterAction::pairName(L"", {L'(', L')', false}));
}
