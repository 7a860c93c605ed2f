#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "pel/text/DoubleText.h"
#include "pel/text/NumberFormatter.h"
#include "pel/text/NumberText.h"
#include "support/LogCapture.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace pel;

namespace {

// What parseInt reads from the first `length` characters (0: all of them), or "refused".
std::wstring intOf(const std::wstring& text, int length = 0) {
    int value = 0;
    const bool ok = length ? parseInt(&value, length, text.c_str()) : parseInt(&value, text);
    return ok ? std::to_wstring(value) : L"refused";
}

std::wstring doubleOf(const std::wstring& text, int length = 0) {
    double value = 0;
    const bool ok = length ? parseDouble(&value, length, text.c_str()) : parseDouble(&value, text);
    return ok ? std::to_wstring(value) : L"refused";
}

std::string shortest(double value) {
    char buffer[32];
    return formatDoubleShortest(buffer, value);
}

double fromBits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Finite doubles of every magnitude, subnormals included, and as many ordinary values between
// 0 and 1000.
std::vector<double> randomDoubles(size_t count, uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<double> values;
    while (values.size() < count) {
        const double value = fromBits(random());
        if (std::isfinite(value))
            values.push_back(value);
    }
    for (size_t i = 0; i < count; ++i)
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), -53) * 1000.0);
    return values;
}

} // namespace

TEST(NumberParse, IntegersFillExactlyTheLength) {
    const std::pair<const wchar_t*, const wchar_t*> whole[] = {
        {L"-2147483648", L"-2147483648"}, {L"2147483648", L"refused"}, {L"-2147483649", L"refused"},
        {L"12a", L"refused"},             {L" 12", L"refused"},        {L"\t12", L"refused"},
        {L"", L"refused"},                {L"-", L"refused"},          {L"+", L"refused"},
        {L"1-", L"refused"},              {L"--1", L"refused"},        {L"1 ", L"refused"},
    };
    for (const auto& [text, read] : whole)
        EXPECT_EQ(read, intOf(text)) << text;
    EXPECT_EQ(L"12", intOf(L"12", 2));
    EXPECT_EQ(L"refused", intOf(L"12", 1)); // the number runs past the length
    EXPECT_EQ(L"-42", intOf(L"-42}", 3));   // a token that ends where the number does
    int value = 0;
    EXPECT_FALSE(parseInt(&value, 1, nullptr));

    unsigned int u = 0;
    EXPECT_TRUE(parseUnsigned(&u, std::wstring(L"-1"))); // as wcstoul gives it
    EXPECT_EQ(4294967295u, u);
    EXPECT_FALSE(parseUnsigned(&u, std::wstring(L"4294967296")));

    EXPECT_EQ(-17, parseIntOrThrow(3, L"-17"));
    // The whole text, not only the given length.
    EXPECT_EQ(L"1a2", tessel_test::thrown<StringNotAValidInteger>([] { parseIntOrThrow(2, L"1a2"); }));
}

TEST(NumberParse, Doubles) {
    double value = 0;
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"-2.5e-3")));
    EXPECT_EQ(-2.5e-3, value);
    // Correctly rounded: the runtime's wide conversion alone reads this one unit too high.
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"366.0623504925953")));
    EXPECT_EQ(366.0623504925953, value);
    // Overflow and a total underflow are out of range; subnormals are valid doubles.
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"5e-324")));
    EXPECT_EQ(std::ldexp(1.0, -1074), value);
    for (const wchar_t* bad : {L"1e400", L"1e-400", L" 1", L"1.5x", L"", L"1e", L"e5", L".", L"-", L"1.5.5", L"1e+"})
        EXPECT_EQ(L"refused", doubleOf(bad)) << bad;
    EXPECT_EQ(L"refused", doubleOf(L"1.5", 2));
    EXPECT_THROW(parseDouble(nullptr, 1, L"1"), AssertionViolationException);
}

// A number inside a long text: only the number and what could still extend it decide.
TEST(NumberParse, NumbersInsideLongerText) {
    const std::wstring tail(1 << 20, L' ');
    EXPECT_EQ(L"12", intOf(L"12" + tail, 2));
    EXPECT_EQ(L"-1.500000", doubleOf(L"-1.5" + tail, 4));
    unsigned u = 0;
    EXPECT_TRUE(parseUnsigned(&u, 1, (L"7," + tail).c_str()));

    // Still "runs past the length" when the continuation is several characters long.
    EXPECT_EQ(L"refused", intOf(L"123" + tail, 2));
    EXPECT_EQ(L"refused", doubleOf(L"1e+5", 1));
    EXPECT_EQ(L"refused", doubleOf(L"1.e-07", 2));
    const std::wstring longNumber = L"0." + std::wstring(150, L'1');
    const int length = static_cast<int>(longNumber.size());
    EXPECT_NE(L"refused", doubleOf(longNumber + tail, length));
    EXPECT_EQ(L"refused", doubleOf(longNumber + L"e-3", length));
}

