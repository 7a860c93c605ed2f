// Text larger than the reader's chunks and the writer's buffer, through every Unicode form and
// a code page, against encoders written here independently of ICU.

#include "StreamTestSupport.h"

using namespace pel;
using tessel_test::encoding;
using tessel_test::readText;
using tessel_test::writeText;

namespace {

std::string encodeByHand(const std::wstring& text, const std::wstring& form) {
    std::string out;
    auto put = [&](uint32_t value, int size, bool big) {
        for (int i = 0; i < size; ++i)
            out += static_cast<char>(value >> (big ? 8 * (size - 1 - i) : 8 * i));
    };
    const bool big = form.find(L"BE") != std::wstring::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint16_t>(text[i]);
        if (c >= 0xD800 && c < 0xDC00) // the sample holds whole pairs only
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(text[++i]) - 0xDC00);
        if (form == L"UTF-8") {
            const int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
            out += static_cast<char>(tail == 0 ? c : (0xFF00 >> (tail + 1)) | (c >> (6 * tail)));
            for (int t = tail - 1; t >= 0; --t)
                out += static_cast<char>(0x80 | ((c >> (6 * t)) & 0x3F));
        } else if (form[4] == L'1' && c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10), 2, big);
            put(0xDC00 + ((c - 0x10000) & 0x3FF), 2, big);
        } else {
            put(c, form[4] == L'1' ? 2 : 4, big);
        }
    }
    return out;
}

// One- to four-byte characters falling on every offset of the chunk boundaries.
std::wstring sampleText() {
    const std::wstring pieces[] = {L"int main() {\r\n", L"\u010Desk\u00FD ", L"\u0939\u093F\u0928\u094D\u0926\u0940 ",
                                   L"\u0E44\u0E17\u0E22", L"\U0001F600\U0001F680", L"\u4E2D\u6587\n", L"\uFEFF",
                                   L"\t\u20AC100\r", L"x"};
    std::wstring text;
    for (int i = 0; text.size() < 20000; ++i)
        text += pieces[(i * 7 + i / 9) % 9];
    return text;
}

} // namespace

TEST(TextRoundTrip, EveryUnicodeFormByteForByte) {
    const std::wstring text = sampleText();
    const std::pair<const wchar_t*, std::string> forms[] = {
        {L"UTF-8", "\xEF\xBB\xBF"}, {L"UTF-16LE", "\xFF\xFE"}, {L"UTF-16BE", "\xFE\xFF"},
        {L"UTF-32LE", std::string("\xFF\xFE\0\0", 4)}, {L"UTF-32BE", std::string("\0\0\xFE\xFF", 4)}};
    for (const auto& form : forms) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(form.first)));
        const std::string written = writeText(text, form.first);
        ASSERT_EQ(encodeByHand(text, form.first), written);
        for (int blockSize : {0, 1, 333, 4096, 100000})
            EXPECT_EQ(text, readText(written, encoding(form.first), blockSize)) << blockSize;
        EXPECT_EQ(text, readText(form.second + written, nullptr)); // detected; the mark is no text
        EXPECT_EQ(written, writeText(readText(written, encoding(form.first), 5000), form.first));
    }
}

TEST(TextRoundTrip, Windows1250ByteForByte) {
    std::shared_ptr<TextEncoding> probe = encoding(L"windows-1250");
    std::string defined; // every byte the code page defines
    for (int b = 1; b < 256; ++b) {
        std::wstring one;
        probe->decode(reinterpret_cast<const char*>(&b), 1, one);
        if (one.size() == 1 && one[0] != 0xFFFD && one[0] != 0x1A)
            defined += static_cast<char>(b);
    }
    ASSERT_GT(defined.size(), 240u);
    std::string data;
    while (data.size() < 5000)
        data += defined;
    const std::wstring text = readText(data, encoding(L"windows-1250"));
    ASSERT_EQ(data.size(), text.size());
    EXPECT_EQ(L'\u010D', text[data.find('\xE8')]); // c with caron
    EXPECT_EQ(L'\u20AC', text[data.find('\x80')]); // euro sign
    EXPECT_EQ(data, writeText(text, L"windows-1250"));
}

TEST(TextRoundTrip, LoneSurrogatesBecomeSubstitutesWithoutACrash) {
    const std::wstring text = std::wstring(L"a") + wchar_t(0xD800) + L"b" + wchar_t(0xDC00) + L"c" + wchar_t(0xDBFF);
    for (const wchar_t* name : {L"UTF-8", L"UTF-16LE", L"UTF-16BE", L"UTF-32LE", L"UTF-32BE"}) {
        EXPECT_EQ(L"a\uFFFDb\uFFFDc\uFFFD", readText(writeText(text, name), encoding(name)))
            << testing::PrintToString(std::wstring(name));
    }
    EXPECT_EQ(L"a\uFFFDb\uFFFD", readText(std::string("a\0\0\xD8" "b\0\0\xDC", 8), encoding(L"UTF-16LE")));
    // An encoded surrogate in UTF-8 is three ill-formed bytes.
    EXPECT_EQ(L"a\uFFFD\uFFFD\uFFFDb", readText("a\xED\xA0\x80" "b", encoding(L"UTF-8")));
}
