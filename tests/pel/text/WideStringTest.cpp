#include "pel/base/Assert.h"
#include "pel/text/FormatString.h"
#include "pel/text/WideString.h"

#include <gtest/gtest.h>

using namespace pel;

namespace {
std::wstring trimmed(std::wstring text) {
    trimWhitespace(text);
    return text;
}

int width(const std::wstring& text, int tabSize, bool force = false) {
    return indentationWidth(text.c_str(), static_cast<int>(text.size()), tabSize, force);
}

std::wstring decoded(const std::string& bytes, uint32_t encoding = 0) {
    std::wstring text;
    EXPECT_TRUE(decodeText(bytes.data(), bytes.size(), encoding, text));
    return text;
}
} // namespace

TEST(WideString, BlanksAndTrims) {
    for (const auto& [text, trim] :
         {std::pair{L"  a b \t\r\n", L"a b"}, {L"\n  a", L"\n  a"}, {L"   ", L""}, {L" \n ", L""}})
        EXPECT_EQ(trim, trimmed(text)) << text;
    EXPECT_FALSE(containsNonBlank(L" \t", 2));
    EXPECT_FALSE(containsNonBlank(L"  x", 2));
    EXPECT_TRUE(containsNonBlank(L"  x", 3));
    EXPECT_EQ(2, leadingWhitespaceLength(L" \t\rx", 4));
    EXPECT_EQ(1, trailingWhitespaceStart(L"a \r\n", 4));
    EXPECT_EQ(L"x", std::wstring(skipWhitespace(L" \t\nx")));
    EXPECT_EQ(L"\u3000x", std::wstring(skipWhitespace(L"\u3000x"))); // no table lookup above ASCII
}

TEST(WideString, IndentationWidthsAndInsertion) {
    EXPECT_EQ(5, width(L"\t x", 4));
    EXPECT_EQ(-1, width(L"   ", 4));
    EXPECT_EQ(3, width(L"   ", 4, true));
    EXPECT_THROW(width(L"\tx", 0), AssertionViolationException);

    std::wstring text = L"x";
    insertIndentation(10, 4, text);
    EXPECT_EQ(L"\t\t  x", text);
    text = L"x";
    insertIndentation(3, 0, text);
    EXPECT_EQ(L"   x", text);
}

TEST(WideString, LineEndingsEscapesAndNumbers) {
    std::wstring text;
    normalizeLineEndings(L"a\r\nb\rc\nd\n\re", text);
    EXPECT_EQ(L"a\nb\nc\nd\n\ne", text);
    addCarriageReturns(L"a\nb\r\n", text);
    EXPECT_EQ(L"a\r\nb\r\r\n", text);

    text.clear();
    escapeControlCharacters(L"\t\r\n\x1b" L"a", text);
    EXPECT_EQ(L"\\t\\r\\n\\x1ba", text);

    for (const auto& [text, integer] : {std::pair{L"12", true}, {L" -7", true}, {L"12a", false}, {L"", false}})
        EXPECT_EQ(integer, isInteger(text)) << text;
    text.clear();
    appendInteger(text, -255, 10);
    appendInteger(text, -255, 16); // as the runtime writes it: the two's complement
    EXPECT_EQ(L"-255ffffff01", text);
    EXPECT_EQ(L'\u00c9', toUpperChar(L'\u00e9'));

    EXPECT_EQ(0x1F600u, surrogatesToCodePoint(0xD83D, 0xDE00));
    for (const auto& [name, matches] : {std::pair{L"dir/file.txt", true}, {L"txt", true}, {L"src\\x.txt", true},
                                        {L"mytxt", false}, {L"x.TXT", false}})
        EXPECT_EQ(matches, matchesFileType(name, L"txt")) << name;
}

TEST(WideString, HexDumpLayout) {
    std::wstring dump;
    hexDump("ABCD\n", 5, dump, L"");
    EXPECT_EQ(L"0000: 41 42 43 44| 0A         |            |            |  ABCD.\n", dump);

    dump.clear();
    hexDump("0123456789abcdefg", 17, dump, L"> ");
    EXPECT_EQ(0u, dump.find(L"> 0000: 30 31 32 33| 34 35 36 37| 38 39 61 62| 63 64 65 66|  0123456789abcdef\n"));
    EXPECT_NE(std::wstring::npos, dump.find(L"> 0010: 67         |"));
    dump.clear();
    hexDump("", 0, dump, nullptr);
    EXPECT_EQ(L"", dump);
}

TEST(WideString, DecodeTextDetectsAndNormalises) {
    EXPECT_EQ(L"a", decoded("\xEF\xBB\xBF" "a"));
    EXPECT_EQ(L"a\nb", decoded("a\r\nb"));
    EXPECT_EQ(L"\u00e9", decoded("\xC3\xA9"));
    EXPECT_EQ(L"ab\n", decoded(std::string("\xFE\xFF\0a\0b\0\r", 8)));
    EXPECT_EQ(L"", decoded(""));
    EXPECT_EQ(std::wstring(L"a\0b", 3), decoded(std::string("\xFF\xFE" "a\0\0\0b\0", 8)));
    // An explicit code skips no mark: the mark is text then.
    EXPECT_EQ(L"\uFEFFa", decoded("\xEF\xBB\xBF" "a", 65001));

    std::wstring untouched = L"kept";
    EXPECT_TRUE(decodeText("x", 1, 0, untouched));
    EXPECT_EQ(L"keptx", untouched);
}

TEST(FormatString, LongOutputIsCutAndTerminated) {
    const std::wstring text = formatString(L"%s!", std::wstring(5000, L'q').c_str());
    EXPECT_EQ(4095u, text.size());
    EXPECT_EQ(std::wstring::npos, text.find(L'!'));
}
