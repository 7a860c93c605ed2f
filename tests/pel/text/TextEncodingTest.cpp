#include "pel/text/TextConversion.h"
#include "pel/text/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pel;

namespace {

// "é€😀": a two-byte, a three-byte and a four-byte UTF-8 character, the last a surrogate pair.
const std::wstring SAMPLE = L"\u00E9\u20AC\U0001F600";

std::vector<int> preambleOf(const wchar_t* name) {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(name);
    if (!encoding)
        return {-1};
    int length = -1;
    const unsigned char* bytes = encoding->getPreamble(&length);
    return std::vector<int>(bytes, bytes + length);
}

std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (int v : values)
        text += static_cast<char>(v);
    return text;
}

} // namespace

TEST(TextEncoding, UnicodeFormsHaveTheirByteOrderMarks) {
    EXPECT_EQ((std::vector<int>{0xEF, 0xBB, 0xBF}), preambleOf(L"UTF-8"));
    EXPECT_EQ((std::vector<int>{0xEF, 0xBB, 0xBF}), preambleOf(L"utf-8"));
    EXPECT_EQ((std::vector<int>{0xFF, 0xFE}), preambleOf(L"UTF-16LE"));
    EXPECT_EQ((std::vector<int>{0xFF, 0xFE}), preambleOf(L"utf-16le"));
    EXPECT_EQ((std::vector<int>{0xFE, 0xFF}), preambleOf(L"UTF-16BE"));
    EXPECT_EQ((std::vector<int>{0xFF, 0xFE, 0x00, 0x00}), preambleOf(L"UTF-32LE"));
    EXPECT_EQ((std::vector<int>{0x00, 0x00, 0xFE, 0xFF}), preambleOf(L"UTF-32BE"));
    // The generic forms get the little-endian marks; the log file asks for "UTF16-LE".
    EXPECT_EQ((std::vector<int>{0xFF, 0xFE}), preambleOf(L"UTF-16"));
    EXPECT_EQ((std::vector<int>{0xFF, 0xFE, 0x00, 0x00}), preambleOf(L"UTF-32"));
    EXPECT_EQ((std::vector<int>{0xFF, 0xFE}), preambleOf(L"UTF16-LE"));
}

TEST(TextEncoding, CodePagesHaveNoPreamble) {
    for (const wchar_t* name : {L"windows-1250", L"windows-1252", L"Shift_JIS", L"ISO-8859-1", L"US-ASCII"}) {
        std::shared_ptr<TextEncoding> encoding = TextEncoding::create(name);
        ASSERT_TRUE(encoding) << name;
        int length = -1;
        EXPECT_EQ(nullptr, encoding->getPreamble(&length)) << name;
        EXPECT_EQ(0, length) << name;
        EXPECT_EQ(nullptr, encoding->getPreamble(nullptr));
    }
}

TEST(TextEncoding, UnknownNamesGiveAnEmptyResult) {
    EXPECT_FALSE(TextEncoding::create(nullptr));
    EXPECT_FALSE(TextEncoding::create(L""));
    EXPECT_FALSE(TextEncoding::create(L"no-such-encoding"));
    // Known to ICU's alias table, but its table is not carried in the executable.
    EXPECT_FALSE(TextEncoding::create(L"EUC-KR"));
}

TEST(TextEncoding, ConvertsTheSampleInTheFiveUnicodeForms) {
    struct Row {
        const wchar_t* name;
        std::string encoded;
    };
    const Row rows[] = {
        {L"UTF-8", bytes({0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80})},
        {L"UTF-16LE", bytes({0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE})},
        {L"UTF-16BE", bytes({0x00, 0xE9, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00})},
        {L"UTF-32LE", bytes({0xE9, 0, 0, 0, 0xAC, 0x20, 0, 0, 0x00, 0xF6, 0x01, 0x00})},
        {L"UTF-32BE", bytes({0, 0, 0, 0xE9, 0, 0, 0x20, 0xAC, 0x00, 0x01, 0xF6, 0x00})},
    };
    for (const Row& row : rows) {
        std::shared_ptr<TextEncoding> encoding = TextEncoding::create(row.name);
        ASSERT_TRUE(encoding) << row.name;
        std::string encoded = "x";
        EXPECT_TRUE(encoding->encode(SAMPLE.data(), SAMPLE.size(), encoded)) << row.name;
        EXPECT_EQ("x" + row.encoded, encoded) << row.name;
        std::wstring decoded = L"y";
        EXPECT_TRUE(encoding->decode(row.encoded.data(), row.encoded.size(), decoded)) << row.name;
        EXPECT_EQ(L"y" + SAMPLE, decoded) << row.name;
    }
}

