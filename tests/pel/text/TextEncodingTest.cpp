#include "pel/text/TextConversion.h"
#include "pel/text/TextDecoding.h"
#include "pel/text/TextEncoding.h"
#include "pel/text/WideString.h"

#include "support/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace pel;

namespace {

// "é€😀": a two-byte, a three-byte and a four-byte UTF-8 character, the last a surrogate pair.
const std::wstring SAMPLE = L"\u00E9\u20AC\U0001F600";

// The bytes of a literal, zero bytes included.
template <size_t N>
std::string B(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// The sample in the five Unicode forms.
const struct {
    const wchar_t* name;
    uint32_t code;
    std::string bytes;
} FORMS[] = {
    {L"UTF-8", ENCODING_UTF8_PLAIN, B("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")},
    {L"UTF-16LE", ENCODING_UTF16LE, B("\xE9\x00\xAC\x20\x3D\xD8\x00\xDE")},
    {L"UTF-16BE", ENCODING_UTF16BE, B("\x00\xE9\x20\xAC\xD8\x3D\xDE\x00")},
    {L"UTF-32LE", ENCODING_UTF32LE, B("\xE9\0\0\0\xAC\x20\0\0\x00\xF6\x01\x00")},
    {L"UTF-32BE", ENCODING_UTF32BE, B("\0\0\0\xE9\0\0\x20\xAC\x00\x01\xF6\x00")},
};

std::string preambleOf(const wchar_t* name) {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(name);
    if (!encoding)
        return "(none)";
    int length = -1;
    const unsigned char* bytes = encoding->getPreamble(&length);
    return std::string(reinterpret_cast<const char*>(bytes), length);
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

TEST(TextEncoding, ByteOrderMarks) {
    const std::pair<const wchar_t*, std::string> rows[] = {
        {L"UTF-8", "\xEF\xBB\xBF"},       {L"utf-8", "\xEF\xBB\xBF"},    {L"utf-16le", "\xFF\xFE"},
        {L"UTF-16BE", "\xFE\xFF"},       {L"UTF-32LE", B("\xFF\xFE\0\0")}, {L"UTF-32BE", B("\0\0\xFE\xFF")},
        // The generic forms get the little-endian marks; the log file asks for "UTF16-LE".
        {L"UTF-16", "\xFF\xFE"},         {L"UTF-32", B("\xFF\xFE\0\0")},   {L"UTF16-LE", "\xFF\xFE"},
        {L"windows-1250", ""},           {L"Shift_JIS", ""},             {L"ISO-8859-1", ""},
        // Unknown, or known to ICU's alias table but its table is not carried in the executable.
        {nullptr, "(none)"}, {L"", "(none)"}, {L"no-such-encoding", "(none)"}, {L"EUC-KR", "(none)"},
    };
    for (const auto& [name, preamble] : rows)
        EXPECT_EQ(preamble, preambleOf(name)) << (name ? name : L"(null)");
}

TEST(TextEncoding, ConvertsBothWays) {
    // windows-1250: č is E8, € is 80. Shift_JIS: あ is 82 A0, half-width ｱ is B1.
    const struct {
        const wchar_t* name;
        std::wstring text;
        std::string encoded;
    } rows[] = {
        {FORMS[0].name, SAMPLE, FORMS[0].bytes}, {FORMS[1].name, SAMPLE, FORMS[1].bytes},
        {FORMS[2].name, SAMPLE, FORMS[2].bytes}, {FORMS[3].name, SAMPLE, FORMS[3].bytes},
        {FORMS[4].name, SAMPLE, FORMS[4].bytes}, {L"windows-1250", L"a\u010D\u20AC", "a\xE8\x80"},
        {L"Shift_JIS", L"A\u3042\uFF71", "A\x82\xA0\xB1"},
    };
    for (const auto& row : rows) {
        std::shared_ptr<TextEncoding> encoding = TextEncoding::create(row.name);
        ASSERT_TRUE(encoding) << row.name;
        std::string bytes = "x";
        EXPECT_TRUE(encoding->encode(row.text.data(), row.text.size(), bytes)) << row.name;
        EXPECT_EQ("x" + row.encoded, bytes) << row.name; // appended
        std::wstring text = L"y";
        EXPECT_TRUE(encoding->decode(row.encoded.data(), row.encoded.size(), text)) << row.name;
        EXPECT_EQ(L"y" + row.text, text) << row.name;
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

TEST(TextDecoding, ByteOrderMarks) {
    const struct {
        std::string data;
        uint32_t code;
        int length;
    } cases[] = {
        {B("\xFF\xFE\x00\x00" "A"), ENCODING_UTF32LE, 4}, {B("\x00\x00\xFE\xFF"), ENCODING_UTF32BE, 4},
        {B("\xEF\xBB\xBF" "a"), ENCODING_UTF8, 3},    {B("\xFE\xFF\x00" "A"), ENCODING_UTF16BE, 2},
        {B("\xFF\xFE" "A\x00"), ENCODING_UTF16LE, 2},    {B("\xEF\xBB"), 0, 0}, {"", 0, 0},
    };
    for (const auto& c : cases) {
        const BomEntry& entry = detect_bom_encoding(c.data.data(), c.data.size());
        EXPECT_EQ(c.code, entry.code);
        EXPECT_EQ(c.length, entry.length);
    }
}

TEST(TextDecoding, Utf8DetectionAcceptsWellFormedTextOnly) {
    // Hindi, Thai, an emoji, Czech, and text cut off in a sequence at the end.
    for (const char* text : {"\xC3\xA9", "\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\x82\xE0\xA4\xA6\xE0\xA5\x80",
                             "\xE0\xB8\x81", "\xF0\x9F\x98\x80", "\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD", "a\xC3"})
        EXPECT_TRUE(utf8(text)) << text;
    // Pure ASCII (it stays ANSI), a zero byte, a stray continuation, overlong forms, an encoded
    // surrogate, a code point beyond U+10FFFF, Latin-1.
    for (const std::string& text :
         {std::string("abc"), B("a\x00\xC3\xA9"), B("\x80"), B("\xC0\xAF"),
          B("\xE0\x80\xAF"), B("\xED\xA0\x80"), B("\xF4\x90\x80\x80"), B("\xE9t\xE9")})
        EXPECT_FALSE(utf8(text)) << text;
}

// A block cut inside a sequence may be UTF-8; a whole text that ends inside one is, only after
// a whole sequence: "caf\xE9" is Windows-1252, and read as UTF-8 its last byte would be lost.
TEST(TextDecoding, ASequenceCutOffByTheTextsEndIsUtf8OnlyAfterAWholeOne) {
    for (const std::string text : {"caf\xE9", "a\xF0\x9F\x98", "\xE0\xA4"}) {
        EXPECT_TRUE(is_utf8_text(text.data(), text.size(), false)) << text;
        EXPECT_FALSE(is_utf8_text(text.data(), text.size(), true)) << text;
    }
    for (const std::string text : {"\xC3\xA9\xE0\xA4", "caf\xC3\xA9 \xE2\x82"})
        EXPECT_TRUE(is_utf8_text(text.data(), text.size(), true)) << text;
    std::wstring decoded;
    ASSERT_TRUE(decodeText("caf\xE9", 4, 0, decoded));
    EXPECT_EQ(1u, decoded.size() - 3) << "one character, not a replacement";
    EXPECT_NE(L'\xFFFD', decoded[3]);
}

TEST(TextDecoding, EveryUnicodeForm) {
    for (const auto& form : FORMS)
        EXPECT_EQ(SAMPLE, decode(form.bytes, form.code)) << form.name;
    EXPECT_EQ(L"AB", decode(B("\x00" "A\x00" "B"), ENCODING_UTF16BE));
    EXPECT_EQ(L"", decode("", ENCODING_UTF8));
    EXPECT_EQ(L"", decode("", ENCODING_ANSI));
}

TEST(TextDecoding, DamagedInputBecomesReplacementCharacters) {
    EXPECT_EQ(L"a\uFFFDb", decode(B("a\xC0" "b"), ENCODING_UTF8_PLAIN));
    EXPECT_EQ(L"\uFFFD", decode(B("\xED\xA0\x80"), ENCODING_UTF8_PLAIN).substr(0, 1));
    EXPECT_EQ(L"a\uFFFD", decode(B("a\xE2\x82"), ENCODING_UTF8_PLAIN)); // cut off at the end
    EXPECT_EQ(L"\uFFFD", decode(B("\x00\xD8\x11\x00"), ENCODING_UTF32LE)); // a surrogate value
    EXPECT_EQ(L"A\uFFFD", decode(B("A\x00" "B"), ENCODING_UTF16LE));

    // A destination too small fails, whatever the encoding, and never reports units it did not
    // write (a code page with no room at all would otherwise answer the system's size query).
    for (uint32_t code : {uint32_t{ENCODING_UTF8_PLAIN}, uint32_t{ENCODING_UTF16LE}, 1252u, uint32_t{ENCODING_ANSI}}) {
        wchar_t small[2] = {L'#', L'#'};
        for (size_t room : {size_t{0}, size_t{2}}) {
            size_t capacity = room;
            EXPECT_FALSE(decode_text(small, "a\0b\0c\0", 6, code, &capacity)) << code << " in " << room;
            EXPECT_LE(capacity, room) << code;
        }
        small[0] = L'#';
        size_t capacity = 0, consumed = 99; // a stream block with no room takes nothing
        EXPECT_TRUE(decode_text(small, "a\0b\0c\0", 6, code, &capacity, &consumed)) << code;
        EXPECT_EQ(0u, capacity);
        EXPECT_EQ(0u, consumed);
        EXPECT_EQ(L'#', small[0]);
    }
}

// U+FFFE and U+FFFF are characters in UTF-8 as in the other forms; surrogates stay ill-formed.
// The first replaced bytes are reported by offset; bytes that spell U+FFFD are no replacement.
TEST(TextDecoding, NonCharactersDecodeAndReplacementsAreReported) {
    EXPECT_EQ(L"\uFFFEa\uFFFF", decode(B("\xEF\xBF\xBE" "a\xEF\xBF\xBF"), ENCODING_UTF8_PLAIN));
    EXPECT_TRUE(utf8(B("\xEF\xBF\xBE\xEF\xBF\xBF")));
    EXPECT_FALSE(utf8(B("\xED\xBF\xBF")));

    const struct {
        std::string bytes;
        uint32_t code;
        size_t first;
    } cases[] = {
        {B("a\xEF\xBF\xBD\xEF\xBF\xBF"), ENCODING_UTF8, NO_REPLACEMENT},
        {B("ab\xE9" "c\xE9"), ENCODING_UTF8, 2},
        {B("a\xED\xA0\x80"), ENCODING_UTF8_PLAIN, 1},
        {B("abc\xF4\x90\x80\x80"), ENCODING_UTF8, 3},
        {B("a\xE2\x82"), ENCODING_UTF8, 1}, // cut off by the end of the input
        {B("a\0\x00\xD8"), ENCODING_UTF16LE, NO_REPLACEMENT}, // a lone surrogate is kept
        {B("a\0b"), ENCODING_UTF16LE, 2},
        {B("\0a\0"), ENCODING_UTF16BE, 2},
        {B("a\0\0\0\xFF\xFF\x10\0"), ENCODING_UTF32LE, NO_REPLACEMENT},
        {B("a\0\0\0\0\0\x11\0"), ENCODING_UTF32LE, 4},
        {B("\0\0\0a\0\0\xD8\0"), ENCODING_UTF32BE, 4},
        {B("\0\0\0a\0\0"), ENCODING_UTF32BE, 4},
        {B("\x81\x8D"), 1252, NO_REPLACEMENT}, // a code page's own mapping
    };
    for (const auto& c : cases) {
        std::vector<wchar_t> out(c.bytes.size() + 4);
        size_t capacity = out.size(), first = 0;
        ASSERT_TRUE(decode_text(out.data(), c.bytes.data(), c.bytes.size(), c.code, &capacity, nullptr, &first));
        EXPECT_EQ(c.first, first) << c.code << " " << c.bytes;
    }
    // A block stops before a sequence cut off by its end: nothing is replaced yet.
    wchar_t out[8];
    size_t capacity = 8, consumed = 0, first = 0;
    ASSERT_TRUE(decode_text(out, "ab\xE2\x82", 4, ENCODING_UTF8, &capacity, &consumed, &first));
    EXPECT_EQ(2u, consumed);
    EXPECT_EQ(NO_REPLACEMENT, first);
}

TEST(TextDecoding, BlocksCarrySequencesCutAtTheirEdge) {
    const std::string text = "x\xC3\xA9y\xE2\x82\xACz\xF0\x9F\x98\x80.";
    for (size_t block = 1; block <= 5; ++block)
        EXPECT_EQ(L"x\u00e9y\u20acz\U0001F600.", decodeInBlocks(text, ENCODING_UTF8_PLAIN, block)) << block;

    const std::string utf32 = B("\x00\xF6\x01\x00" "a\0\0\0");
    for (size_t block = 1; block <= 3; ++block)
        EXPECT_EQ(L"\U0001F600a", decodeInBlocks(utf32, ENCODING_UTF32LE, block)) << block;

    // Shift_JIS: a lead byte at the end of a block waits for its trail byte.
    const std::string sjis = "a\x82\xA0\x93\xFA\x96{b"; // a, HIRAGANA A, 日, 本, b
    for (size_t block = 1; block <= 4; ++block)
        EXPECT_EQ(L"a\u3042\u65e5\u672cb", decodeInBlocks(sjis, 932, block)) << block;
}

namespace {

// What decode_text reports as the first replaced offset of a whole input, with the text.
struct Decoded {
    std::wstring text;
    size_t first;
};

Decoded decodeReporting(const std::string& data, uint32_t code) {
    std::vector<wchar_t> out(data.size() + 4);
    size_t capacity = out.size(), first = 0;
    EXPECT_TRUE(decode_text(out.data(), data.data(), data.size(), code, &capacity, nullptr, &first));
    return {std::wstring(out.data(), capacity), first};
}

// Text of each double-byte page with bytes it cannot decode: Shift_JIS and GBK.
const struct {
    uint32_t code; // the code page in the low 16 bits
    std::string text;
    std::vector<size_t> boundaries; // where a character starts, the end included
    std::vector<std::string> damage;
} DOUBLE_BYTE[] = {
    // a, HIRAGANA A, 日, 本, b; a lead byte with a byte no character trails with, a byte no
    // character starts with, a lead byte of an empty row.
    {932, "a\x82\xA0\x93\xFA\x96{b", {0, 1, 3, 5, 7, 8}, {B("\x81\x7F"), B("\xA0"), B("\x85\x40"), B("\xFD")}},
    // a, 你, 好, b (with the high bits of a code set, which name no other page).
    {0x80000000u | 936, "a\xC4\xE3\xBA\xC3" "b", {0, 1, 3, 5, 6}, {B("\x81\x30"), B("\xFF"), B("\xA1\x7F")}},
};

} // namespace

// A double-byte page replaces what it cannot decode by its default character, as it always did;
// the first of those is reported like a Unicode form's, at its byte, wherever it stands.
TEST(TextDecoding, DoubleBytePagesReportTheFirstCharacterTheyReplace) {
    for (const auto& page : DOUBLE_BYTE) {
        const Decoded clean = decodeReporting(page.text, page.code);
        EXPECT_EQ(NO_REPLACEMENT, clean.first) << page.code;
        for (const std::string& damage : page.damage) {
            const std::wstring replaced = decodeReporting(damage, page.code).text;
            EXPECT_FALSE(replaced.empty()) << page.code;
            for (size_t at : page.boundaries) {
                const std::string bytes = page.text.substr(0, at) + damage + page.text.substr(at);
                const Decoded got = decodeReporting(bytes, page.code);
                EXPECT_EQ(at, got.first) << page.code << ": " << bytes;
                EXPECT_EQ(decodeReporting(page.text.substr(0, at), page.code).text + replaced +
                              decodeReporting(page.text.substr(at), page.code).text,
                          got.text)
                    << page.code << ": the text is as the system decodes it";
            }
        }
        // A lead byte that ends the input has lost its trail byte; one that ends a stream's
        // block waits for it in the next.
        const std::string cut = page.text + page.text.substr(1, 1);
        EXPECT_EQ(page.text.size(), decodeReporting(cut, page.code).first) << page.code;
        std::vector<wchar_t> out(cut.size());
        size_t capacity = out.size(), consumed = 0, first = 0;
        ASSERT_TRUE(decode_text(out.data(), cut.data(), cut.size(), page.code, &capacity, &consumed, &first));
        EXPECT_EQ(page.text.size(), consumed);
        EXPECT_EQ(NO_REPLACEMENT, first) << page.code;
    }
}

// A long text is looked through in pieces: the damage is found at its byte however far in,
// after a piece that ends inside a double-byte character or not.
TEST(TextDecoding, DamageFarIntoALongCodePageTextIsFoundAtItsByte) {
    std::string text = "x"; // every character after it starts at an odd offset
    for (int i = 0; i < 150000; ++i)
        text += "\x93\xFA";
    for (size_t at : {size_t{1}, size_t{4095}, size_t{4097}, size_t{8193}, size_t{299999}, size_t{300001}}) {
        const std::string bytes = text.substr(0, at) + "\x81\x7F" + text.substr(at);
        EXPECT_EQ(at, decodeReporting(bytes, 932).first) << at;
    }
    EXPECT_EQ(NO_REPLACEMENT, decodeReporting(text, 932).first);
}

// The code page of "ANSI" can be set for tests; a single-byte page maps every byte (Wine's
// 1252 too), so nothing there counts as replaced.
TEST(TextDecoding, AnsiStandsForTheCodePageSetForIt) {
    {
        const tessel_test::AnsiCodePage japanese(932);
        EXPECT_EQ(932u, ansiCodePage());
        const Decoded got = decodeReporting(B("a\x82\xA0\x81\x7F"), ENCODING_ANSI);
        EXPECT_EQ(L"a\u3042", got.text.substr(0, 2));
        EXPECT_EQ(3u, got.first);
    }
    EXPECT_EQ(::GetACP(), ansiCodePage());
    EXPECT_EQ(NO_REPLACEMENT, decodeReporting(B("\x81\x8D\x8F\x90\x9D\xFF"), 1252).first);
}

// Detection and decoding agree on every three-byte sequence: what detection takes as UTF-8 the
// decoder takes whole, U+FFFE and U+FFFF included, and what it refuses the decoder replaces.
TEST(TextDecoding, Utf8DetectionAndTheDecoderAgreeOnEveryThreeByteSequence) {
    std::string bytes(3, '\0');
    for (int lead = 0xE0; lead <= 0xEF; ++lead) {
        for (int second = 1; second < 0x100; ++second) {
            for (int third = 1; third < 0x100; ++third) {
                bytes[0] = static_cast<char>(lead);
                bytes[1] = static_cast<char>(second);
                bytes[2] = static_cast<char>(third);
                const bool detected = is_utf8_text(bytes.data(), bytes.size(), true);
                const Decoded got = decodeReporting(bytes, ENCODING_UTF8_PLAIN);
                if (detected != (got.first == NO_REPLACEMENT && got.text.size() == 1)) {
                    ADD_FAILURE() << std::hex << lead << " " << second << " " << third << ": detected " << detected;
                    return;
                }
            }
        }
    }
    for (const char* only : {"\xEF\xBF\xBF", "\xEF\xBF\xBE"}) {
        EXPECT_TRUE(is_utf8_text(only, 3, true));
        EXPECT_EQ(1u, decodeReporting(only, ENCODING_UTF8_PLAIN).text.size());
    }
}
