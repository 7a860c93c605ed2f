#include "service/bundles/grammar/GrammarBundleItemCompiler.h"
#include "service/bundles/grammar/GrammarBundleItemCompilerTask.h"

#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"

#include "pel/text/search/RegExLibrary.h"
#include "pel/thread/Thread.h"

#include "GrammarFixtures.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;
using namespace tessel_test;

namespace {

std::wstring captureScopes(const wchar_t* label, const std::map<uint32_t, ParserRule*>& captures) {
    std::wstring text;
    for (const auto& capture : captures)
        text += L" " + std::wstring(label) + std::to_wstring(capture.first) + L"=" + capture.second->scope + L"#" +
                std::to_wstring(capture.second->ruleNumber);
    return text;
}

// One line per rule: number, name, scope, captures, content, alternatives and end.
std::wstring dump(const GrammarRuleSet& set) {
    std::wstring text;
    for (uint32_t number = 1; number <= set.size(); ++number) {
        const ParserRule& rule = *set.rule(number);
        text += std::to_wstring(rule.ruleNumber) + L" " + rule.name + L" [" + rule.scope + L"]" +
                captureScopes(L"b", rule.beginCaptures) + captureScopes(L"e", rule.endCaptures);
        if (rule.contentRule)
            text += L" content=" + rule.contentRule->scope + L"#" + std::to_wstring(rule.contentRule->ruleNumber);
        if (!rule.alternatives.empty()) {
            text += L" alt=";
            for (uint32_t alternative : rule.alternatives)
                text += std::to_wstring(alternative) + (alternative == rule.alternatives.back() ? L"" : L",");
        }
        if (rule.endPattern)
            text += L" end=/" + rule.endPattern->getPattern() + L"/";
        if (rule.dynamicEnd) {
            text += L" end-template=/";
            for (size_t i = 0; i < rule.dynamicEnd->text.size(); ++i)
                text += rule.dynamicEnd->text[i] ? std::wstring(1, rule.dynamicEnd->text[i])
                                                 : L"{" + std::to_wstring(rule.dynamicEnd->text[++i]) + L"}";
            text += L"/";
        }
        text += L"\n";
    }
    return text;
}

GrammarMap grammars(std::initializer_list<const wchar_t*> texts) {
    GrammarMap map;
    for (const wchar_t* text : texts) {
        const GrammarPtr grammar = readGrammar(text);
        map.emplace(grammar->getName(), grammar);
    }
    return map;
}

std::shared_ptr<GrammarRuleSet> compiled(const GrammarMap& map) {
    return GrammarBundleItemCompiler(&map, nullptr).compile();
}

// Compiles on a thread of its own, as the grammar manager's runner does (with the stack every
// thread of the program gets): a stack overflow there ends the test program.
std::shared_ptr<GrammarRuleSet> compiledOnAThread(const GrammarMap& map) {
    struct CompileRun : pel::Runnable {
        explicit CompileRun(const GrammarMap& map) : task(&map) {}
        void run() override { task.run(); }
        GrammarBundleItemCompilerTask task;
    } run(map);
    pel::Thread thread(L"CompileTaskRunner");
    thread.start(run);
    thread.join();
    return run.task.takeResult();
}

// "name: pattern" of each alternative of the rule.
std::wstring alternativesOf(const GrammarRuleSet& set, const ParserRule& rule) {
    std::wstring text;
    for (uint32_t alternative : rule.alternatives)
        text += set.rule(alternative)->scope + L" ";
    return text;
}

} // namespace

