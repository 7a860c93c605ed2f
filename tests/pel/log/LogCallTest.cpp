#include "pel/log/Log.h"
#include "pel/text/FormatString.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace pel;

namespace {
int formatInto(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = vformatInto(buffer, capacity, format, args);
    va_end(args);
    return written;
}
} // namespace

TEST(FormatString, WideStringArgumentsFollowTheMicrosoftRules) {
    // "%s" in a wide format takes a wide string; "%S" a narrow one.
    EXPECT_EQ(L"a=\u00e9t\u00e9 b=narrow 42", formatString(L"a=%s b=%S %d", L"\u00e9t\u00e9", "narrow", 42));
    EXPECT_EQ(L"00FF|-7", formatString(L"%04X|%d", 255u, -7));
    EXPECT_EQ(std::wstring(4095, L'x'), formatString(L"%s", std::wstring(5000, L'x').c_str()));

    wchar_t small[4];
    EXPECT_EQ(3, formatInto(small, 4, L"%s", L"abc"));
    EXPECT_STREQ(L"abc", small);
    EXPECT_EQ(-1, formatInto(small, 4, L"%s", L"abcd"));
    EXPECT_STREQ(L"abc", small);
}

TEST(LogCall, LinesEndInOneNewlineAndAreCut) {
    tessel_test::LogCapture capture;
    log_printf(LOG_WARNING, 0x1234, L"plain %s", L"text");
    log_printf(LOG_DEBUG, 0x1234, L"ends\n");
    log_printf(LOG_DEBUG, 0x1234, L"");
    log_printf(LOG_ERROR, 0x1234, L"%s", std::wstring(5000, L'y').c_str());
    log_printf(LOG_ERROR, 0x1234, L"%s", std::wstring(4093, L'z').c_str());

    auto lines = capture.lines();
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ(L"plain text\n", lines[0].text);
    EXPECT_EQ(LOG_WARNING, lines[0].level);
    EXPECT_EQ(0x1234u, lines[0].source);
    EXPECT_EQ(L"ends\n", lines[1].text);
    EXPECT_EQ(L"\n", lines[2].text);
    EXPECT_EQ(std::wstring(4093, L'y') + L"\n", lines[3].text);
    EXPECT_EQ(std::wstring(4093, L'z') + L"\n", lines[4].text);
}
