#include "pel/text/TextDecoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pel;

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

bool utf8(const std::string& data) { return is_utf8_text(data.data(), data.size()); }

// Decodes a whole input with room to spare.
std::wstring decode(const std::string& data, uint32_t code) {
    std::vector<wchar_t> out(data.size() + 4);
    size_t capacity = out.size();
    EXPECT_TRUE(decode_text(out.data(), data.data(), data.size(), code, &capacity));
    return std::wstring(out.data(), capacity);
}

// Decodes in blocks of blockSize bytes, carrying what a block leaves over, as loaders do.
std::wstring decodeInBlocks(const std::string& data, uint32_t code, size_t blockSize) {
    std::wstring text;
    std::string pending;
    for (size_t at = 0; at < data.size() || !pending.empty();) {
        const size_t take = std::min(blockSize, data.size() - at);
        pending += data.substr(at, take);
        at += take;
        std::vector<wchar_t> out(pending.size() + 2);
        size_t capacity = out.size(), consumed = 0;
        EXPECT_TRUE(decode_text(out.data(), pending.data(), pending.size(), code, &capacity, &consumed));
        text.append(out.data(), capacity);
        pending.erase(0, consumed);
        if (at == data.size() && consumed == 0 && !pending.empty()) {
            text += decode(pending, code); // end of input: what is left is taken as complete
            pending.clear();
        }
    }
    return text;
}

} // namespace

TEST(TextDecoding, ByteOrderMarks) {
    const struct {
        std::string data;
        uint32_t code;
        int length;
    } cases[] = {
        {bytes({0xFF, 0xFE, 0, 0, 0x41}), ENCODING_UTF32LE, 4},
        {bytes({0, 0, 0xFE, 0xFF}), ENCODING_UTF32BE, 4},
        {bytes({0xEF, 0xBB, 0xBF, 0x61}), ENCODING_UTF8, 3},
        {bytes({0xFE, 0xFF, 0, 0x41}), ENCODING_UTF16BE, 2},
        {bytes({0xFF, 0xFE, 0x41, 0}), ENCODING_UTF16LE, 2},
        {bytes({0xEF, 0xBB}), 0, 0},
        {"", 0, 0},
    };
    for (const auto& c : cases) {
        const BomEntry& entry = detect_bom_encoding(c.data.data(), c.data.size());
        EXPECT_EQ(c.code, entry.code);
        EXPECT_EQ(c.length, entry.length);
    }
}

TEST(TextDecoding, Utf8DetectionAcceptsWellFormedTextOnly) {
    EXPECT_TRUE(utf8(bytes({0xC3, 0xA9})));
    EXPECT_TRUE(utf8("\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\x82\xE0\xA4\xA6\xE0\xA5\x80")); // Hindi
    EXPECT_TRUE(utf8(bytes({0xE0, 0xB8, 0x81})));                                    // Thai
    EXPECT_TRUE(utf8(bytes({0xF0, 0x9F, 0x98, 0x80})));                              // emoji
    EXPECT_TRUE(utf8("\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD"));                         // Czech
    EXPECT_TRUE(utf8(bytes({'a', 0xC3})));                                           // cut off at the end

    EXPECT_FALSE(utf8("abc"));                       // pure ASCII stays ANSI
    EXPECT_FALSE(utf8(bytes({0x61, 0x00, 0xC3, 0xA9}))); // a zero byte
    EXPECT_FALSE(utf8(bytes({0x80})));                // stray continuation
    EXPECT_FALSE(utf8(bytes({0xC0, 0xAF})));          // overlong
    EXPECT_FALSE(utf8(bytes({0xE0, 0x80, 0xAF})));    // overlong three-byte form
    EXPECT_FALSE(utf8(bytes({0xED, 0xA0, 0x80})));    // encoded surrogate
    EXPECT_FALSE(utf8(bytes({0xF4, 0x90, 0x80, 0x80}))); // beyond U+10FFFF
    EXPECT_FALSE(utf8(bytes({0xE9, 't', 0xE9})));     // Latin-1
}

TEST(TextDecoding, EveryUnicodeForm) {
    const std::wstring expected = L"\u00e9\u20ac\U0001F600";
    EXPECT_EQ(expected, decode("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", ENCODING_UTF8_PLAIN));
    EXPECT_EQ(expected, decode(bytes({0xE9, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}), ENCODING_UTF16LE));
    EXPECT_EQ(expected, decode(bytes({0, 0xE9, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00}), ENCODING_UTF16BE));
    EXPECT_EQ(expected, decode(bytes({0xE9, 0, 0, 0, 0xAC, 0x20, 0, 0, 0x00, 0xF6, 0x01, 0}), ENCODING_UTF32LE));
    EXPECT_EQ(expected, decode(bytes({0, 0, 0, 0xE9, 0, 0, 0x20, 0xAC, 0, 0x01, 0xF6, 0x00}), ENCODING_UTF32BE));
    EXPECT_EQ(L"AB", decode(bytes({0, 'A', 0, 'B'}), ENCODING_UTF16BE));
    EXPECT_EQ(L"", decode("", ENCODING_UTF8));
    EXPECT_EQ(L"", decode("", ENCODING_ANSI));
}

TEST(TextDecoding, DamagedInputBecomesReplacementCharacters) {
    EXPECT_EQ(L"a\uFFFDb", decode(bytes({'a', 0xC0, 'b'}), ENCODING_UTF8_PLAIN));
    EXPECT_EQ(L"\uFFFD", decode(bytes({0xED, 0xA0, 0x80}), ENCODING_UTF8_PLAIN).substr(0, 1));
    EXPECT_EQ(L"a\uFFFD", decode(bytes({'a', 0xE2, 0x82}), ENCODING_UTF8_PLAIN)); // cut off at the end
    EXPECT_EQ(L"\uFFFD", decode(bytes({0x00, 0xD8, 0x11, 0x00}), ENCODING_UTF32LE)); // a surrogate value
    EXPECT_EQ(L"A\uFFFD", decode(bytes({'A', 0, 'B'}), ENCODING_UTF16LE));

    wchar_t small[2];
    size_t capacity = 2;
    EXPECT_FALSE(decode_text(small, "abc", 3, ENCODING_UTF8_PLAIN, &capacity));
}

TEST(TextDecoding, BlocksCarrySequencesCutAtTheirEdge) {
    const std::string text = "x\xC3\xA9y\xE2\x82\xACz\xF0\x9F\x98\x80.";
    for (size_t block = 1; block <= 5; ++block)
        EXPECT_EQ(L"x\u00e9y\u20acz\U0001F600.", decodeInBlocks(text, ENCODING_UTF8_PLAIN, block)) << block;

    const std::string utf32 = bytes({0x00, 0xF6, 0x01, 0, 'a', 0, 0, 0});
    for (size_t block = 1; block <= 3; ++block)
        EXPECT_EQ(L"\U0001F600a", decodeInBlocks(utf32, ENCODING_UTF32LE, block)) << block;

    // Shift_JIS: a lead byte at the end of a block waits for its trail byte.
    const std::string sjis = "a\x82\xA0\x93\xFA\x96{b"; // a, HIRAGANA A, 日, 本, b
    for (size_t block = 1; block <= 4; ++block)
        EXPECT_EQ(L"a\u3042\u65e5\u672cb", decodeInBlocks(sjis, 932, block)) << block;
}
