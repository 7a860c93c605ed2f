#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "pel/text/Indentation.h"
#include "pel/text/LineEnding.h"
#include "pel/text/LineMap.h"
#include "pel/text/TextFormatConvertor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

std::vector<uint32_t> at(LineMap& map, uint32_t offset) {
    const TextPosition p = map.getPosition(offset);
    return {p.line, p.column, p.offset};
}

} // namespace

TEST(LineEnding, NamesAndBreakRuns) {
    for (const auto& [name, ending] :
         {std::pair{L"LF", 1}, {L"CR", 2}, {L"CRLF", 0}, {L"CR+LF", 0}, {L"lf", 0}, {L"", 0}})
        EXPECT_EQ(ending, LineEnding::fromName(name)) << name;
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
    EXPECT_EQ(16, indentation(20, 1, 0).size);
    EXPECT_EQ(L' ', indentation(20, 1, 0).indentChar);
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
    } cases[] = {{0, 0, L"\t  x"},     {0, 1, L"\t\tx"},       {0, 2, L"\tx"},
                 {1, 0, L"      x"}, {1, 1, L"        x"}, {1, 2, L"    x"}};
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
}

TEST(LineMap, CrLfIsOneBreak) {
    const std::wstring text = L"a\r\nb";
    LineMap map(text.c_str(), 4);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 3}), at(map, 3));
    // Earlier offsets come from the recorded starts; the LF of the pair belongs to the line
    // the pair ends.
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0}), at(map, 0));
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 2}), at(map, 2));
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 4}), at(map, 4));
    EXPECT_THROW(map.getPosition(5), AssertionViolationException);

    const std::wstring lone = L"a\rb";
    LineMap loneMap(lone.c_str(), 3);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 2}), at(loneMap, 2));
}

TEST(LineMap, IncreasingOffsetsAnswerAsAFreshMap) {
    const std::wstring text = L"ab\r\n\r\ncd\re\n\nf\r";
    LineMap walking(text.c_str(), static_cast<uint32_t>(text.size()));
    for (uint32_t o = 0; o <= text.size(); ++o) {
        LineMap fresh(text.c_str(), static_cast<uint32_t>(text.size()));
        EXPECT_EQ(at(fresh, o), at(walking, o)) << o;
    }
    // e after a lone CR; a CR at the very end starts a last, empty line.
    EXPECT_EQ((std::vector<uint32_t>{3, 0, 9}), at(walking, 9));
    EXPECT_EQ((std::vector<uint32_t>{6, 0, 14}), at(walking, 14));
}
