#include "pel/text/TextConversion.h"
#include "pel/text/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace pel;

namespace {

// "é€😀": a two-byte, a three-byte and a four-byte UTF-8 character, the last a surrogate pair.
const std::wstring SAMPLE = L"\u00E9\u20AC\U0001F600";

// The bytes of a literal, zero bytes included.
template <size_t N>
std::string B(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

std::string preambleOf(const wchar_t* name) {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(name);
    if (!encoding)
        return "(none)";
    int length = -1;
    const unsigned char* bytes = encoding->getPreamble(&length);
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

} // namespace

TEST(TextEncoding, ByteOrderMarks) {
    EXPECT_EQ("\xEF\xBB\xBF", preambleOf(L"UTF-8"));
    EXPECT_EQ("\xEF\xBB\xBF", preambleOf(L"utf-8"));
    EXPECT_EQ("\xFF\xFE", preambleOf(L"utf-16le"));
    EXPECT_EQ("\xFE\xFF", preambleOf(L"UTF-16BE"));
    EXPECT_EQ(B("\xFF\xFE\0\0"), preambleOf(L"UTF-32LE"));
    EXPECT_EQ(B("\0\0\xFE\xFF"), preambleOf(L"UTF-32BE"));
    // The generic forms get the little-endian marks; the log file asks for "UTF16-LE".
    EXPECT_EQ("\xFF\xFE", preambleOf(L"UTF-16"));
    EXPECT_EQ(B("\xFF\xFE\0\0"), preambleOf(L"UTF-32"));
    EXPECT_EQ("\xFF\xFE", preambleOf(L"UTF16-LE"));
    for (const wchar_t* name : {L"windows-1250", L"windows-1252", L"Shift_JIS", L"ISO-8859-1"})
        EXPECT_EQ("", preambleOf(name)) << name;
}

TEST(TextEncoding, UnknownNamesGiveAnEmptyResult) {
    EXPECT_FALSE(TextEncoding::create(nullptr));
    EXPECT_FALSE(TextEncoding::create(L""));
    EXPECT_FALSE(TextEncoding::create(L"no-such-encoding"));
    // Known to ICU's alias table, but its table is not carried in the executable.
    EXPECT_FALSE(TextEncoding::create(L"EUC-KR"));
}

TEST(TextEncoding, ConvertsTheSampleInTheFiveUnicodeForms) {
    const std::pair<const wchar_t*, std::string> rows[] = {
        {L"UTF-8", B("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")},
        {L"UTF-16LE", B("\xE9\x00\xAC\x20\x3D\xD8\x00\xDE")},
        {L"UTF-16BE", B("\x00\xE9\x20\xAC\xD8\x3D\xDE\x00")},
        {L"UTF-32LE", B("\xE9\0\0\0\xAC\x20\0\0\x00\xF6\x01\x00")},
        {L"UTF-32BE", B("\0\0\0\xE9\0\0\x20\xAC\x00\x01\xF6\x00")},
    };
    for (const auto& [name, encoded] : rows) {
        std::shared_ptr<TextEncoding> encoding = TextEncoding::create(name);
        ASSERT_TRUE(encoding) << name;
        std::string bytes = "x";
        EXPECT_TRUE(encoding->encode(SAMPLE.data(), SAMPLE.size(), bytes)) << name;
        EXPECT_EQ("x" + encoded, bytes) << name;
        std::wstring text = L"y";
        EXPECT_TRUE(encoding->decode(encoded.data(), encoded.size(), text)) << name;
        EXPECT_EQ(L"y" + SAMPLE, text) << name;
    }
}

TEST(TextEncoding, CodePagesConvertBothWays) {
    // windows-1250: č is E8, € is 80. Shift_JIS: あ is 82 A0, half-width ｱ is B1.
    const std::pair<const wchar_t*, std::wstring> rows[] = {{L"windows-1250", L"a\u010D\u20AC"},
                                                           {L"Shift_JIS", L"A\u3042\uFF71"}};
    const std::string expected[] = {"a\xE8\x80", "A\x82\xA0\xB1"};
    for (int i = 0; i < 2; ++i) {
        std::shared_ptr<TextEncoding> encoding = TextEncoding::create(rows[i].first);
        ASSERT_TRUE(encoding);
        std::string bytes;
        ASSERT_TRUE(encoding->encode(rows[i].second.data(), rows[i].second.size(), bytes));
        EXPECT_EQ(expected[i], bytes);
        std::wstring text;
        ASSERT_TRUE(encoding->decode(bytes.data(), bytes.size(), text));
        EXPECT_EQ(rows[i].second, text);
    }
}

TEST(TextEncoding, LongAndIllFormedInput) {
    std::wstring text;
    for (int i = 0; i < 20000; ++i)
        text += (i % 7 == 0) ? SAMPLE : L"plain ";
    std::string utf8;
    toUtf8(text.data(), text.size(), utf8);
    std::wstring back;
    fromUtf8(utf8.data(), utf8.size(), back);
    EXPECT_EQ(text, back);

    // A lone surrogate (an escape in a bundle file may give one) is written as U+FFFD; a stray
    // continuation byte and a sequence cut off at the end read as U+FFFD.
    utf8.clear();
    toUtf8(L"a\xD800" L"b", 3, utf8);
    EXPECT_EQ("a\xEF\xBF\xBD" "b", utf8);
    back.clear();
    fromUtf8("a\x80" "b\xE2\x82", 5, back);
    EXPECT_EQ(L"a\uFFFDb\uFFFD", back);
    // A byte-order mark is data here.
    back.clear();
    fromUtf8("\xEF\xBB\xBF" "A", 4, back);
    EXPECT_EQ(L"\uFEFFA", back);
}

TEST(TextConversion, AsciiAndNarrow) {
    std::string ascii;
    toAscii(L"Az\u00E9\u0141", ascii);
    EXPECT_EQ("Azi" "A", ascii); // low 7 bits of E9 and 141
    std::wstring wide = L"-";
    appendNarrow("a\xE9", wide);
    appendNarrow(nullptr, wide);
    EXPECT_EQ(L"-a\u00E9", wide);
}
