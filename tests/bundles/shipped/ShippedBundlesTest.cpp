#include "ShippedBundles.h"

#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/bundles/preferences/ScopePreferencesBundleItem.h"
#include "service/bundles/snippets/SnippetBundleItem.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/ParserRule.h"
#include "service/parser/ThemeStyler.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"
#include "service/parser/spans/SpanManager.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"

#include "afw/support/Golden.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <regex>

using namespace tessel;

namespace {

const pel::UUID TESSEL_LIGHT = pel::UUID::fromString(L"4d179b12-d432-4c3a-bd12-5911c5533e1c");

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class ShippedBundlesTest : public tessel_test::ShippedBundlesFixture {
protected:
    // The entries a load installed, the built-in ones (nil UUIDs) left out.
    std::vector<BundleEntry*> shipped(uint32_t type) const {
        std::vector<BundleEntry*> entries = manager->getEntriesOfType(type);
        entries.erase(std::remove_if(entries.begin(), entries.end(), [](BundleEntry* e) { return e->getUUID().isNil(); }),
                      entries.end());
        return entries;
    }
    std::wstring grammarOf(const wchar_t* file) const { return grammars->findGrammarForFile(file)->getName(); }
};

} // namespace

TEST_F(ShippedBundlesTest, LoadAsSixBundlesAndTheirItemsWithoutAnyErrorOrWarning) {
    std::vector<std::wstring> titles;
    for (BundleEntry* bundle : shipped(BUNDLE_TYPE_BUNDLE))
        titles.push_back(bundle->getTitle());
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ((std::vector<std::wstring>{L"C", L"JSON", L"JavaScript", L"Markdown", L"Plain Text", L"Tessel"}), titles);
    EXPECT_EQ(7u, shipped(BUNDLE_TYPE_GRAMMAR).size());
    EXPECT_EQ(1u, shipped(BUNDLE_TYPE_THEME).size());
    EXPECT_EQ(8u, shipped(BUNDLE_TYPE_SNIPPET).size());
    EXPECT_EQ(13u, shipped(BUNDLE_TYPE_PREFERENCES).size());

    // Every entry: ASCII, no byte escape for the reader to rewrite, no error of any severity,
    // also when validated again from its text.
    const std::wregex byteEscape(L"\\\\x[0-9A-Fa-f]{2}");
    for (const uint32_t type : {BUNDLE_TYPE_BUNDLE, BUNDLE_TYPE_GRAMMAR, BUNDLE_TYPE_THEME, BUNDLE_TYPE_SNIPPET,
                                BUNDLE_TYPE_PREFERENCES})
        for (BundleEntry* entry : shipped(type)) {
            const std::string title = narrow(entry->getTitle());
            const std::wstring& text = entry->getSourceText();
            EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 128; })) << title;
            EXPECT_FALSE(std::regex_search(text, byteEscape)) << title;
            for (const auto& error : entry->getErrors().getErrors())
                ADD_FAILURE() << title << ": " << narrow(error->getMessage());
            ErrorList again;
            EXPECT_TRUE(entry->getValidator().validate(text, &again)) << title;
            EXPECT_EQ(0u, again.size()) << title;
            if (type == BUNDLE_TYPE_BUNDLE) {
                EXPECT_NE(std::wstring::npos, text.find(L"menu: null")) << title;
            }
        }
    // Nor a warning, nor a pattern the compiler left out (which the validator does not see
    // inside groups, and which is logged as information).
    for (const tessel_test::LoggedLine& line : log.lines())
        EXPECT_TRUE(line.level < pel::LOG_WARNING && line.text.find(L"Error compiling") == std::wstring::npos)
            << narrow(line.text);

    // No scope name the selectors would read as an exclusion.
    ASSERT_TRUE(rules());
    for (uint32_t n = 1; n <= rules()->size(); ++n)
        EXPECT_EQ(std::wstring::npos, rules()->rule(n)->scope.find(L'-')) << narrow(rules()->rule(n)->scope);

    // Pairs by scope, block pairs marked with "+". Every scope reads as a selector (one that
    // does not would match everywhere). The quotes pair in code only, not in comments, strings
    // of any kind, quoted keys, nor Markdown's code.
    // Entries of one scope load in no set order: each scope's pairs are sorted.
    std::map<std::wstring, std::vector<std::wstring>> pairsByScope;
    for (BundleEntry* entry : shipped(BUNDLE_TYPE_PREFERENCES)) {
        auto& item = static_cast<ScopePreferencesBundleItem&>(*entry);
        EXPECT_NO_THROW(ScopeSelector{item.getScope()}) << narrow(item.getScope());
        for (const PairedCharacter& pair : item.getPairs())
            pairsByScope[item.getScope()].push_back(std::wstring{L' ', pair.open, pair.close} + (pair.block ? L"+" : L""));
        EXPECT_EQ(2 * item.getPairs().size(), preferences->getActions(item).size());
    }
    std::wstring pairs;
    for (auto& scope : pairsByScope) {
        std::sort(scope.second.begin(), scope.second.end());
        pairs += scope.first + L":";
        for (const std::wstring& pair : scope.second)
            pairs += pair;
        pairs += L"\n";
    }
    EXPECT_EQ(L"source.c - (comment | string), source.cpp - (comment | string): \"\" ''\n"
              L"source.c, source.cpp: () [] {}+\n"
              L"source.jasmine: []+ {}+\n"
              L"source.jasmine - (comment | string | support.type.property_name): \"\"\n"
              L"source.js: () [] {}+\n"
              L"source.js - (comment | string): \"\" '' ``\n"
              L"source.json: []+ {}+\n"
              L"source.json - (string | support.type.property_name): \"\"\n"
              L"text.markdown: () []\n"
              L"text.markdown - markup.raw: ``\n",
              pairs);
}

