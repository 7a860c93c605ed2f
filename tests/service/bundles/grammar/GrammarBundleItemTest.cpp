#include "service/bundles/grammar/GrammarBundleItem.h"

#include "GrammarFixtures.h"
#include "support/LogCapture.h"

#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/text/search/RegEx.h"
#include "pel/value/DictionaryValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tessel;
using namespace tessel_test;

namespace {

using Pattern = GrammarBundleItemPattern;

std::wstring captures(const wchar_t* label, const Pattern::CaptureMap& map) {
    std::wstring text;
    for (const auto& capture : map)
        text += L" " + std::wstring(label) + std::to_wstring(capture.first) + L"=" + capture.second;
    return text;
}

// One line per pattern, children indented below it: path, kind, and what the kind carries.
void describe(const Pattern& pattern, std::wstring* out, int depth = 0) {
    static const wchar_t* const KINDS[] = {L"root", L"match", L"begin-end", L"include", L"group", L"invalid"};
    *out += std::wstring(depth * 2, L' ') + pattern.getPath() + L" [" + KINDS[pattern.getKind()] + L"]";
    switch (pattern.getKind()) {
    case Pattern::KIND_MATCH:
        *out += L" /" + pattern.getMatch().pattern + L"/" + captures(L"c", pattern.getCaptures());
        break;
    case Pattern::KIND_BEGIN_END:
        *out += L" /" + pattern.getBegin().pattern + L"/ /" + pattern.getEnd().pattern + L"/" +
                captures(L"b", pattern.getBeginCaptures()) + captures(L"e", pattern.getEndCaptures());
        if (!pattern.getContentName().empty())
            *out += L" content=" + pattern.getContentName();
        break;
    case Pattern::KIND_INCLUDE:
        *out += L" " + std::to_wstring(pattern.getIncludeKind()) + L":" + pattern.getIncludeTarget();
        break;
    default:
        break;
    }
    *out += L"\n";
    if (const Pattern* inject = pattern.getInjectGroup())
        describe(*inject, out, depth + 1);
    for (const auto& child : pattern.getChildren())
        describe(*child, out, depth + 1);
}

std::wstring describeGrammar(const GrammarBundleItem& grammar) {
    std::wstring out;
    describe(grammar, &out);
    std::vector<const Pattern*> entries;
    for (const auto& entry : grammar.getRepository())
        entries.push_back(entry.second.get());
    std::sort(entries.begin(), entries.end(), [](const Pattern* a, const Pattern* b) { return a->getIndex() < b->getIndex(); });
    for (const Pattern* entry : entries)
        describe(*entry, &out, 1);
    return out;
}

// The grammar as Jasmine text, each line break with its indentation as one blank.
std::wstring written(const GrammarBundleItem& grammar) {
    pel::DictionaryValue dval;
    grammar.writeValue(&dval);
    std::wstring text, out;
    pel::JasmineWriterHelper::toJasmine(&dval, &text);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\n') {
            out += text[i];
            continue;
        }
        while (i + 1 < text.size() && (text[i + 1] == L'\t' || text[i + 1] == L'\n'))
            ++i;
        out += L' ';
    }
    return out;
}

} // namespace

