#include "pel/text/search/RegEx.h"
#include "pel/text/search/RegExSet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace pel;

namespace {

struct Found {
    int index;
    int begin;
    int end;
    int groups;
};

Found searchFrom(RegExSetSearch& set, const std::wstring& text, int from, uint32_t options = 0) {
    MatchResultsRegEx results;
    const int index = set.search(&results, text.data(), text.data() + text.size(), text.data() + from, options);
    return {index, results.begin(0), results.end(0), static_cast<int>(results.size())};
}

// The set answers as one alternation of its expressions would: the first position where any
// matches, and there the first in order; each keeps its own groups; one that does not compile
// never matches; \G holds where the search starts unless the call says otherwise.
TEST(RegExSetSearch, FindsTheFirstPositionAndThereTheFirstExpressionInOrder) {
    std::vector<std::unique_ptr<RegEx>> owned;
    for (const wchar_t* pattern : {L"(b)(c)", L"a(", L"bc", L"\\Gx", L"(?<=\\n)"})
        owned.push_back(RegEx::create(pattern));
    std::vector<const RegEx*> expressions;
    for (const auto& regex : owned)
        expressions.push_back(regex.get());
    RegExSetSearch set(expressions);

    const std::wstring text = L"xabc\n";
    Found found = searchFrom(set, text, 0);
    EXPECT_EQ(3, found.index); // \Gx at the start
    found = searchFrom(set, text, 0, RegExOptions::NO_START_ANCHOR);
    EXPECT_EQ(0, found.index); // (b)(c) before bc at the same place
    EXPECT_EQ(2, found.begin);
    EXPECT_EQ(4, found.end);
    EXPECT_EQ(3, found.groups);
    found = searchFrom(set, text, 3);
    EXPECT_EQ(4, found.index); // after the line feed, at the text's end
    EXPECT_EQ(5, found.begin);

    // The same expressions in another set, on another thread's behalf, answer alike.
    RegExSetSearch other({owned[2].get(), owned[0].get()});
    found = searchFrom(other, text, 1);
    EXPECT_EQ(0, found.index); // bc, first in this order
    EXPECT_EQ(2, found.begin);
    EXPECT_EQ(1, found.groups);
}

// A search past its bound of backtracking steps ends with the engine's error, told apart from
// no match; nothing matches in an empty set.
TEST(RegExSetSearch, ABoundedSearchEndsInAnErrorAndAnEmptySetFindsNothing) {
    const std::unique_ptr<RegEx> slow = RegEx::create(L"(a*a*c)|(\\s)");
    RegExSetSearch set({slow.get()});
    MatchResultsRegEx results;
    results.setSearchRetryLimit(1000);
    const std::wstring text(3000, L'a');
    EXPECT_EQ(-1, set.search(&results, text.data(), text.data() + text.size(), text.data()));
    EXPECT_TRUE(results.overSearchRetryLimit());

    RegExSetSearch empty({});
    EXPECT_EQ(-1, searchFrom(empty, L"abc", 0).index);
}

} // namespace