// Each snippet has its action; run into an empty document, its tab stops show their default
// texts and its mirrors repeat them.
TEST_F(ShippedBundlesTest, SnippetsExpandWithTheirPlaceholdersAndMirrors) {
    SpanManager::install(*controllers);
    std::map<std::wstring, std::wstring> expanded;
    for (BundleEntry* entry : shipped(BUNDLE_TYPE_SNIPPET)) {
        auto& snippet = static_cast<SnippetBundleItem&>(*entry);
        EXPECT_TRUE(snippets->findAction(snippet)) << narrow(snippet.getTitle());
        Document* document = root->getDocumentManager()->createDocument(L"");
        DocumentController* controller = controllers->createController(*document);
        controllers->setActiveController(controller);
        EXPECT_TRUE(snippets->runSnippet(snippet)) << narrow(snippet.getTitle());
        expanded[snippet.getTabTrigger() + L" " + snippet.getScope()] = document->getText(0, document->getLength());
        controllers->setActiveController(nullptr);
        controllers->deleteController(controller);
        root->getDocumentManager()->releaseDocument(document);
    }
    EXPECT_EQ((std::map<std::wstring, std::wstring>{
                  {L"main source.c, source.cpp", L"int main(int argc, char *argv[])\n{\n\t\n\treturn 0;\n}"},
                  {L"inc source.c, source.cpp", L"#include <stdio.h>\n"},
                  {L"for source.c, source.cpp", L"for (size_t i = 0; i < count; ++i) {\n\t\n}"},
                  {L"fun source.js", L"function name(params) {\n\t\n}"},
                  {L"log source.js", L"console.log(\"value:\", value);"},
                  {L"for source.js", L"for (let i = 0; i < items.length; i++) {\n\tconst item = items[i];\n\t\n}"},
                  {L"link text.markdown", L"[text](https://example.com/)"},
                  {L"code text.markdown", L"```language\n\n```\n"}}),
              expanded);
}

TEST_F(ShippedBundlesTest, FilesFindTheirGrammarsByTypeAndOthersNone) {
    const std::map<std::wstring, std::vector<const wchar_t*>> types{
        {L"text.plain", {L"notes.txt", L"a.text", L"build.log"}},
        {L"source.json", {L"package.json"}},
        {L"source.c", {L"a.c", L"a.h", L"SRC\\MAIN.C"}},
        {L"source.cpp", {L"a.cpp", L"a.cc", L"a.cxx", L"a.hpp", L"a.hh", L"a.hxx", L"a.inl"}},
        {L"source.js", {L"a.js", L"a.mjs", L"a.cjs"}},
        {L"text.markdown", {L"README.md", L"a.markdown"}},
        {L"source.jasmine",
         {L"info.tsInfo", L"a.tsGrammar", L"a.tsSnippet", L"a.tsTheme", L"a.tsPreferences", L"startup.tsConfig",
          L"a.tsProject"}},
        {L"none", {L"Makefile", L"a.py", L"a.c.bak", L"a.cppx"}},
    };
    for (const auto& type : types)
        for (const wchar_t* file : type.second)
            EXPECT_EQ(type.first, grammarOf(file)) << narrow(file);
    for (const auto& type : types)
        if (type.first != L"none") {
            EXPECT_EQ(type.first, grammars->findGrammar(type.first)->getName());
        }
}