TEST(GrammarBundleItem, FixtureReadsIntoItsTreeAndWritesBack) {
    ErrorList errors;
    const GrammarPtr grammar = readGrammar(EXAMPLE_GRAMMAR, &errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(L"source.example#0 [root]\n"
              L"  source.example#0 > <unnamed>#0 [include] 4:strings\n"
              L"  source.example#0 > keyword.control.example#1 [match] /\\b(if|else)\\b/ c1=keyword.word\n"
              L"  source.example#0 > meta.block#2 [begin-end] /(\\{)/ /(\\})/ b1=punctuation.a b2=punctuation.b "
              L"e1=punctuation.a content=meta.inner\n"
              L"    source.example#0 > meta.block#2 > <unnamed>#0 [include] 2:\n"
              L"  source.example#0 > <unnamed>#3 [include] 3:source.other\n"
              L"    source.example#0 > <unnamed>#3 > <unnamed>#0 [group]\n"
              L"      source.example#0 > <unnamed>#3 > <unnamed>#0 > <unnamed>#0 [group]\n"
              L"        source.example#0 > <unnamed>#3 > <unnamed>#0 > <unnamed>#0 > invalid.bang#0 [match] /!/\n"
              L"  source.example#0 > <unnamed>#5 [group]\n"
              L"    source.example#0 > <unnamed>#5 > constant.a#0 [match] /\\x{41}/\n"
              L"    source.example#0 > <unnamed>#5 > <unnamed>#1 [include] 4:comments\n"
              L"  source.example#0 > comment.line#comments#0 [match] /#.*$/\n"
              L"  source.example#0 > constant.character.escape#escape#1 [match] /\\\\./\n"
              L"  source.example#0 > string.quoted#strings#2 [begin-end] /\"/ /\"/\n"
              L"    source.example#0 > string.quoted#strings#2 > <unnamed>#0 [include] 4:escape\n",
              describeGrammar(*grammar));
    EXPECT_EQ((std::vector<std::wstring>{L"php", L"inc"}), readGrammar(LR"({ name: "a" patterns: [] file_types: [ "PHP" "Inc" 3 ] })")->getFileTypes());
    const std::wstring text = written(*grammar);
    EXPECT_EQ(LR"({ title: "Example" name: "source.example" patterns: [ { include: "#strings" } )"
              LR"({ name: "keyword.control.example" match: /\b(if|else)\b/ captures: { 1: { name: "keyword.word" } } } )"
              LR"({ name: "meta.block" begin: /(\{)/ end: /(\})/ content_name: "meta.inner" )"
              LR"(captures: { 1: { name: "punctuation.a" } } )"
              LR"(begin_captures: { 1: { name: "punctuation.a" } 2: { name: "punctuation.b" } } )"
              LR"(end_captures: { 1: { name: "punctuation.a" } } patterns: [ { include: "$self" } ] } )"
              LR"({ include: "source.other" inject: [ { patterns: [ { name: "invalid.bang" match: /!/ } ] } ] } )"
              LR"({ patterns: [ { name: "constant.a" match: /\x41/ } { include: "#comments" } ] } ] )"
              LR"(file_types: [ "ex" "exa" ] folding_start_marker: /\{\s*$/ )"
              LR"(repository: { comments: { name: "comment.line" match: /#.*$/ } )"
              LR"(escape: { name: "constant.character.escape" match: /\\./ } )"
              LR"(strings: { name: "string.quoted" begin: /"/ end: /"/ patterns: [ { include: "#escape" } ] } } })",
              text);
    // Written text reads back into the same tree (the dropped pattern's gap closes).
    const GrammarPtr again = readGrammar(text);
    EXPECT_EQ(text, written(*again));
}

TEST(GrammarBundleItem, PatternsReadAsTheirKeysSay) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* tree; // the root's children; empty when the pattern is dropped
        const wchar_t* logged;
        const wchar_t* error; // of the entry's own list
    } rows[] = {
        {L"{ begin: /a/ }", L"", L"", L""},
        {L"{ begin: /a/ include: \"#k\" }", L"a#0 > <unnamed>#0 [include] 4:k\n", L"", L""},
        {L"{ include: \"#\" }", L"", L"The `include` property was empty.", L""},
        {L"{ include: \"$self\" }", L"a#0 > <unnamed>#0 [include] 2:\n", L"", L""},
        {L"{ include: \"$base\" }", L"a#0 > <unnamed>#0 [include] 1:\n", L"", L""},
        {L"{ include: \"source.js\" }", L"a#0 > <unnamed>#0 [include] 3:source.js\n", L"", L""},
        {L"{ match: /a/ captures: [ ] }", L"", L"The `captures` property should be `dictionary` but is `List`.", L""},
        {L"{ match: /(a)(b)/ scope_name: \"s\" captures: { x: { name: \"n\" } 1: { } 2: { name: \"b\" } } }",
         L"a#0 > s#0 [match] /(a)(b)/ c2=b\n", L"", L""},
        {L"{ begin: /(a)(b)/ end: /c/ captures: { 1: { name: \"a\" } } "
         L"begin_captures: { 1: { name: \"b1\" } 2: { name: \"c\" } } }",
         L"a#0 > <unnamed>#0 [begin-end] /(a)(b)/ /c/ b1=b1 b2=c e1=a\n", L"", L""},
        {L"{ begin: /a/ end: /b/ end_captures: 5 }", L"", L"The `end_captures` property should be", L""},
        {L"{ match: /a/ } { other: 1 }", L"a#0 > <unnamed>#0 [match] /a/\n", L"", L""},
        // Not dictionaries where patterns are: dropped, the rest read, the place reported.
        {L"7 { match: /a/ }", L"a#0 > <unnamed>#1 [match] /a/\n", L"should be `Dictionary` but is `Integer`",
         L"Value must be `Dictionary`, but `Integer` found. (Line 1, Char 25)"},
        {L"{ include: \"s.x\" inject: [ \"s\" { patterns: [ { match: /b/ } ] } { other: 1 } ] }",
         L"a#0 > <unnamed>#0 [include] 3:s.x\n"
         L"  a#0 > <unnamed>#0 > <unnamed>#0 [group]\n"
         L"    a#0 > <unnamed>#0 > <unnamed>#0 > <unnamed>#0 [group]\n"
         L"      a#0 > <unnamed>#0 > <unnamed>#0 > <unnamed>#0 > <unnamed>#0 [match] /b/\n",
         L"should be `Dictionary` but is `String`", L"Value must be `Dictionary`, but `String` found. (Line 1, Char 52)"},
        {L"{ patterns: [ { match: /a/ } [ ] ] }",
         L"a#0 > <unnamed>#0 [group]\n  a#0 > <unnamed>#0 > <unnamed>#0 [match] /a/\n",
         L"should be `Dictionary` but is `List`", L"Value must be `Dictionary`, but `List` found."},
    };
    for (const auto& row : rows) {
        LogCapture log;
        ErrorList errors;
        const GrammarPtr grammar = readGrammar(L"{ name: \"a\" patterns: [ " + std::wstring(row.pattern) + L" ] }", &errors);
        std::wstring tree;
        for (const auto& child : grammar->getChildren())
            describe(*child, &tree);
        EXPECT_EQ(row.tree, tree) << row.pattern;
        if (*row.logged) {
            EXPECT_TRUE(log.contains(row.logged, pel::LOG_ERROR)) << row.pattern;
        }
        const std::wstring error = errors.empty() ? L"" : errors.getFirst()->getMessage();
        EXPECT_EQ(std::wstring(row.error), error.substr(0, wcslen(row.error))) << row.pattern;
        EXPECT_EQ(*row.error ? 1u : 0u, errors.size()) << row.pattern;
    }
}

