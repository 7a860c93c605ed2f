#include "pel/base/Exception.h"
#include "pel/text/NumberFormatter.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace pel;

namespace {

std::wstring size(uint64_t bytes) {
    std::wstring text;
    NumberFormatter::appendSize(&text, bytes);
    return text;
}

std::wstring span(int64_t seconds) {
    std::wstring text;
    NumberFormatter::appendTime(seconds, &text);
    return text;
}

} // namespace

TEST(NumberFormatter, SizesAtTheirBoundaries) {
    EXPECT_EQ(L"0 B", size(0));
    EXPECT_EQ(L"1023 B", size(1023));
    EXPECT_EQ(L"1 KB", size(1024));
    EXPECT_EQ(L"1.5 KB", size(1536));
    EXPECT_EQ(L"1 KB", size(1075));   // 1.0498
    EXPECT_EQ(L"1.1 KB", size(1076)); // 1.0508
    EXPECT_EQ(L"1024 KB", size(1048575));
    EXPECT_EQ(L"1 MB", size(1048576));
    EXPECT_EQ(L"5 MB", size(5 * 1048576 + 1));
    EXPECT_EQ(L"1023 MB", size((uint64_t(1) << 30) - 1));
    EXPECT_EQ(L"1 GB", size(uint64_t(1) << 30));
    EXPECT_EQ(L"1023 GB", size((uint64_t(1) << 40) - 1));
    EXPECT_EQ(L"1 TB", size(uint64_t(1) << 40));
    EXPECT_EQ(L"16777215 TB", size(UINT64_MAX));

    double value = 0;
    const wchar_t* unit = nullptr;
    NumberFormatter::splitSize(2047, &value, &unit);
    EXPECT_EQ(2.0, value);
    EXPECT_STREQ(L"KB", unit);
    EXPECT_THROW(NumberFormatter::splitSize(1, nullptr, &unit), NullPointerException);
    EXPECT_THROW(NumberFormatter::splitSize(1, &value, nullptr), NullPointerException);
    EXPECT_THROW(NumberFormatter::appendSize(nullptr, 1), NullPointerException);
}

TEST(NumberFormatter, ShortSpans) {
    EXPECT_EQ(L"0 seconds", span(0));
    EXPECT_EQ(L"1 second", span(1));
    EXPECT_EQ(L"45 seconds", span(45));
    EXPECT_EQ(L"59 seconds", span(59));
    EXPECT_EQ(L"1 minute", span(60));
    EXPECT_EQ(L"1 minute", span(89));
    EXPECT_EQ(L"2 minutes", span(90));
    EXPECT_EQ(L"60 minutes", span(3599));
    EXPECT_EQ(L"1 hour", span(3600));
    EXPECT_EQ(L"2 hours", span(5400));
    EXPECT_EQ(L"unknown time", span(-1));
    EXPECT_EQ(L"unknown time", span(INT64_MIN));
}

TEST(NumberFormatter, DaysAndLongerCountInTheirOwnUnits) {
    // A day is not "0 weeks": spans under a week stay in hours.
    EXPECT_EQ(L"24 hours", span(86400));
    EXPECT_EQ(L"144 hours", span(6 * 86400));
    EXPECT_EQ(L"168 hours", span(604799));
    EXPECT_EQ(L"1 week", span(604800));
    EXPECT_EQ(L"2 weeks", span(2 * 604800 - 302400)); // half a week rounds up
    EXPECT_EQ(L"4 weeks", span(2419199));
    EXPECT_EQ(L"1 month", span(2419200));
    EXPECT_EQ(L"12 months", span(29030399));
    EXPECT_EQ(L"1 year", span(29030400));
    EXPECT_EQ(L"10 years", span(290303999));
    EXPECT_EQ(L"1 decade", span(290304000));
    EXPECT_EQ(L"2 decades", span(3 * 290304000 / 2));
    EXPECT_EQ(L"2147483647 decades", span(INT64_MAX));

    int32_t count = -1;
    const wchar_t* unit = nullptr;
    NumberFormatter::splitTime(-5, &count, &unit);
    EXPECT_EQ(0, count);
    EXPECT_STREQ(L"unknown", unit);
    NumberFormatter::splitTime(7200, &count, &unit);
    EXPECT_EQ(2, count);
    EXPECT_STREQ(L"hours", unit);
    EXPECT_THROW(NumberFormatter::splitTime(1, nullptr, &unit), NullPointerException);
    EXPECT_THROW(NumberFormatter::splitTime(1, &count, nullptr), NullPointerException);
    EXPECT_THROW(NumberFormatter::appendTime(1, nullptr), NullPointerException);
}
