#include "pel/base/Assert.h"
#include "pel/text/NumberText.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>

using namespace pel;

TEST(NumberParse, IntegerNeedsExactlyTheGivenLength) {
    int value = -1;
    EXPECT_TRUE(parseInt(&value, 2, L"12"));
    EXPECT_EQ(12, value);
    // The number runs past the length.
    EXPECT_FALSE(parseInt(&value, 1, L"12"));
    // Trailing text inside the length.
    EXPECT_FALSE(parseInt(&value, 3, L"12a"));
    EXPECT_FALSE(parseInt(&value, 3, L" 12"));
    EXPECT_FALSE(parseInt(&value, 3, L"\t12"));
    EXPECT_FALSE(parseInt(&value, 0, L""));
    EXPECT_FALSE(parseInt(&value, 1, L""));
    EXPECT_FALSE(parseInt(&value, 1, nullptr));
    EXPECT_FALSE(parseInt(&value, std::wstring(L"-")));
    EXPECT_TRUE(parseInt(&value, std::wstring(L"+7")));
    EXPECT_EQ(7, value);
    // A token inside a longer text: the number stops where the token ends.
    EXPECT_TRUE(parseInt(&value, 3, L"-42}"));
    EXPECT_EQ(-42, value);
}

TEST(NumberParse, IntegerRange) {
    int value = 0;
    EXPECT_TRUE(parseInt(&value, std::wstring(L"2147483647")));
    EXPECT_EQ(INT_MAX, value);
    EXPECT_TRUE(parseInt(&value, std::wstring(L"-2147483648")));
    EXPECT_EQ(INT_MIN, value);
    EXPECT_FALSE(parseInt(&value, std::wstring(L"2147483648")));
    EXPECT_FALSE(parseInt(&value, std::wstring(L"-2147483649")));

    unsigned int u = 0;
    EXPECT_TRUE(parseUnsigned(&u, std::wstring(L"4294967295")));
    EXPECT_EQ(4294967295u, u);
    EXPECT_FALSE(parseUnsigned(&u, std::wstring(L"4294967296")));
    EXPECT_TRUE(parseUnsigned(&u, std::wstring(L"-1")));
    EXPECT_EQ(4294967295u, u);
    EXPECT_TRUE(parseUnsigned(&u, 3, L"007"));
    EXPECT_EQ(7u, u);
    EXPECT_FALSE(parseUnsigned(&u, 2, L"\n7"));
}

TEST(NumberParse, Double) {
    double value = 0;
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"1.5")));
    EXPECT_EQ(1.5, value);
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"-2.5e-3")));
    EXPECT_EQ(-2.5e-3, value);
    EXPECT_TRUE(parseDouble(&value, std::wstring(L".25")));
    EXPECT_EQ(0.25, value);
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"1e+06")));
    EXPECT_EQ(1e6, value);
    // Correctly rounded: the runtime's wide conversion alone reads this one unit too high.
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"366.0623504925953")));
    EXPECT_EQ(366.0623504925953, value);
    // Overflow and a total underflow are out of range; subnormals are valid doubles.
    EXPECT_FALSE(parseDouble(&value, std::wstring(L"1e400")));
    EXPECT_FALSE(parseDouble(&value, std::wstring(L"1e-400")));
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"4.9406564584124654e-324")));
    EXPECT_EQ(std::ldexp(1.0, -1074), value);
    EXPECT_TRUE(parseDouble(&value, std::wstring(L"0e-999")));
    EXPECT_EQ(0.0, value);

    EXPECT_FALSE(parseDouble(&value, std::wstring(L" 1")));
    EXPECT_FALSE(parseDouble(&value, std::wstring(L"1.5x")));
    EXPECT_FALSE(parseDouble(&value, 2, L"1.5"));
    EXPECT_FALSE(parseDouble(&value, std::wstring(L"")));
    EXPECT_THROW(parseDouble(nullptr, 1, L"1"), AssertionViolationException);
}