TEST(GrammarBundleItem, RootsThatDoNotReadGiveAnEmptyGrammar) {
    for (const wchar_t* text : {L"{ patterns: [ { match: /a/ } ] repository: { k: { match: /b/ } } file_types: [ \"x\" ] }",
                                L"{ name: \"a\" }", L"{ name: \"a\" match: /x/ patterns: [ ] }"}) {
        const GrammarPtr grammar = readGrammar(text);
        EXPECT_EQ(Pattern::KIND_ROOT, grammar->getKind()) << text;
        EXPECT_TRUE(grammar->getName().empty() && grammar->getChildren().empty() && grammar->getRepository().empty() &&
                    grammar->getFileTypes().empty())
            << text;
    }
    ErrorList errors;
    const GrammarPtr grammar = readGrammar(L"{ name: \"a\" patterns: [ ] repository: { k: 5 j: { match: /b/ } } }", &errors);
    ASSERT_EQ(1u, grammar->getRepository().size());
    EXPECT_EQ(L"a#0 > <unnamed>#j#1", grammar->getRepository().at(L"j")->getPath());
    EXPECT_EQ(1u, errors.size());
    EXPECT_EQ(L"{ title: \"\" name: \"\" patterns: [ ] file_types: [ ] repository: { } }",
              written(*GrammarPtr(new GrammarBundleItem, false)));
}

TEST(GrammarBundleItem, ByteEscapesStandForOneUnitAndAreWrittenAsRead) {
    LogCapture log;
    const GrammarPtr grammar = readGrammar(L"{ name: \"a\" patterns: [ { match: /\\x41\\\\x42/ } ] }");
    EXPECT_EQ(L"\\x{41}\\\\x42", grammar->getChildren().at(0)->getMatch().pattern);
    size_t warnings = 0;
    for (const LoggedLine& line : log.lines())
        warnings += line.level == pel::LOG_WARNING && line.text == L"Incorrect Unicode escape sequence used at /\\x41\\\\x42/.\n";
    EXPECT_EQ(1u, warnings);
    // Written and read twice: still one unit for the A.
    const GrammarPtr second = readGrammar(written(*grammar));
    const GrammarPtr third = readGrammar(written(*second));
    EXPECT_EQ(L"\\x{41}\\\\x42", third->getChildren().at(0)->getMatch().pattern);
    EXPECT_NE(std::wstring::npos, written(*third).find(L"match: /\\x41\\\\x42/"));
}

// css.json's name characters, [-A-Z_a-z[^\x00-\x7F]]: a nested negated class that the engine's
// UTF-16 encoding would let match every character. As the compiler takes it, it matches the
// name and not the braces; it is written back as it was read.
TEST(GrammarBundleItem, ANestedNegatedByteRangeMatchesOnlyWhatItSays) {
    LogCapture log;
    const GrammarPtr grammar = readGrammar(L"{ name: \"a\" patterns: [ { match: /[-A-Z_a-z[^\\x00-\\x7F]]+/ } ] }");
    const std::unique_ptr<pel::RegEx> name = pel::RegEx::create(grammar->getChildren().at(0)->getMatch().pattern);
    pel::MatchResultsRegEx results;
    const std::wstring text = L"{ a-b\u00E9\u3042 }";
    name->search(&results, text.data(), text.data() + text.size(), text.data(), text.data() + text.size());
    EXPECT_EQ(2, results.begin(0));
    EXPECT_EQ(7, results.end(0));
    EXPECT_NE(std::wstring::npos, written(*grammar).find(L"match: /[-A-Z_a-z[^\\x00-\\x7F]]+/"));
}