// The common shapes are read without the runtime; the results must not change.
TEST(NumberParse, CommonShapesReadAsTheRuntimeReadsThem) {
    int i = 0;
    for (const wchar_t* text : {L"0", L"-0", L"+7", L"123456789", L"-987654321", L"2147483647", L"000000012"}) {
        EXPECT_TRUE(parseInt(&i, std::wstring(text))) << text;
        EXPECT_EQ(std::wcstol(text, nullptr, 10), i) << text;
    }
    double d = 0;
    for (const wchar_t* text : {L"1.", L".5", L"+1.5", L"-0.0", L"0e0", L"1E+2", L"1.7976931348623157e308"}) {
        EXPECT_TRUE(parseDouble(&d, std::wstring(text))) << text;
        EXPECT_EQ(std::wcstod(text, nullptr), d) << text;
    }
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-320, 310);
    for (int round = 0; round < 20000; ++round) {
        char narrow[64];
        const double value = mantissa(random) * std::pow(10.0, exponent(random));
        if (!std::isfinite(value))
            continue;
        std::snprintf(narrow, sizeof narrow, round % 3 ? "%.*g" : "%.*e", round % 17 + 1, value);
        const std::wstring text(narrow, narrow + std::strlen(narrow));
        const bool ok = parseDouble(&d, text);
        const double expected = std::strtod(narrow, nullptr);
        const bool underflow = expected == 0 && value != 0 && std::strspn(narrow, "-0.e+") != std::strlen(narrow);
        if (std::isinf(expected) || underflow) {
            EXPECT_FALSE(ok) << narrow;
        } else {
            ASSERT_TRUE(ok) << narrow;
            EXPECT_EQ(expected, d) << narrow;
        }
    }
}

TEST(IntegerFormat, EveryRadixWithWidth) {
    std::wstring out;
    formatInteger(out, -5, 10, 4);
    formatInteger(out, 255, 16, 0);
    formatUnsigned(out, 4294967295u, 16, 10);
    formatInteger(out, INT64_MIN, 10, 0);
    formatInteger32(out, INT32_MIN, 10);
    EXPECT_EQ(L"-005FF00FFFFFFFF-9223372036854775808-2147483648", out);
    for (int base = 2; base <= 32; ++base) {
        for (int64_t value : {int64_t(0), int64_t(base), int64_t(-987654321), INT64_MAX}) {
            std::wstring text;
            formatInteger(text, value, base, 0);
            const std::string narrow(text.begin(), text.end());
            EXPECT_EQ(value, std::strtoll(narrow.c_str(), nullptr, base)) << base << " " << narrow;
        }
        std::wstring padded;
        formatInteger(padded, base - 1, base, 5);
        EXPECT_EQ(L"0000", padded.substr(0, 4));
        EXPECT_EQ(5u, padded.size());
    }
    wchar_t buffer[64];
    EXPECT_EQ(L"777", std::wstring(formatDigits(511, buffer + 64, 8), buffer + 64));
    EXPECT_THROW(formatDigits(-1, buffer + 64, 10), AssertionViolationException);
}

TEST(IntegerFormat, BadBasesAndWidthsAreClamped) {
    tessel_test::LogCapture capture;
    std::wstring out;
    formatInteger(out, 1000, 40, 0); // base 32
    formatInteger(out, 42, 0, 0);    // no digits in base 0 or 1: decimal
    EXPECT_EQ(L"V842", out);
    ASSERT_EQ(2u, capture.lines().size());
    EXPECT_NE(std::wstring::npos, capture.lines()[0].text.find(L"base > 0 && base <= 32"));
    out.clear();
    formatInteger(out, 7, 10, 100);
    EXPECT_EQ(64u, out.size());
}

TEST(DoubleText, Layout) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> rows[] = {
        {0.1, ".1"}, {0.001, ".001"}, {0.0001, ".0001"}, {0.00001, "1e-05"}, {100000, "100000"},
        {1000000, "1e+06"}, {123456789, "123456789"}, {1.5e300, "1.5e+300"}, {-2.5, "-2.5"},
        {1.0 / 3, ".3333333333333333"}, {0.0, "0"}, {-0.0, "-0"}, {inf, "Infinity"}, {-inf, "-Infinity"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"}, {12000, "12000"}, {12000000, "1.2e+07"},
        {std::ldexp(1.0, -1074), "5e-324"}, {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(text, shortest(value));
    std::wstring out = L"x=";
    formatDouble(out, -0.5); // appends
    EXPECT_EQ(L"x=-.5", out);
}

TEST(DoubleText, RandomDoublesReadBackBitIdentical) {
    for (double value : randomDoubles(50000, 20240601)) {
        std::wstring text;
        formatDouble(text, value);
        double back = 0;
        ASSERT_TRUE(parseDouble(&back, text)) << std::string(text.begin(), text.end());
        ASSERT_EQ(0, std::memcmp(&value, &back, sizeof value)) << std::string(text.begin(), text.end());
    }
}

TEST(DoubleText, FourThreadsFormatAtOnce) {
    const std::vector<double> values = randomDoubles(10000, 7);
    std::vector<std::string> expected;
    for (double value : values)
        expected.push_back(shortest(value));
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (size_t i = 0; i < 5 * values.size(); ++i) {
                const size_t k = (i + t * 997) % values.size();
                mismatches[t] += shortest(values[k]) != expected[k];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), mismatches);
}

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
}