// Each sample's golden dump was read through line by line: the scopes are the language's.
TEST_F(ShippedBundlesTest, EachGrammarsSampleParsesAsItsReviewedGoldenDump) {
    const std::pair<const char*, const wchar_t*> samples[] = {
        {"sample.c", L"source.c"},           {"sample.cc", L"source.cpp"},
        {"sample.js", L"source.js"},         {"sample.json", L"source.json"},
        {"sample.md", L"text.markdown"},     {"sample.tsGrammar", L"source.jasmine"},
        {"sample.txt", L"text.plain"},
    };
    ASSERT_TRUE(rules());
    for (const auto& sample : samples) {
        const std::string relative = std::string("bundles/shipped/samples/") + sample.first;
        const std::wstring name(sample.first, sample.first + std::strlen(sample.first));
        EXPECT_EQ(sample.second, grammarOf(name.c_str()));
        tessel_test::ParsedText parsed(*rules(), sample.second,
                                       tessel_test::readSourceFile(tessel_test::sourceTreePath(TESSEL_TESTS_DIR, relative)));
        EXPECT_TRUE(tessel_test::matchesGoldenText(relative + ".golden", parsed.dump()));
    }
    // Tessel's own grammar reads every shipped entry to its end without a string, regular
    // expression or comment left open.
    for (const BundleEntryPtr& entry : manager->getInstalled()) {
        tessel_test::ParsedText parsed(*rules(), L"source.jasmine", entry->getSourceText());
        EXPECT_TRUE(parsed.endsAtRoot()) << narrow(entry->getTitle());
    }
}

// The end of a line comment's line, and of an unclosed string's, lies in it, also on a line that
// is not the last: what the scope there decides (a quote typed at the end, say) goes by the
// comment or string, which the next line is out of. A C line comment that ends in a backslash
// goes on over the next line.
TEST_F(ShippedBundlesTest, ALineCommentOrUnclosedStringHoldsTheEndOfItsLine) {
    const struct {
        const wchar_t* grammar;
        const wchar_t* line;
        const wchar_t* scope;
    } cases[] = {
        {L"source.c", L"int a; // it's the count", L"comment.line.double_slash.c"},
        {L"source.c", L"#include <a.h> // it's", L"comment.line.double_slash.c"},
        {L"source.c", L"char *s = \"abc", L"string.quoted.double.c"},
        {L"source.c", L"c = 'a", L"string.quoted.single.c"},
        {L"source.cpp", L"int a; // it's", L"comment.line.double_slash.c"},
        {L"source.js", L"let a; // it's", L"comment.line.double_slash.js"},
        {L"source.js", L"#!/usr/bin/env node", L"comment.line.shebang.js"},
        {L"source.js", L"s = \"abc", L"string.quoted.double.js"},
        {L"source.js", L"s = 'abc", L"string.quoted.single.js"},
        {L"source.jasmine", L"a: 1 // it's", L"comment.line.double_slash.jasmine"},
        {L"source.json", L"{\"ab", L"support.type.property_name.json"},
        {L"source.json", L"[\"ab", L"string.quoted.double.json"},
    };
    ASSERT_TRUE(rules());
    for (const auto& c : cases) {
        const std::wstring line = c.line;
        for (const wchar_t* next : {L"x", L"x\n"}) {
            tessel_test::ParsedText parsed(*rules(), c.grammar, line + L"\n" + next);
            const auto scopeAt = [&](size_t offset) {
                const DocumentScope* scope = parsed.document.getScopeAt(static_cast<int32_t>(offset));
                return scope ? narrow(scope->scopePath().toString()) : std::string();
            };
            EXPECT_NE(std::string::npos, scopeAt(line.size()).find(narrow(c.scope))) << narrow(line);
            EXPECT_EQ(std::string::npos, scopeAt(line.size() + 1).find(narrow(c.scope))) << narrow(line);
        }
    }
    tessel_test::ParsedText continued(*rules(), L"source.c", L"// a \\\nb\nc");
    EXPECT_NE(std::wstring::npos, continued.document.getScopeAt(7)->scopePath().toString().find(L"comment.line"));
    EXPECT_EQ(L"source.c", continued.document.getScopeAt(9)->scopePath().toString());
}