TEST(NumberParse, NullOutParametersAndThrowingForm) {
    EXPECT_THROW(parseInt(nullptr, 1, L"1"), NullPointerException);
    EXPECT_THROW(parseUnsigned(nullptr, 1, L"1"), NullPointerException);
    EXPECT_EQ(-17, parseIntOrThrow(3, L"-17"));
    try {
        parseIntOrThrow(2, L"1a2");
        FAIL() << "no exception";
    } catch (const StringNotAValidInteger& e) {
        // The message is the whole text, not only the given length.
        EXPECT_EQ(L"1a2", e.message);
    }
}

TEST(IntegerFormat, RadixAndWidth) {
    std::wstring out;
    formatInteger(out, -5, 10, 4);
    EXPECT_EQ(L"-005", out);
    out.clear();
    formatInteger(out, 255, 16, 0);
    EXPECT_EQ(L"FF", out);
    out.clear();
    formatInteger(out, 0, 2, 0);
    EXPECT_EQ(L"0", out);
    out.clear();
    formatInteger(out, 5, 2, 8);
    EXPECT_EQ(L"00000101", out);
    out.clear();
    formatInteger(out, 1234, 10, 2);
    EXPECT_EQ(L"1234", out);

    // Every base from 2 to 32 reads back through the C runtime's own parser.
    for (int base = 2; base <= 32; ++base) {
        for (int64_t value : {int64_t(0), int64_t(1), int64_t(base - 1), int64_t(base), int64_t(123456789012345),
                              int64_t(-987654321), INT64_MAX}) {
            std::wstring text;
            formatInteger(text, value, base, 0);
            for (wchar_t c : text)
                ASSERT_TRUE(c == L'-' || (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'V')) << text;
            const std::string narrow(text.begin(), text.end());
            EXPECT_EQ(value, std::strtoll(narrow.c_str(), nullptr, base)) << base << " " << narrow;
        }
        std::wstring padded;
        formatInteger(padded, base - 1, base, 5);
        EXPECT_EQ(5u, padded.size());
        EXPECT_EQ(L"0000", padded.substr(0, 4));
    }
    out.clear();
    formatInteger(out, 31, 32, 0);
    EXPECT_EQ(L"V", out);
}

TEST(IntegerFormat, ExtremeValues) {
    std::wstring out;
    formatInteger(out, INT64_MIN, 10, 0);
    EXPECT_EQ(L"-9223372036854775808", out);
    out.clear();
    formatInteger(out, INT64_MIN, 2, 0);
    EXPECT_EQ(L"-1" + std::wstring(63, L'0'), out);
    out.clear();
    formatInteger(out, INT64_MAX, 10, 0);
    EXPECT_EQ(L"9223372036854775807", out);
    out.clear();
    formatInteger32(out, INT32_MIN, 10);
    EXPECT_EQ(L"-2147483648", out);
    out.clear();
    formatUnsigned(out, 4294967295u, 16, 10);
    EXPECT_EQ(L"00FFFFFFFF", out);

    wchar_t buffer[64];
    EXPECT_EQ(L"777", std::wstring(formatDigits(511, buffer + 64, 8), buffer + 64));
    EXPECT_THROW(formatDigits(-1, buffer + 64, 10), AssertionViolationException);
}

TEST(IntegerFormat, BadBaseAndWidthAreLoggedAndClamped) {
    tessel_test::LogCapture capture;
    std::wstring out;
    formatInteger(out, 1000, 40, 0);
    EXPECT_EQ(L"V8", out); // base 32
    ASSERT_EQ(1u, capture.lines().size());
    EXPECT_NE(std::wstring::npos, capture.lines()[0].text.find(L"base > 0 && base <= 32"));
    out.clear();
    formatInteger(out, 7, 10, 100);
    EXPECT_EQ(64u, out.size());
    EXPECT_EQ(2u, capture.lines().size());
    // Bases below 2 cannot write digits; they fall back to decimal.
    out.clear();
    formatInteger(out, 42, 0, 0);
    EXPECT_EQ(L"42", out);
    out.clear();
    formatInteger(out, 42, 1, 0);
    EXPECT_EQ(L"42", out);
}
