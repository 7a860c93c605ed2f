#include "service/bundles/grammar/GrammarPatternGroups.h"

#include <gtest/gtest.h>

using namespace tessel;

TEST(GrammarPatternGroups, OnlyTheGroupsReadKeepCapturing) {
    const struct {
        const wchar_t* pattern;
        const wchar_t* options;
        std::set<uint32_t> keep;
        const wchar_t* rewritten; // null: left as it is
        std::map<uint32_t, uint32_t> numbers;
    } rows[] = {
        {L"(a)(b)(c)", L"", {2}, L"(?:a)(b)(?:c)", {{2, 1}}},
        {L"(a(b))\\((c)", L"", {2, 3}, L"(?:a(b))\\((c)", {{2, 1}, {3, 2}}},
        {L"[(][^](][[:alpha:](]]*(x)", L"", {1}, L"[(][^](][[:alpha:](]]*(x)", {{1, 1}}},
        {L"(?<!\\.)(?=(x))(?#a (comment)(y)", L"", {}, L"(?<!\\.)(?=(?:x))(?#a (comment)(?:y)", {}},
        {L"(?i:(a))(b)", L"", {5}, L"(?i:(?:a))(?:b)", {}},
        {L"(a)\\1", L"", {}, nullptr, {}},
        {L"(?<n>a)(b)", L"", {}, nullptr, {}},
        {L"(?x) ( a ) # (", L"", {}, nullptr, {}},
        {L"(a)", L"x", {}, nullptr, {}},
        {L"\\k<1>(a)\\g<1>", L"", {}, nullptr, {}},
    };
    for (const auto& row : rows) {
        std::wstring rewritten;
        std::map<uint32_t, uint32_t> numbers;
        const bool done = GrammarPatternGroups::dropUnused(row.pattern, row.options, row.keep, &rewritten, &numbers);
        EXPECT_EQ(row.rewritten != nullptr, done) << row.pattern;
        if (done) {
            EXPECT_EQ(row.rewritten, rewritten) << row.pattern;
            EXPECT_EQ(row.numbers, numbers) << row.pattern;
        }
    }
}
