#include "service/document/search/RegExComposite.h"
#include "service/document/search/RegExFromSource.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>

using tessel::RegExComposite;

namespace {

// The id of the part that matches text at 0, or 0.
uint32_t matchedId(const RegExComposite& composite, const std::wstring& text) {
    std::unique_ptr<pel::MatchResultsRegEx> results(
        composite.match(nullptr, text.data(), static_cast<int>(text.size()), 0));
    return results->found() ? composite.getId(results->firstMatchedGroup()) : 0;
}

} // namespace

TEST(RegExComposite, BackReferencesMoveBehindTheWrapperGroup) {
    RegExComposite composite;
    EXPECT_EQ(nullptr, composite.compile()) << "no parts, nothing to match";
    ASSERT_TRUE(composite.push(L"x(y)", 0, 7));
    ASSERT_TRUE(composite.push(L"a(b)\\1", 0, 9));
    EXPECT_EQ(L"a(b)\\4", composite.getParts()[1]);
    EXPECT_EQ(5, composite.getGroupCount());
    EXPECT_EQ(9u, composite.getId(3));
    EXPECT_EQ(0u, composite.getId(2)) << "a part's own group is no wrapper";
    EXPECT_EQ(size_t(4 + 2 + 6 + 2), composite.getTextLength());
    EXPECT_EQ(nullptr, composite.getCompiled()) << "nothing compiles until asked";
    ASSERT_NE(nullptr, composite.compile());
    EXPECT_EQ(9u, matchedId(composite, L"abb"));
    EXPECT_EQ(0u, matchedId(composite, L"abc")) << "the reference names the part's own group";
    EXPECT_EQ(7u, matchedId(composite, L"xy"));
    composite.push(L"z", 0, 11);
    EXPECT_EQ(nullptr, composite.getCompiled()) << "a push drops the compiled alternation";
    EXPECT_EQ(0u, matchedId(composite, L"z")) << "matching never compiles";
}

TEST(RegExComposite, TheFirstPartThatMatchesGivesItsId) {
    RegExComposite composite;
    composite.push(L"(a)", 0, 1);
    composite.push(L"(b)", 0, 2);
    composite.push(L"b+", 0, 3);
    composite.compile();
    EXPECT_EQ(2u, matchedId(composite, L"b"));
    std::unique_ptr<pel::MatchResultsRegEx> results(composite.match(nullptr, L"xb", 2, 1));
    EXPECT_EQ(3u, results->firstMatchedGroup()) << "anchored at the position given";
    results.reset(composite.match(results.release(), L"xb", 2, 0));
    EXPECT_FALSE(results->found());
}

TEST(RegExComposite, APartThatDoesNotCompileIsLoggedAndLeftOut) {
    RegExComposite composite;
    tessel_test::LogCapture log;
    EXPECT_TRUE(composite.push(L"a", 0, 1));
    EXPECT_FALSE(composite.push(L"(", 0, 2));
    EXPECT_TRUE(composite.push(L"b", 0, 3));
    EXPECT_TRUE(log.contains(L"RegExComposite::push: Error compiling partial RE: `end pattern with unmatched parenthesis`\n",
                             pel::LOG_INFO));
    EXPECT_EQ(3, composite.getGroupCount());
    composite.compile();
    EXPECT_EQ(3u, matchedId(composite, L"b"));
}

TEST(RegExComposite, ACacheSharedByCompositesChecksEachPartOnce) {
    RegExComposite::PartCache cache;
    RegExComposite first, second;
    tessel_test::LogCapture log;
    for (RegExComposite* composite : {&first, &second}) {
        EXPECT_TRUE(composite->push(L"(a)(b)", 0, 1, &cache));
        EXPECT_FALSE(composite->push(L"(", 0, 2, &cache));
        EXPECT_TRUE(composite->push(L"(c)", 4, 3, &cache));
    }
    EXPECT_EQ(3u, cache.size());
    EXPECT_EQ(2, cache.at(L"(a)(b)").groups);
    EXPECT_EQ(first.getParts(), second.getParts());
    EXPECT_EQ(first.getGroupCount(), second.getGroupCount());
    size_t errors = 0;
    for (const tessel_test::LoggedLine& line : log.lines())
        errors += line.text == L"RegExComposite::push: Error compiling partial RE: `end pattern with unmatched parenthesis`\n";
    EXPECT_EQ(2u, errors) << "every composite still tells of the part it leaves out";
}

TEST(RegExComposite, OptionsWrapThePartAlone) {
    EXPECT_EQ(L"(?imx)a\n(?-imx)", RegExComposite::wrap(L"a", 1 | 2 | 4));
    EXPECT_EQ(L"(?i)a(?-i)", RegExComposite::wrap(L"a", 1 | 256));
    EXPECT_EQ(L"(?m)a(?-m)", RegExComposite::wrap(L"a", 4));
    EXPECT_EQ(L"a", RegExComposite::wrap(L"a", 256));

    RegExComposite composite;
    composite.push(L"a # note", pel::RegExOptions::EXTENDED, 1);
    composite.push(L"A", pel::RegExOptions::IGNORE_CASE, 2);
    composite.push(L"B", 0, 3);
    ASSERT_NE(nullptr, composite.compile()) << "a trailing comment must not swallow the later parts";
    EXPECT_EQ(1u, matchedId(composite, L"a"));
    EXPECT_EQ(2u, matchedId(composite, L"A"));
    EXPECT_EQ(0u, matchedId(composite, L"b")) << "ignoring case ends with its part";
}

TEST(RegExComposite, NumberedReferencesAreRenumbered) {
    const struct {
        const wchar_t* part;
        const wchar_t* renumbered;
    } cases[] = {
        {L"(a)\\1\\12", L"(a)\\3\\14"},
        {L"\\k<1>\\g<1>\\k'1'", L"\\k<3>\\g<3>\\k'3'"},
        {L"\\k<-1>\\g<+1>\\k<name>", L"\\k<-1>\\g<+1>\\k<name>"},
        {L"\\\\1\\01\\x31", L"\\\\1\\01\\x31"},
        {L"[\\1]", L"[\\3]"}, // textual: a class is no exception
        {L"\\k<1", L"\\k<1"},
        {L"a\\", L"a\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.renumbered, RegExComposite::renumber(c.part, 2)) << c.part;

    RegExComposite composite;
    composite.push(L"(x)", 0, 1);
    composite.push(L"(a)\\k<1>", 0, 2);
    composite.push(L"(c)\\k<-1>", 0, 3);
    composite.compile();
    EXPECT_EQ(2u, matchedId(composite, L"aa"));
    EXPECT_EQ(3u, matchedId(composite, L"cc"));
}

TEST(RegExFromSource, OptionLettersAreParsed) {
    std::unique_ptr<pel::RegEx> regex = tessel::createRegEx({L"A+", L"igq"});
    EXPECT_EQ(257u, regex->getOptions());
    EXPECT_TRUE(regex->isGlobal());
    const std::wstring text = L"aa";
    std::unique_ptr<pel::MatchResultsRegEx> results(regex->match(nullptr, text.data(), text.data() + 2, text.data()));
    EXPECT_EQ(2, results->end(0));
    EXPECT_FALSE(tessel::createRegEx({L"", L""})->isCompiled());
}