// A record's path goes on into its parent's: a file nested 900 deep makes thousands of records
// whose flat paths would hold millions of segments, and the theme ranks them as flat paths.
TEST_F(ShippedBundlesTest, DeeplyNestedJsonKeepsItsScopeRecordsSmallAndRankedAsFlatPaths) {
    constexpr int DEPTH = 900;
    std::wstring text;
    for (int level = 0; level < DEPTH; ++level)
        text += L"{\"key" + std::to_wstring(level) + L"\": \"a\\tb\", \"n\": -1.5e3, \"list\": [true, null,\n";
    text += L"0";
    for (int level = 0; level < DEPTH; ++level)
        text += L"]}";
    text += L"\n";
    ASSERT_TRUE(rules());

    // Committed private memory, region by region: under Wine the process counters stay at 0.
    const auto privateBytes = [] {
        size_t total = 0;
        MEMORY_BASIC_INFORMATION region;
        for (uintptr_t at = 0; ::VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region);) {
            if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
                total += region.RegionSize;
            const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
            if (next <= at)
                break;
            at = next;
        }
        return total;
    };
    const size_t before = privateBytes();
    tessel_test::ParsedText parsed(*rules(), L"source.json", text);
    const size_t grown = privateBytes() - before;
    ASSERT_TRUE(parsed.endsAtRoot());

    const DocumentScopeRegistry& registry = parsed.document.getScopeRegistry();
    size_t records = 0, flatSegments = 0, deepest = 0;
    for (const DocumentScope* record; (record = registry.get(static_cast<uint32_t>(records))) != nullptr; ++records) {
        flatSegments += record->scopePath().size();
        deepest = std::max(deepest, record->scopePath().size());
    }
    EXPECT_GT(deepest, size_t(DEPTH)) << "as deep as the matcher nests";
    EXPECT_GT(flatSegments * sizeof(ScopeSegment), size_t(64) << 20) << "flat copies would not fit the bound";
    EXPECT_LT(grown, size_t(64) << 20) << records << " records";

    // Every theme selector, anchored as the theme matches and not as key bindings do, on a
    // sample of the records from every depth and on every record of the shipped samples.
    const std::shared_ptr<DocumentTheme> theme = themes->findTheme(TESSEL_LIGHT);
    ASSERT_TRUE(theme && !theme->rules().empty());
    const auto rankAsFlat = [&](const DocumentScope& record) {
        ScopePath flat;
        flat.append(record.scopePath());
        for (const ThemeRule& rule : theme->rules())
            for (bool anchored : {false, true}) {
                if (!rule.selector)
                    continue;
                ScopeRank shared, copied;
                const bool matched = ScopeSelectorMatcher(*rule.selector, record.scopePath()).match(&shared, anchored);
                if (matched != ScopeSelectorMatcher(*rule.selector, flat).match(&copied, anchored) ||
                    shared.score != copied.score)
                    return testing::AssertionFailure() << narrow(rule.scope) << " on " << narrow(flat.toString());
            }
        return testing::AssertionSuccess();
    };
    for (uint32_t index = 0; index < records; index += 97)
        ASSERT_TRUE(rankAsFlat(*registry.get(index)));
    for (const char* sample : {"sample.c", "sample.json", "sample.js", "sample.md"}) {
        const std::wstring name(sample, sample + std::strlen(sample));
        tessel_test::ParsedText shallow(*rules(), grammarOf(name.c_str()),
                                        tessel_test::readSourceFile(tessel_test::sourceTreePath(
                                            TESSEL_TESTS_DIR, std::string("bundles/shipped/samples/") + sample)));
        const DocumentScopeRegistry& scopes = shallow.document.getScopeRegistry();
        for (uint32_t index = 0; scopes.get(index); ++index)
            ASSERT_TRUE(rankAsFlat(*scopes.get(index))) << sample;
    }
}

TEST_F(ShippedBundlesTest, TheLightThemeColoursCKeywordsBlueAndOperatorsAsText) {
    const std::shared_ptr<DocumentTheme> theme = themes->findTheme(TESSEL_LIGHT);
    ASSERT_NE(themes->getDefaultTheme(), theme);
    ThemeStyler styler;
    styler.setTheme(theme);
    tessel_test::ParsedText parsed(*rules(), L"source.c", L"int main(void) { return 1 + 2; }\n");
    const auto colourOf = [&](const wchar_t* scope) {
        const DocumentScope* record = parsed.findScope(scope);
        return record ? styler.styleAt(styler.getStyle(*record)).foreground : 0u;
    };
    const auto colour = [](const wchar_t* text) {
        ThemeColour parsedColour;
        EXPECT_TRUE(DocumentTheme::parseColour(text, &parsedColour));
        return DocumentTheme::packColour(parsedColour);
    };
    EXPECT_EQ(colour(L"#0000FF"), colourOf(L"keyword.control.c"));
    EXPECT_EQ(colour(L"#0000FF"), colourOf(L"storage.type.c"));
    EXPECT_EQ(colour(L"#1F1F1F"), colourOf(L"keyword.operator.c"));
    EXPECT_EQ(colour(L"#795E26"), colourOf(L"entity.name.function.c"));
    EXPECT_EQ(colour(L"#098658"), colourOf(L"constant.numeric.c"));
    const std::pair<const ThemeColour&, const wchar_t*> surface[] = {
        {theme->background(), L"#FFFFFF"},       {theme->foreground(), L"#1F1F1F"},
        {theme->invisibles(), L"#C8C8C8"},       {theme->lineHighlight(), L"#0000000C"},
        {theme->selection(), L"#3399FF4D"},      {theme->hotspot(), L"#5EB21B30"},
        {theme->areaBackground(), L"#F3F3F3"},
    };
    for (const auto& expected : surface)
        EXPECT_EQ(colour(expected.second), DocumentTheme::packColour(expected.first)) << narrow(expected.second);
}
