#include "pel/base/Assert.h"
#include "pel/text/NumberText.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

using namespace pel;

TEST(NumberParse, IntegersFillExactlyTheLength) {
    int value = -1;
    EXPECT_TRUE(parseInt(&value, 2, L"12"));
    EXPECT_EQ(12, value);
    EXPECT_FALSE(parseInt(&value, 1, L"12")); // the number runs past the length
    EXPECT_TRUE(parseInt(&value, 3, L"-42}")); // a token that ends where the number does
    EXPECT_EQ(-42, value);
    for (const wchar_t* bad : {L"12a", L" 12", L"\t12", L"", L"-", L"2147483648", L"-2147483649"})
        EXPECT_FALSE(parseInt(&value, std::wstring(bad))) << bad;
    EXPECT_FALSE(parseInt(&value, 1, nullptr));
    EXPECT_TRUE(parseInt(&value, std::wstring(L"-2147483648")));
    EXPECT_EQ(INT_MIN, value);

    unsigned int u = 0;
    EXPECT_TRUE(parseUnsigned(&u, std::wstring(L"-1"))); // as wcstoul gives it
    EXPECT_EQ(4294967295u, u);
    EXPECT_FALSE(parseUnsigned(&u, std::wstring(L"4294967296")));
    EXPECT_THROW(parseInt(nullptr, 1, L"1"), NullPointerException);

    EXPECT_EQ(-17, parseIntOrThrow(3, L"-17"));
    try {
        parseIntOrThrow(2, L"1a2");
        FAIL() << "no exception";
    } catch (const StringNotAValidInteger& e) {
        EXPECT_EQ(L"1a2", e.message); // the whole text, not only the given length
    }
}

TEST(NumberParse, Doubles) {
    double value = 0;
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"-2.5e-3")));
    EXPECT_EQ(-2.5e-3, value);
    EXPECT_TRUE(parseDouble(&value, std::wstring(L".25")));
    EXPECT_EQ(0.25, value);
    // Correctly rounded: the runtime's wide conversion alone reads this one unit too high.
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"366.0623504925953")));
    EXPECT_EQ(366.0623504925953, value);
    // Overflow and a total underflow are out of range; subnormals are valid doubles.
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"5e-324")));
    EXPECT_EQ(std::ldexp(1.0, -1074), value);
    for (const wchar_t* bad : {L"1e400", L"1e-400", L" 1", L"1.5x", L""})
        EXPECT_FALSE(parseDouble(&value, std::wstring(bad))) << bad;
    EXPECT_FALSE(parseDouble(&value, 2, L"1.5"));
    EXPECT_THROW(parseDouble(nullptr, 1, L"1"), AssertionViolationException);
}

// A number inside a long text: only the number and what could still extend it decide.
TEST(NumberParse, NumbersInsideLongerText) {
    const std::wstring tail(1 << 20, L' ');
    int i = 0;
    unsigned u = 0;
    double d = 0;
    EXPECT_TRUE(parseInt(&i, 2, (L"12" + tail).c_str()));
    EXPECT_EQ(12, i);
    EXPECT_TRUE(parseUnsigned(&u, 1, (L"7," + tail).c_str()));
    EXPECT_TRUE(parseDouble(&d, 4, (L"-1.5" + tail).c_str()));
    EXPECT_EQ(-1.5, d);

    // Still "runs past the length" when the continuation is several characters long.
    EXPECT_FALSE(parseInt(&i, 2, (L"123" + tail).c_str()));
    EXPECT_FALSE(parseDouble(&d, 1, L"1e+5"));
    EXPECT_FALSE(parseDouble(&d, 2, L"1.e-07"));
    const std::wstring longNumber = L"0." + std::wstring(150, L'1');
    EXPECT_TRUE(parseDouble(&d, static_cast<int>(longNumber.size()), (longNumber + tail).c_str()));
    EXPECT_FALSE(parseDouble(&d, static_cast<int>(longNumber.size()), (longNumber + L"e-3").c_str()));
}

