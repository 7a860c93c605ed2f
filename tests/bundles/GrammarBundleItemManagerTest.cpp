#include "bundles/GrammarBundleItemManager.h"

#include "bundles/ToolStripStatus.h"

#include "service/bundles/Bundle.h"
#include "service/bundles/BundleError.h"
#include "service/base/ConfigValue.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/bundles/grammar/GrammarBundleItemCompilerTask.h"
#include "service/document/DocumentManager.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"
#include "service/parser/RuleSetHolder.h"

#include "ManagerFixture.h"

#include <gtest/gtest.h>

using namespace tessel;
using tessel_test::BundleTree;
using tessel_test::uuidText;

namespace {

using T = BundleEntryTraits;
const std::wstring B1 = uuidText(1, 1);
std::wstring G(uint32_t n) { return uuidText(2, n); }

std::wstring grammarText(const std::wstring& title, const std::wstring& name, const std::wstring& types = L"",
                         const std::wstring& patterns = L"{ name: \"k\" match: /a/ }") {
    return L"{ title: \"" + title + L"\" name: \"" + name + L"\" file_types: [ " + types + L" ] patterns: [ " +
           patterns + L" ] }";
}

// The BundleManager with the grammar manager in place of the counting one for grammars.
class GrammarManagerTest : public tessel_test::ManagerFixture {
protected:
    GrammarManagerTest() {
        root->createDocumentManager(std::make_shared<DocumentParserServices>());
        realTypes = {BUNDLE_TYPE_GRAMMAR};
        grammarManager = GrammarBundleItemManager::create(*manager, *root);
        grammarManager->onCompiled.add(this, [this] { ++compiled; });
        grammarManager->onBeforeHandover.add(this, [this] { ++handovers; });
    }
    ~GrammarManagerTest() override {
        grammarManager->onCompiled.remove(this);
        grammarManager->onBeforeHandover.remove(this);
        grammarManager.reset(); // the BundleManager holds it to its end
        manager.reset();
    }

    // Loads and waits for the compile that ends the load.
    void loadAndCompile() {
        const int before = compiled;
        loadAll();
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return compiled > before && !grammarManager->getRunningCompiles(); }))
            << "the grammars never compiled";
    }
    // A grammar entry of the text, made as the loader makes one (after the set-up).
    BundleEntryPtr makeGrammar(const std::wstring& text) {
        const BundleEntryPtr entry = BundleEntry::create(*manager->getFactory(), BUNDLE_TYPE_GRAMMAR, pel::UUID::create());
        ErrorList errors;
        EXPECT_TRUE(entry->setSourceText(text, &errors));
        return entry;
    }
    static GrammarBundleItem& grammarOf(const BundleEntryPtr& entry) { return static_cast<GrammarBundleItem&>(*entry); }
    const GrammarRuleSet* installedRules() const {
        return static_cast<RuleSetHolder&>(root->getDocumentManager()->getGrammarRuleSetHolder()).ruleSet();
    }

    std::shared_ptr<GrammarBundleItemManager> grammarManager;
    int compiled = 0;
    int handovers = 0;
};

} // namespace

TEST_F(GrammarManagerTest, InstallsByNameRefusesTakenAndEmptyNamesAndCompilesOnce) {
    BundleTree::putBundle(1, L"Web", B1);
    BundleTree::putEntry(1, L"Web", B1, T::grammar(), L"HTML", G(1), grammarText(L"HTML", L"text.html", L"\"html\" \"HTM\""));
    BundleTree::putEntry(1, L"Web", B1, T::grammar(), L"Blade", G(2), grammarText(L"Blade", L"text.blade", L"\"blade.html\" \"html\""));
    BundleTree::putEntry(1, L"Web", B1, T::grammar(), L"Nameless", G(4), L"{ title: \"Nameless\" patterns: [ ] }");
    setUp();
    loadAndCompile();
    EXPECT_EQ(1, compiled);
    EXPECT_EQ(1, handovers);
    const GrammarMap& grammars = grammarManager->getGrammars();
    ASSERT_EQ(2u, grammars.size());
    GrammarBundleItem* html = grammars.at(L"text.html").get();
    GrammarBundleItem* blade = grammars.at(L"text.blade").get();
    EXPECT_EQ(G(1), html->getUUID().toString());
    EXPECT_EQ(2u, manager->getEntriesOfType(BUNDLE_TYPE_GRAMMAR).size()) << "a grammar without a name is refused";

    // A second grammar of a taken name is refused, with both paths in its error.
    const auto copy = makeGrammar(grammarText(L"Copy", L"text.html", L"\"cp\""));
    EXPECT_FALSE(grammarManager->install(*copy));
    EXPECT_EQ(nullptr, grammarOf(copy).getLanguageAction());
    ASSERT_EQ(1u, copy->getErrors().size());
    const auto* error = static_cast<const BundleError*>(copy->getErrors().getFirst().get());
    EXPECT_TRUE(error->hasTag(GrammarBundleItemManager::INSTALL_TAG));
    EXPECT_EQ(L"Grammar `Copy` cannot be installed, because it uses the same name as `root:/Web." + B1 +
                  L".tsBundle/grammars/HTML." + G(1) + L".tsGrammar`.",
              error->getText());
    EXPECT_EQ(html, grammarManager->findGrammar(L"text.html"));

    // "None" for no name, an unknown one, and files of no known type.
    GrammarBundleItem* none = grammarManager->getDefaultGrammar();
    ASSERT_TRUE(none);
    EXPECT_EQ(L"none", none->getName());
    EXPECT_TRUE(none->getUUID().isNil());
    for (const wchar_t* name : {L"", L"nope", L"none"})
        EXPECT_EQ(none, grammarManager->findGrammar(name)) << name;
    EXPECT_EQ(blade, grammarManager->findGrammarForFile(L"view.blade.html"));
    EXPECT_EQ(html, grammarManager->findGrammarForFile(L"INDEX.htm"));
    for (const wchar_t* file : {L"", L"a.txt", L"a.cp"})
        EXPECT_EQ(none, grammarManager->findGrammarForFile(file)) << file;

    std::vector<GrammarBundleItemManager::Language> languages;
    grammarManager->getLanguageList(languages);
    std::wstring titles;
    for (const auto& language : languages)
        titles += language.title + (language.hidden ? L"(hidden) " : L" ");
    EXPECT_EQ(L"Blade HTML None ", titles);

    // The rule set has both grammars' roots, keyed by scope name.
    const GrammarRuleSet* rules = installedRules();
    ASSERT_TRUE(rules);
    EXPECT_TRUE(findRule(L"text.html", *rules));
    EXPECT_TRUE(findRule(L"text.blade", *rules));
}

