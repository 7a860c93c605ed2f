#include "pel/base/Exception.h"
#include "pel/text/NumberFormatter.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace pel;

TEST(NumberFormatter, SizesAtTheirBoundaries) {
    const std::pair<uint64_t, const wchar_t*> rows[] = {
        {0, L"0 B"}, {1023, L"1023 B"}, {1024, L"1 KB"}, {1536, L"1.5 KB"}, {1075, L"1 KB"},
        {1076, L"1.1 KB"}, {1048575, L"1024 KB"}, {1048576, L"1 MB"}, {5 * 1048576 + 1, L"5 MB"},
        {(1ull << 30) - 1, L"1023 MB"}, {1ull << 30, L"1 GB"}, {(1ull << 40) - 1, L"1023 GB"},
        {1ull << 40, L"1 TB"}, {UINT64_MAX, L"16777215 TB"},
    };
    for (const auto& [bytes, text] : rows) {
        std::wstring out;
        NumberFormatter::appendSize(&out, bytes);
        EXPECT_EQ(text, out) << bytes;
    }
    double size = 0;
    EXPECT_THROW(NumberFormatter::splitSize(1, &size, nullptr), NullPointerException);
    EXPECT_THROW(NumberFormatter::appendSize(nullptr, 1), NullPointerException);
}

TEST(NumberFormatter, TimeSpansAtTheirBoundaries) {
    const std::pair<int64_t, const wchar_t*> rows[] = {
        {0, L"0 seconds"}, {1, L"1 second"}, {59, L"59 seconds"}, {60, L"1 minute"}, {89, L"1 minute"},
        {90, L"2 minutes"}, {3599, L"60 minutes"}, {3600, L"1 hour"}, {5400, L"2 hours"},
        {-1, L"unknown time"}, {INT64_MIN, L"unknown time"},
        // A day is not "0 weeks": spans under a week stay in hours, longer ones count in their
        // own unit.
        {86400, L"24 hours"}, {604799, L"168 hours"}, {604800, L"1 week"}, {907200, L"2 weeks"},
        {2419199, L"4 weeks"}, {2419200, L"1 month"}, {29030399, L"12 months"}, {29030400, L"1 year"},
        {290303999, L"10 years"}, {290304000, L"1 decade"}, {435456000, L"2 decades"},
        {INT64_MAX, L"2147483647 decades"},
    };
    for (const auto& [seconds, text] : rows) {
        std::wstring out;
        NumberFormatter::appendTime(seconds, &out);
        EXPECT_EQ(text, out) << seconds;
    }
    int32_t count = -1;
    const wchar_t* unit = nullptr;
    NumberFormatter::splitTime(-5, &count, &unit);
    EXPECT_EQ(0, count);
    EXPECT_STREQ(L"unknown", unit);
    EXPECT_THROW(NumberFormatter::splitTime(1, nullptr, &unit), NullPointerException);
}