TEST(GrammarBundleItemCompiler, FixturesCompileIntoTheSameRulesEveryTime) {
    LogCapture log;
    const GrammarMap map = grammars({EXAMPLE_GRAMMAR, OTHER_GRAMMAR});
    const std::shared_ptr<GrammarRuleSet> set = compiled(map);
    ASSERT_TRUE(set);
    // Capture 2 of meta.block's begin names no group: it is left out of the rule (8 and 19 stay
    // unused). source.other is first compiled under the injection source.example's include carries (rules
    // 1-11; its $base is source.example, whose repository includes are looked up in
    // source.other's), then alone (24, 25).
    const std::wstring first = dump(*set);
    EXPECT_EQ(L"1 source.other#0 [source.other] alt=2,3\n"
              L"2 source.example#0 > <unnamed>#3 > <unnamed>#0 > <unnamed>#0 > invalid.bang#0 [invalid.bang]\n"
              L"3 source.other#0 > string.heredoc#0 [string.heredoc] alt=2,4,6,3,11 end-template=/^{1}$/\n"
              L"4 source.example#0 > keyword.control.example#1 [keyword.control.example] b1=keyword.word#5\n"
              L"5  [keyword.word]\n"
              L"6 source.example#0 > meta.block#2 [meta.block] b1=punctuation.a#7 e1=punctuation.a#9 "
              L"content=meta.inner#10 alt=2,3 end=/(\\})/\n"
              L"7  [punctuation.a]\n"
              L"8  [punctuation.b]\n"
              L"9  [punctuation.a]\n"
              L"10  [meta.inner]\n"
              L"11 source.example#0 > <unnamed>#5 > constant.a#0 [constant.a]\n"
              L"12 source.example#0 [source.example] alt=13,15,17,2,3,22,23\n"
              L"13 source.example#0 > string.quoted#strings#2 [string.quoted] alt=14 end=/\"/\n"
              L"14 source.example#0 > constant.character.escape#escape#1 [constant.character.escape]\n"
              L"15 source.example#0 > keyword.control.example#1 [keyword.control.example] b1=keyword.word#16\n"
              L"16  [keyword.word]\n"
              L"17 source.example#0 > meta.block#2 [meta.block] b1=punctuation.a#18 "
              L"e1=punctuation.a#20 content=meta.inner#21 alt=13,15,17,2,3,22,23 end=/(\\})/\n"
              L"18  [punctuation.a]\n"
              L"19  [punctuation.b]\n"
              L"20  [punctuation.a]\n"
              L"21  [meta.inner]\n"
              L"22 source.example#0 > <unnamed>#5 > constant.a#0 [constant.a]\n"
              L"23 source.example#0 > comment.line#comments#0 [comment.line]\n"
              L"24 source.other#0 [source.other] alt=25\n"
              L"25 source.other#0 > string.heredoc#0 [string.heredoc] alt=25 end-template=/^{1}$/\n",
              first);
    EXPECT_EQ(first, dump(*compiled(map)));
    // Each grammar's files get its own root, not the one under another grammar's injection.
    EXPECT_EQ(set->rule(12), findRule(L"source.example", *set));
    EXPECT_EQ(set->rule(24), findRule(L"source.other", *set));
    size_t missing = 0;
    for (const LoggedLine& line : log.lines())
        missing += line.text == L"Repository pattern `missing` not found.\n";
    EXPECT_EQ(4u, missing); // once per context and compile
}

TEST(GrammarBundleItemCompiler, IncludeCyclesEnd) {
    const struct {
        std::initializer_list<const wchar_t*> grammars;
        const wchar_t* rules;
    } rows[] = {
        {{LR"({ name: "s.a" patterns: [ { include: "$self" } { include: "$base" } { match: /a/ } ] })"},
         L"1 s.a#0 [s.a] alt=2\n2 s.a#0 > <unnamed>#2 []\n"},
        {{LR"({ name: "s.a" patterns: [ { include: "#x" } ] repository: {
                x: { patterns: [ { include: "#y" } { match: /x/ } ] }
                y: { patterns: [ { include: "#x" } { include: "#y" } { match: /y/ } ] } } })"},
         L"1 s.a#0 [s.a] alt=2,3\n2 s.a#0 > <unnamed>#y#1 > <unnamed>#2 []\n3 s.a#0 > <unnamed>#x#0 > <unnamed>#1 []\n"},
        {{LR"({ name: "s.a" patterns: [ { include: "s.b" } { match: /a/ } ] })",
          LR"({ name: "s.b" patterns: [ { include: "s.a" } { match: /b/ } ] })"},
         L"1 s.b#0 [s.b] alt=2,3\n2 s.b#0 > <unnamed>#1 []\n3 s.a#0 > <unnamed>#1 []\n4 s.a#0 [s.a] alt=3,2\n"},
    };
    for (const auto& row : rows) {
        const std::shared_ptr<GrammarRuleSet> set = compiled(grammars(row.grammars));
        ASSERT_TRUE(set);
        EXPECT_EQ(row.rules, dump(*set)) << *row.grammars.begin();
    }
}

TEST(GrammarBundleItemCompiler, AStoppedCompileGivesNothingAndKeepsNoRule) {
    const GrammarMap map = grammars({EXAMPLE_GRAMMAR, OTHER_GRAMMAR});
    const int32_t live = ParserRule::liveCount();
    // Stopped at each of its stop tests in turn: no set, no rule left behind.
    int tests = 0;
    GrammarBundleItemCompiler(&map, [&tests] { return ++tests, false; }).compile();
    ASSERT_GT(tests, 10);
    for (int at = 1; at <= tests; ++at) {
        int asked = 0;
        EXPECT_FALSE(GrammarBundleItemCompiler(&map, [&asked, at] { return ++asked >= at; }).compile()) << at;
        EXPECT_EQ(live, ParserRule::liveCount()) << at;
    }
    GrammarBundleItemCompilerTask task(&map);
    task.requestStop();
    task.run();
    EXPECT_FALSE(task.getResult());
    EXPECT_EQ(live, ParserRule::liveCount());
}

TEST(GrammarBundleItemCompiler, ARuleSetFullOfRulesLeavesTheRestOut) {
    std::wstring text = L"{ name: \"s.a\" patterns: [";
    for (int i = 0; i < 33000; ++i)
        text += L" { match: /a/ captures: { 1: { name: \"c\" } } }";
    LogCapture log;
    const int32_t live = ParserRule::liveCount();
    {
        const std::shared_ptr<GrammarRuleSet> set = compiled(grammars({(text + L" ] }").c_str()}));
        ASSERT_TRUE(set);
        EXPECT_EQ(GrammarRuleSet::MAX_RULES, set->size());
        EXPECT_EQ(32767u, set->rule(1)->alternatives.size());
    }
    EXPECT_EQ(live, ParserRule::liveCount());
    EXPECT_TRUE(log.contains(L"More than 65535 rules", pel::LOG_ERROR));
}

