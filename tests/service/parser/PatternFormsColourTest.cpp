#include "service/parser/DynamicEndStore.h"
#include "service/parser/LineMatcher.h"

#include "ParsedDocument.h"
#include "ParserTestSupport.h"
#include "TestGrammars.h"

#include <gtest/gtest.h>

using namespace tessel;
using namespace tessel_test;

namespace {

class PatternFormsColourTest : public MainThreadTest {};

} // namespace

// Rules written in the forms the engine reads in its own way colour what the engine matches:
// the line matcher never passes them over on a line they match on.
TEST_F(PatternFormsColourTest, EachRuleColoursTheLineTheEngineMatchesItOn) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* line;
        const wchar_t* runs;
    } rows[] = {
        {L"[-+]{1}?\\d+", L"x 42", L"0:source.f|2:source.f m0"},
        {L"(*COUNT)abc", L"abc", L"0:source.f m1"},
        {L"(?#a\\)(x)def", L"-def", L"0:source.f|1:source.f m2"},
        {L"a(?#note)?b", L"b", L"0:source.f m3"},
        {L"\U0001F600?c", L"=c", L"0:source.f|1:source.f m4"},
        {L"x{3,0}y", L"y", L"0:source.f m5"},
        {L"[[:a]]|xy:]]z", L"::", L"0:source.f m6"},
        {L";(?:a(?m)b\\s*$|\\s*$)", L";a", L"0:source.f m7"},
    };
    GrammarBuilder g(L"source.f");
    const std::wstring scopes[] = {L"m0", L"m1", L"m2", L"m3", L"m4", L"m5", L"m6", L"m7"};
    std::wstring text;
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        g.patterns(g.root(), {g.match(rows[i].pattern, scopes[i].c_str())});
        text += rows[i].line + std::wstring(L"\n");
    }
    const std::shared_ptr<GrammarRuleSet> set = g.finish();
    ParserOwner owner;
    Document document(&owner);
    insertText(document, 0, text);
    setGrammar(document, findRule(set->rule(1)->scope, *set));
    DynamicEndStore store;
    LineMatcher matcher;
    matcher.bind(document, set.get(), 0, store);
    for (int32_t line = 0; line < static_cast<int32_t>(sizeof(rows) / sizeof(rows[0])); ++line) {
        ASSERT_TRUE(matcher.parseLine(line));
        const std::wstring runs = dumpLine(document, line);
        EXPECT_EQ(0u, runs.find(rows[line].runs)) << rows[line].pattern << ": " << std::string(runs.begin(), runs.end());
    }
    matcher.unbind();
}