// The common shapes are read without the runtime; the results must not change.
TEST(NumberParse, CommonShapesReadAsTheRuntimeReadsThem) {
    int i = 0;
    for (const wchar_t* text : {L"0", L"-0", L"+7", L"123456789", L"-987654321", L"1234567890", L"2147483647",
                                L"-2147483648", L"000000012"}) {
        EXPECT_TRUE(parseInt(&i, std::wstring(text))) << text;
        EXPECT_EQ(std::wcstol(text, nullptr, 10), i) << text;
    }
    for (const wchar_t* bad : {L"-", L"+", L"1-", L"--1", L"1 ", L"2147483648"})
        EXPECT_FALSE(parseInt(&i, std::wstring(bad))) << bad;

    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-320, 310);
    for (int round = 0; round < 20000; ++round) {
        char narrow[64];
        const double value = mantissa(random) * std::pow(10.0, exponent(random));
        if (!std::isfinite(value))
            continue;
        const int precision = round % 17 + 1;
        std::snprintf(narrow, sizeof narrow, round % 3 ? "%.*g" : "%.*e", precision, value);
        const std::wstring text(narrow, narrow + std::strlen(narrow));
        double parsed = 0;
        const bool ok = parseDouble(&parsed, text);
        const double expected = std::strtod(narrow, nullptr);
        if (std::isinf(expected) || (expected == 0 && value != 0 && std::strspn(narrow, "-0.e+") != std::strlen(narrow))) {
            EXPECT_FALSE(ok) << narrow;
        } else {
            ASSERT_TRUE(ok) << narrow;
            EXPECT_EQ(expected, parsed) << narrow;
        }
    }
    double d = 0;
    for (const wchar_t* text : {L"1.", L".5", L"+1.5", L"-0.0", L"0e0", L"1E+2", L"5e-324", L"1.7976931348623157e308"}) {
        EXPECT_TRUE(parseDouble(&d, std::wstring(text))) << text;
        EXPECT_EQ(std::wcstod(text, nullptr), d) << text;
    }
    for (const wchar_t* bad : {L"1e", L"e5", L".", L"-", L"1e400", L"1e-400", L"1.5.5", L"1e+"})
        EXPECT_FALSE(parseDouble(&d, std::wstring(bad))) << bad;
}

TEST(IntegerFormat, EveryRadixWithWidth) {
    std::wstring out;
    formatInteger(out, -5, 10, 4);
    formatInteger(out, 255, 16, 0);
    formatUnsigned(out, 4294967295u, 16, 10);
    EXPECT_EQ(L"-005FF00FFFFFFFF", out);
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
}

TEST(IntegerFormat, ExtremeValuesAndBadArguments) {
    std::wstring out;
    formatInteger(out, INT64_MIN, 10, 0);
    EXPECT_EQ(L"-9223372036854775808", out);
    out.clear();
    formatInteger32(out, INT32_MIN, 10);
    EXPECT_EQ(L"-2147483648", out);
    wchar_t buffer[64];
    EXPECT_EQ(L"777", std::wstring(formatDigits(511, buffer + 64, 8), buffer + 64));
    EXPECT_THROW(formatDigits(-1, buffer + 64, 10), AssertionViolationException);

    tessel_test::LogCapture capture;
    out.clear();
    formatInteger(out, 1000, 40, 0); // base 32
    formatInteger(out, 42, 0, 0);    // no digits in base 0 or 1: decimal
    EXPECT_EQ(L"V842", out);
    ASSERT_EQ(2u, capture.lines().size());
    EXPECT_NE(std::wstring::npos, capture.lines()[0].text.find(L"base > 0 && base <= 32"));
    out.clear();
    formatInteger(out, 7, 10, 100);
    EXPECT_EQ(64u, out.size());
}
