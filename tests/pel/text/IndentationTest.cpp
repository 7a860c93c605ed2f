#include "pel/base/Assert.h"
#include "pel/text/Indentation.h"
#include "pel/text/LineEnding.h"
#include "pel/text/TextFormatConvertor.h"

#include <gtest/gtest.h>

using namespace pel;

namespace {
Indentation indentation(int width, int soft, unsigned mode) {
    Indentation in;
    in.set(width, soft, mode);
    return in;
}

std::wstring convert(const std::wstring& text, const Indentation& in) {
    std::wstring out;
    TextFormatConvertor::convert(text.data(), text.size(), &out, in);
    return out;
}
} // namespace

TEST(LineEnding, NamesAndBreakRuns) {
    EXPECT_EQ(1, LineEnding::fromName(L"LF"));
    EXPECT_EQ(2, LineEnding::fromName(L"CR"));
    EXPECT_EQ(0, LineEnding::fromName(L"CRLF"));
    EXPECT_EQ(0, LineEnding::fromName(L"CR+LF"));
    EXPECT_EQ(0, LineEnding::fromName(L"lf"));
    EXPECT_EQ(0, LineEnding::fromName(L""));
    EXPECT_STREQ(L"CR+LF", LineEnding::toName(0));
    EXPECT_STREQ(L"\r", LineEnding::toText(2));
    EXPECT_THROW(LineEnding::toName(3), IllegalStateException);

    std::wstring out;
    EXPECT_EQ(5u, LineEnding::appendLineBreaks(L"\r\n\n\r\rx", 6, out));
    EXPECT_EQ(L"\n\n\n\n", out); // CR LF, LF, CR, CR
    EXPECT_EQ(0u, LineEnding::appendLineBreaks(L"x\n", 2, out));
    EXPECT_EQ(1u, LineEnding::appendLineBreaks(L"\r\n", 1, out)); // the length bounds the run
}

TEST(Indentation, SetClampsAndRefusesUnknownModes) {
    Indentation in = indentation(20, 1, 0);
    EXPECT_EQ(16, in.size);
    EXPECT_EQ(L' ', in.indentChar);
    EXPECT_EQ(1, indentation(0, 0, 0).size);
    EXPECT_EQ(L'\t', indentation(0, 0, 0).indentChar);
    Indentation bad;
    EXPECT_THROW(bad.set(4, 0, 3), IllegalStateException);
}

TEST(Indentation, MeasureAndTheThreeModes) {
    const Indentation tabs = indentation(4, 0, 0);
    size_t consumed = 0;
    EXPECT_EQ(4, Indentation::measure(L" \tx", 3, tabs, &consumed));
    EXPECT_EQ(2u, consumed);
    EXPECT_EQ(5, Indentation::measure(L"\t x", 3, tabs, nullptr));

    const struct {
        int soft;
        unsigned mode;
        const wchar_t* expected;
    } cases[] = {
        {0, 0, L"\t  x"}, {0, 1, L"\t\tx"}, {0, 2, L"\tx"},
        {1, 0, L"      x"}, {1, 1, L"        x"}, {1, 2, L"    x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, convert(L"      x", indentation(4, c.soft, c.mode))) << c.soft << "/" << c.mode;

    EXPECT_THROW(Indentation::append(3, nullptr, tabs), AssertionViolationException);
}

TEST(TextFormatConvertor, BreaksBecomeLfAndBlankLinesAreRewritten) {
    const Indentation tabs = indentation(4, 0, 0);
    EXPECT_EQ(L"a\nb\nc\n\nd", convert(L"a\rb\r\nc\n\rd", tabs));
    EXPECT_EQ(L"\n\n", convert(L"\r\r", tabs));
    EXPECT_EQ(L"plain line", convert(L"plain line", tabs));
    EXPECT_EQ(L"", convert(L"", tabs));
    EXPECT_EQ(L"\t\n\tx\n", convert(L"    \r\n    x\n", tabs));
    EXPECT_THROW(TextFormatConvertor::convert(L"a", 1, nullptr, tabs), NullPointerException);
}
