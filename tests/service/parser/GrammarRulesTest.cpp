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
    EXPECT_FALSE(rule.compositeAnchored);
    EXPECT_FALSE(pushPattern(rule, RegExSource{L"\\Gx", L""}, 9));
    EXPECT_TRUE(rule.compositeAnchored);
}

TEST_F(GrammarRulesTest, EndPatternsConvertOnlyTheirBackReferences) {
    const std::wstring ref1(L"\0\x1", 2);
    const struct {
        const wchar_t* pattern;
        bool converted;
        std::wstring text;
    } rows[] = {
        {L"end", false, L""},
        {L"\\\\1", false, L""}, // an escaped backslash and a digit
        {L"\\1", true, ref1},
        {L"\\.\\1", true, L"\\." + ref1},
        {L"\\s*\\1\\)", true, L"\\s*" + ref1 + L"\\)"},
        {L"\\65536x", true, L"x"},
        {L"a\\12", true, L"a" + std::wstring(L"\0\xC", 2)},
    };
    for (const auto& row : rows) {
        const std::unique_ptr<DynamicEndSource> source = convertEndPattern(row.pattern);
        ASSERT_EQ(row.converted, source != nullptr) << row.pattern;
        if (source) {
            EXPECT_EQ(row.text, source->text) << row.pattern;
        }
    }
    // Completed with the begin match's text, which never reshapes the expression.
    const std::unique_ptr<DynamicEndSource> source = convertEndPattern(L"^\\1$");
    const struct {
        const wchar_t* delimiter;
        const wchar_t* line;
        bool matches;
    } ends[] = {{L"a.b", L"a.b", true}, {L"a.b", L"axb", false}, {L"a|b", L"a", false}, {L"a|b", L"a|b", true},
                {L"a b#", L"a b#", true}, {L"(x)+", L"(x)+", true}};
    for (const auto& end : ends) {
        const std::unique_ptr<pel::RegEx> regex = compileDynamicEnd(*source, std::vector<std::wstring>{L"", end.delimiter});
        ASSERT_TRUE(regex) << end.delimiter;
        pel::MatchResultsRegEx results;
        const std::wstring line = end.line;
        regex->match(&results, line.data(), line.data() + line.size(), line.data());
        EXPECT_EQ(end.matches, results.found()) << end.delimiter << " / " << end.line;
    }
}

TEST_F(GrammarRulesTest, ASetNumbersItsRulesFromOneAndRefusesThe65536th) {
    auto set = std::make_unique<GrammarRuleSet>();
    const int32_t before = ParserRule::liveCount();
    for (size_t i = 0; i < GrammarRuleSet::MAX_RULES; ++i)
        ASSERT_TRUE(addRuleToGrammarRuleSet(*set, new ParserRule()));
    EXPECT_EQ(1, set->rule(1)->ruleNumber);
    EXPECT_EQ(65535, set->rule(65535)->ruleNumber);
    std::unique_ptr<ParserRule> extra(new ParserRule());
    EXPECT_FALSE(addRuleToGrammarRuleSet(*set, extra.get()));
    EXPECT_EQ(0, extra->ruleNumber);
    EXPECT_EQ(nullptr, set->rule(0));
    extra.reset();
    set.reset();
    EXPECT_EQ(before, ParserRule::liveCount());
}

TEST_F(GrammarRulesTest, RootRulesAreFoundByScopeNameAndTheFirstOfANameStays) {
    GrammarBuilder builder(L"source.c");
    std::shared_ptr<GrammarRuleSet> set = builder.finish();
    auto* second = new ParserRule();
    second->scope = L"source.c";
    ASSERT_TRUE(addRuleToGrammarRuleSet(*set, second));
    EXPECT_FALSE(registerRuleName(*set, second));
    EXPECT_EQ(builder.root(), findRule(L"source.c", *set));
    EXPECT_EQ(nullptr, findRule(L"", *set));
    EXPECT_EQ(nullptr, findRule(L"source.d", *set));
    clearGrammarRuleSet(*set);
    EXPECT_EQ(0u, set->size());
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