TEST(TextEncoding, CodePagesConvertBothWays) {
    // windows-1250: č is E8, € is 80; Shift_JIS: あ is 82 A0, half-width ｱ is B1.
    std::shared_ptr<TextEncoding> central = TextEncoding::create(L"windows-1250");
    ASSERT_TRUE(central);
    std::string encoded;
    ASSERT_TRUE(central->encode(L"a\u010D\u20AC", 3, encoded));
    EXPECT_EQ(bytes({'a', 0xE8, 0x80}), encoded);
    std::wstring decoded;
    ASSERT_TRUE(central->decode(encoded.data(), encoded.size(), decoded));
    EXPECT_EQ(L"a\u010D\u20AC", decoded);

    std::shared_ptr<TextEncoding> japanese = TextEncoding::create(L"Shift_JIS");
    ASSERT_TRUE(japanese);
    EXPECT_EQ(1, ucnv_getMinCharSize(japanese->converter));
    EXPECT_EQ(2, ucnv_getMaxCharSize(japanese->converter));
    encoded.clear();
    ASSERT_TRUE(japanese->encode(L"A\u3042\uFF71", 3, encoded));
    EXPECT_EQ(bytes({'A', 0x82, 0xA0, 0xB1}), encoded);
    decoded.clear();
    ASSERT_TRUE(japanese->decode(encoded.data(), encoded.size(), decoded));
    EXPECT_EQ(L"A\u3042\uFF71", decoded);
}

TEST(TextEncoding, LongInputCrossesTheConversionChunks) {
    std::wstring text;
    for (int i = 0; i < 20000; ++i)
        text += (i % 7 == 0) ? SAMPLE : L"plain ";
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(L"UTF-8");
    std::string encoded;
    ASSERT_TRUE(encoding->encode(text.data(), text.size(), encoded));
    std::wstring decoded;
    ASSERT_TRUE(encoding->decode(encoded.data(), encoded.size(), decoded));
    EXPECT_EQ(text, decoded);
}

TEST(TextEncoding, IllFormedInputIsSubstituted) {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(L"UTF-8");
    // A lone surrogate (as an escape in a bundle file may give) is written as U+FFFD.
    std::string encoded;
    EXPECT_TRUE(encoding->encode(L"a\xD800" L"b", 3, encoded));
    EXPECT_EQ(bytes({'a', 0xEF, 0xBF, 0xBD, 'b'}), encoded);
    // A stray continuation byte and a sequence cut off at the end read as U+FFFD.
    std::wstring decoded;
    EXPECT_TRUE(encoding->decode("a\x80" "b\xE2\x82", 5, decoded));
    EXPECT_EQ(L"a\uFFFDb\uFFFD", decoded);
}

TEST(TextConversion, Utf8RoundTrip) {
    std::string utf8 = "<";
    toUtf8(SAMPLE.data(), SAMPLE.size(), utf8);
    EXPECT_EQ(bytes({'<', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}), utf8);
    std::wstring text = L">";
    fromUtf8(utf8.data() + 1, utf8.size() - 1, text);
    EXPECT_EQ(L">" + SAMPLE, text);

    // A byte-order mark is data here.
    text.clear();
    fromUtf8("\xEF\xBB\xBF" "A", 4, text);
    EXPECT_EQ(L"\uFEFFA", text);
    text.clear();
    fromUtf8(nullptr, 0, text);
    EXPECT_EQ(L"", text);
}

TEST(TextConversion, AsciiAndNarrow) {
    std::string ascii;
    toAscii(L"Az\u00E9\u0141", ascii);
    EXPECT_EQ(bytes({'A', 'z', 0x69, 0x41}), ascii);
    std::wstring wide = L"-";
    appendNarrow("a\xE9", wide);
    EXPECT_EQ(L"-a\u00E9", wide);
    appendNarrow(nullptr, wide);
    EXPECT_EQ(L"-a\u00E9", wide);
}