TEST_F(GrammarManagerTest, InstallsInOneBracketCompileOnceAfterItClosesAndLaterOnesStartOver) {
    setUp();
    std::vector<BundleEntryPtr> grammars;
    manager->beginUpdate();
    for (int i = 0; i < 10; ++i) {
        const std::wstring n = std::to_wstring(i);
        grammars.push_back(makeGrammar(grammarText(L"G" + n, L"source.g" + n, L"\"g" + n + L"\"")));
        EXPECT_TRUE(grammarManager->install(*grammars.back()));
    }
    EXPECT_FALSE(grammarManager->getCompileTask());
    EXPECT_TRUE(grammarManager->isCompilePending());
    manager->endUpdate();
    const std::shared_ptr<GrammarBundleItemCompilerTask> first = grammarManager->getCompileTask();
    ASSERT_TRUE(first);
    // An install while it runs (or before its result is handed over) stops it and drops its
    // result; the next compile has the new grammar too.
    grammars.push_back(makeGrammar(grammarText(L"Late", L"source.late")));
    EXPECT_TRUE(grammarManager->install(*grammars.back()));
    const std::shared_ptr<GrammarBundleItemCompilerTask> second = grammarManager->getCompileTask();
    EXPECT_NE(first, second);
    EXPECT_TRUE(first->stopRequested());
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return compiled > 0 && !grammarManager->getRunningCompiles(); }));
    EXPECT_EQ(1, compiled);
    EXPECT_EQ(1, handovers);
    ASSERT_TRUE(installedRules());
    EXPECT_TRUE(findRule(L"source.late", *installedRules()));
    EXPECT_TRUE(findRule(L"source.g9", *installedRules()));
    for (const ToolStripStatus::Activity& activity : ToolStripStatus::getActivities())
        EXPECT_NE(L"Compiling grammars...", activity.second);

    // Uninstalling takes the action and the file types with it, and compiles again.
    EXPECT_EQ(&grammarOf(grammars[3]), grammarManager->findGrammarForFile(L"x.g3"));
    EXPECT_TRUE(grammarManager->uninstall(*grammars[3]));
    EXPECT_EQ(nullptr, grammarOf(grammars[3]).getLanguageAction());
    EXPECT_EQ(grammarManager->getDefaultGrammar(), grammarManager->findGrammarForFile(L"x.g3"));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return compiled == 2 && !grammarManager->getRunningCompiles(); }));
    EXPECT_FALSE(findRule(L"source.g3", *installedRules()));
    // An entry changed while installed is installed again under its new name.
    grammarManager->beginEntryChange(*grammars[4]);
    ErrorList errors;
    EXPECT_TRUE(grammars[4]->setSourceText(grammarText(L"G4", L"source.renamed", L"\"g4\""), &errors));
    grammarManager->endEntryChange(*grammars[4], true);
    EXPECT_EQ(&grammarOf(grammars[4]), grammarManager->findGrammar(L"source.renamed"));
    EXPECT_EQ(grammarManager->getDefaultGrammar(), grammarManager->findGrammar(L"source.g4"));
    EXPECT_EQ(&grammarOf(grammars[4]), grammarManager->findGrammarForFile(L"a.G4"));
    for (const auto& grammar : grammars)
        grammarManager->uninstall(*grammar);
    EXPECT_THROW(grammarManager->unlockCompile(), pel::Exception);
}

TEST_F(GrammarManagerTest, UserFileTypesGoThroughTheLanguagesSetting) {
    setUp();
    grammarManager->setUserFileType(L"INC", L"source.php");
    root->settingsDelegates().notify(config());
    const ConfigValue* setting = config().findValue(GrammarBundleItemManager::EXTENSIONS_SETTING);
    ASSERT_TRUE(setting && setting->getList());
    ASSERT_EQ(1u, setting->getList()->size());
    std::vector<std::wstring> extensions;
    grammarManager->getUserFileTypes(L"source.php", extensions);
    EXPECT_EQ(std::vector<std::wstring>{L"inc"}, extensions);
}