TEST(GrammarBundleItemCompiler, IncludeChainsPastTheDepthBoundAreCutNotOverflowed) {
    // 20,000 repository entries, each including the next: the one 1,000 includes deep is the
    // last taken in.
    std::wstring text = L"{ name: \"s.chain\" patterns: [ { include: \"#r0\" } ] repository: {";
    for (int i = 0; i < 20000; ++i) {
        const std::wstring own = i == 999 ? L" { match: /kept/ name: \"kept\" }"
                                          : i == 1000 ? L" { match: /cut/ name: \"cut\" }" : L"";
        text += L" r" + std::to_wstring(i) + L": { patterns: [ { include: \"#r" + std::to_wstring(i + 1) + L"\" }" +
                own + L" ] }";
    }
    LogCapture log;
    {
        const std::shared_ptr<GrammarRuleSet> set = compiledOnAThread(grammars({(text + L" } }").c_str()}));
        ASSERT_TRUE(set);
        EXPECT_EQ(L"kept ", alternativesOf(*set, *findRule(L"s.chain", *set)));
        EXPECT_TRUE(log.contains(L"Include of `r1000` nested more than 1000 deep left out.", pel::LOG_WARNING));
    }

    // Grammars including each other by scope name, 2,500 long: each is compiled, those whose
    // chain to the last one stays within the bound take its pattern in.
    GrammarMap chain;
    const int length = 2500;
    const auto scope = [](int i) {
        const std::wstring number = std::to_wstring(i);
        return L"s.g" + std::wstring(4 - number.size(), L'0') + number;
    };
    for (int i = 0; i < length; ++i) {
        const std::wstring pattern = i + 1 < length ? L"{ include: \"" + scope(i + 1) + L"\" }" : L"{ match: /end/ name: \"end\" }";
        const GrammarPtr grammar = readGrammar(L"{ name: \"" + scope(i) + L"\" patterns: [ " + pattern + L" ] }");
        chain.emplace(grammar->getName(), grammar);
    }
    const std::shared_ptr<GrammarRuleSet> set = compiledOnAThread(chain);
    ASSERT_TRUE(set);
    EXPECT_EQ(L"end ", alternativesOf(*set, *findRule(scope(length - 1), *set)));
    EXPECT_EQ(L"end ", alternativesOf(*set, *findRule(scope(length - 400), *set)));
    EXPECT_EQ(L"", alternativesOf(*set, *findRule(scope(0), *set)));
    EXPECT_TRUE(log.contains(L"Include of `" + scope(1001) + L"` nested more than 1000 deep left out."));
}

// Groups nested 200,000 deep, past the engine's parse depth limit: the pattern fails and is left
// out (nothing reads it further), the others kept; nested 100 deep, it is kept.
TEST(GrammarBundleItemCompiler, GroupsNestedPastTheParseDepthLimitFailAsAPattern) {
    const auto nested = [](size_t depth) { return std::wstring(depth, L'(') + L"a" + std::wstring(depth, L')'); };
    LogCapture log;
    const std::shared_ptr<GrammarRuleSet> set = compiledOnAThread(grammars(
        {(L"{ name: \"s.a\" patterns: [ { match: /" + nested(200000) + L"/ name: \"deep\" } { match: /b/ name: \"b\" } "
          L"{ match: /" + nested(100) + L"/ name: \"within\" } ] }").c_str()}));
    ASSERT_TRUE(set);
    EXPECT_EQ(L"b within ", alternativesOf(*set, *findRule(L"s.a", *set)));
    EXPECT_TRUE(log.contains(L"parse depth limit over"));
}

TEST(GrammarBundleItemCompiler, ChainedEscapesPastTheParseDepthLimitFailAsAPattern) {
    // At the limit a chain is a character like any other; past it the pattern fails and is left
    // out of its rule, the others kept.
    for (const wchar_t* link : {L"\\M-", L"\\C-", L"\\c"}) {
        std::wstring atLimit, pastIt;
        for (unsigned int i = 0; i < pel::REGEX_PARSE_DEPTH_LIMIT; ++i)
            atLimit += link;
        for (int i = 0; i < 50000; ++i)
            pastIt += link;
        LogCapture log;
        const std::shared_ptr<GrammarRuleSet> set = compiledOnAThread(grammars(
            {(L"{ name: \"s.a\" patterns: [ { match: /" + pastIt + L"a/ name: \"deep\" } { match: /b/ name: \"b\" } "
              L"{ match: /" + atLimit + L"a/ name: \"limit\" } ] }").c_str()}));
        ASSERT_TRUE(set);
        EXPECT_EQ(L"b limit ", alternativesOf(*set, *findRule(L"s.a", *set)));
        EXPECT_TRUE(log.contains(L"parse depth limit over"));
    }
}
