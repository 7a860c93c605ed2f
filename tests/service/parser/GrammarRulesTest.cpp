#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"
#include "service/parser/RuleSetHolder.h"

#include "ParserTestSupport.h"
#include "TestGrammars.h"

#include <gtest/gtest.h>

using namespace tessel;
using namespace tessel_test;

namespace {

class GrammarRulesTest : public MainThreadTest {};

TEST_F(GrammarRulesTest, ASubRulePushedTwiceIsOneAlternativeAndABadPatternNone) {
    ParserRule rule;
    EXPECT_FALSE(pushPattern(rule, RegExSource{L"a+", L""}, 7));
    EXPECT_TRUE(pushPattern(rule, RegExSource{L"b+", L""}, 7));
    EXPECT_FALSE(pushPattern(rule, RegExSource{L"(", L""}, 8));
    EXPECT_EQ(std::vector<uint32_t>{7}, rule.alternatives);
}

TEST_F(GrammarRulesTest, EndPatternsConvertOnlyTheirBackReferencesAndTheMatchedTextStaysLiteral) {
    const std::wstring ref1(L"\0\x1", 2), none = L"(none)";
    const std::pair<const wchar_t*, std::wstring> rows[] = {
        {L"end", none}, {L"\\\\1", none}, {L"\\1", ref1}, {L"\\.\\1", L"\\." + ref1},
        {L"\\s*\\1\\)", L"\\s*" + ref1 + L"\\)"}, {L"\\65536x", L"x"}, {L"a\\12", L"a" + std::wstring(L"\0\xC", 2)},
    };
    for (const auto& row : rows) {
        const std::unique_ptr<DynamicEndSource> source = convertEndPattern(row.first);
        EXPECT_EQ(row.second, source ? source->text : none) << row.first;
    }
    // A delimiter full of characters that would reshape the expression matches only itself.
    const std::wstring delimiter = L"a.b|c d#(x)+", other = L"axb|c d#xx";
    const std::unique_ptr<pel::RegEx> end =
        compileDynamicEnd(*convertEndPattern(L"^\\1$"), std::vector<std::wstring>{L"", delimiter});
    pel::MatchResultsRegEx results;
    for (const std::wstring* line : {&delimiter, &other}) {
        end->match(&results, line->data(), line->data() + line->size(), line->data());
        EXPECT_EQ(line == &delimiter, results.found()) << *line;
    }
}

TEST_F(GrammarRulesTest, ASetNumbersItsRulesFromOneRefusesThe65536thAndFindsRootsByScopeName) {
    const int32_t before = ParserRule::liveCount();
    std::shared_ptr<GrammarRuleSet> set = GrammarBuilder(L"source.c").finish();
    while (set->size() < GrammarRuleSet::MAX_RULES)
        ASSERT_TRUE(addRuleToGrammarRuleSet(*set, new ParserRule()));
    EXPECT_EQ(65535, set->rule(65535)->ruleNumber);
    std::unique_ptr<ParserRule> extra(new ParserRule());
    extra->scope = L"source.c";
    EXPECT_FALSE(addRuleToGrammarRuleSet(*set, extra.get()));
    EXPECT_EQ(0, extra->ruleNumber);
    EXPECT_FALSE(registerRuleName(*set, extra.get())); // the first of a name stays
    EXPECT_EQ(set->rule(1), findRule(L"source.c", *set));
    EXPECT_EQ(nullptr, findRule(L"", *set));
    EXPECT_EQ(nullptr, set->rule(0));
    extra.reset();
    set.reset();
    EXPECT_EQ(before, ParserRule::liveCount());
}

TEST_F(GrammarRulesTest, SubscribersHearNoneBeforeTheOldSetGoesAndTheNewRuleAfter) {
    const int32_t before = ParserRule::liveCount();
    RuleSetHolder holder;
    std::vector<std::wstring> heard;
    std::weak_ptr<GrammarRuleSet> oldSet;
    holder.subscribe(L"source.c", this, [&](const std::wstring& name, const DocumentGrammar* grammar) {
        const auto* rule = static_cast<const ParserRule*>(grammar);
        heard.push_back(name + L" " + (rule ? rule->scope : std::wstring(L"none")) +
                        (oldSet.expired() ? L"" : L" (old set alive)"));
    });
    EXPECT_FALSE(holder.ask(L"source.c", nullptr)); // nothing installed yet

    std::shared_ptr<GrammarRuleSet> a = cGrammar();
    oldSet = a;
    holder.replaceGrammarRuleSet(std::move(a));
    const DocumentGrammar* asked = nullptr;
    EXPECT_TRUE(holder.ask(L"source.c", [&](const std::wstring&, const DocumentGrammar* g) { asked = g; }));
    EXPECT_EQ(holder.resolved(L"source.c"), asked);
    EXPECT_FALSE(holder.ask(L"source.json", nullptr));

    holder.replaceGrammarRuleSet(cGrammar());
    EXPECT_TRUE(oldSet.expired());
    const std::vector<std::wstring> expected = {L"source.c source.c (old set alive)", L"source.c none (old set alive)",
                                                L"source.c source.c"};
    EXPECT_EQ(expected, heard);

    holder.cancelAll(this);
    holder.replaceGrammarRuleSet(nullptr);
    EXPECT_EQ(3u, heard.size());
    EXPECT_EQ(before, ParserRule::liveCount());
}

} // namespace
