#include "pel/text/TextDecoding.h"
#include "support/LogCapture.h"
#include "DocumentIOTestSupport.h"

#include <random>

using namespace tessel;
using tessel_test::textOf;

namespace {

class DocumentLoadTest : public tessel_test::DocumentIOTest {};

struct Detected {
    float encodingConfidence;
    uint32_t encoding;
    float lineEndingConfidence;
    uint32_t lineEnding;
};

} // namespace

TEST_F(DocumentLoadTest, DetectsEncodingAndLineEndingAndDecodesAcrossBlocks) {
    const struct {
        const char* what;
        std::string bytes;
        std::wstring text;
        Detected detected;
    } cases[] = {
        {"empty", "", L"", {0, 0, 0, 0}},
        {"pure ASCII", "hello\nworld", L"hello\nworld", {1, 0, 1, 1}},
        {"one C3 A9", "caf\xC3\xA9", L"caf\u00e9", {1, 0x8000FDE9, 0, 2}},
        {"UTF-8 mark", "\xEF\xBB\xBFx\r\ny", L"x\ny", {1, 65001, 1, 0}},
        {"UTF-32 LE", std::string("\xFF\xFE\x00\x00\x61\x00\x00\x00\x0A\x00\x00\x00", 12), L"a\n", {1, 0x800004B0, 1, 1}},
        {"UTF-32 BE", std::string("\x00\x00\xFE\xFF\x00\x01\xF6\x00", 8), L"\U0001F600", {1, 0x800004B1, 0, 2}},
        {"UTF-16 BE", std::string("\xFE\xFF\x00\x61\x00\x0D\x00\x0A\x00\x62", 10), L"a\nb", {1, 1201, 1, 0}},
        {"UTF-16 odd byte", std::string("\xFF\xFE\x61\x00\x62", 5), L"a\ufffd", {1, 1200, 0, 2}},
        {"one of each break", "a\r\nb\rc\nd", L"a\nb\nc\nd", {1, 0, 1.0f / 3, 2}},
        {"CR LF before LF", "a\r\n\r\nb\n\n\r", L"a\n\nb\n\n\n", {1, 0, 0.4f, 0}},
        {"LF CR, CR CR LF", "\n\r\r\r\n", L"\n\n\n\n", {1, 0, 0.5f, 2}},
        {"CR LF across blocks", std::string(15, 'x') + "\r\nyz", std::wstring(15, L'x') + L"\nyz", {1, 0, 1, 0}},
        {"UTF-8 across blocks", std::string(14, 'x') + "\xE2\x82\xAC" + "\n", std::wstring(14, L'x') + L"\u20ac\n",
         {1, 0x8000FDE9, 1, 1}},
        {"cut off at the end", "\xC3\xA9\xE2\x82", L"\u00e9\ufffd", {1, 0x8000FDE9, 0, 2}},
        {"Hindi", "\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\xA8\xE0\xA5\x8D\xE0\xA4\xA6\xE0\xA5\x80",
         L"\u0939\u093f\u0928\u094d\u0926\u0940", {1, 0x8000FDE9, 0, 2}},
        {"Thai", "\xE0\xB9\x84\xE0\xB8\x97\xE0\xB8\xA2", L"\u0e44\u0e17\u0e22", {1, 0x8000FDE9, 0, 2}},
        {"emoji", "ok \xF0\x9F\x98\x80", L"ok \U0001F600", {1, 0x8000FDE9, 0, 2}},
    };
    io.setBlockSize(16);
    for (const auto& c : cases) {
        Document document;
        folder.write(L"in.txt", c.bytes);
        tessel_test::LogCapture log;
        ASSERT_EQ(L"", load(document, L"in.txt")) << c.what;
        EXPECT_EQ(c.text, textOf(document)) << c.what;
        const DocumentFormat format = document.getFormat();
        EXPECT_EQ(c.detected.encodingConfidence, format.encodingConfidence) << c.what;
        EXPECT_EQ(c.detected.encoding, format.detectedEncoding) << c.what;
        EXPECT_FLOAT_EQ(c.detected.lineEndingConfidence, format.lineEndingConfidence) << c.what;
        EXPECT_EQ(c.detected.lineEnding, format.detectedLineEnding) << c.what;
        EXPECT_EQ(!c.bytes.empty(), log.contains(L"DocumentIO: Data read time: ", pel::LOG_INFO)) << c.what;
    }
    Document empty;
    loadBytes(empty, "");
    const DocumentFormat format = empty.getFormat();
    EXPECT_EQ(0.0f, format.softTabsConfidence + format.tabWidthConfidence);
    EXPECT_EQ(0, format.detectedTabWidth + format.detectedSoftTabs);
}

TEST_F(DocumentLoadTest, TheDetectorsAnswerIsStored) {
    Document document;
    loadBytes(document, "/* -*- indent-tabs-mode: nil; tab-width: 3 -*- */\n\tx\n");
    const DocumentFormat format = document.getFormat();
    EXPECT_TRUE(format.softTabsConfidence == 1.0f && format.detectedSoftTabs);
    EXPECT_TRUE(format.tabWidthConfidence == 1.0f && format.detectedTabWidth == 3);
}

// Random bytes, cut-off marks, damaged UTF-8 and UTF-16, in blocks of random size: every file
// loads, and its text is what decoding the whole file at once and turning each break into a
// line feed gives, with the encoding detected on the first block.
TEST_F(DocumentLoadTest, RandomFilesLoadAsTheirWholeDecodingWithBreaksMadeLineFeeds) {
    std::mt19937 random(27);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const std::string pieces[] = {"\r", "\n", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xE2\x82",
                                  "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC0\xAF", "\x80", std::string(1, '\0'),
                                  "\xFF\xFE", "\xFE\xFF", "\xEF\xBB", std::string("\xFF\xFE\x00", 3), "plain text "};
    Document document;
    for (int round = 0; round < 10000; ++round) {
        std::string bytes;
        const size_t parts = pick(24);
        for (size_t i = 0; i < parts; ++i) {
            if (pick(3) == 0)
                bytes += static_cast<char>(random());
            else
                bytes += pieces[pick(std::size(pieces))];
        }
        const uint32_t block = 16 + static_cast<uint32_t>(pick(48));
        io.setBlockSize(block);
        folder.write(L"fuzz.bin", bytes);
        ASSERT_EQ(L"", load(document, L"fuzz.bin")) << round;

        const size_t first = std::min<size_t>(bytes.size(), block);
        const pel::BomEntry& mark = pel::detect_bom_encoding(bytes.data(), first);
        uint32_t code = mark.code;
        if (mark.length == 0 && pel::is_utf8_text(bytes.data(), first, first == bytes.size()))
            code = pel::ENCODING_UTF8_PLAIN;
        std::wstring whole(bytes.size() + 4, L'\0');
        size_t units = whole.size();
        ASSERT_TRUE(pel::decode_text(&whole[0], bytes.data() + mark.length, bytes.size() - mark.length, code, &units));
        whole.resize(units);
        std::wstring expected;
        for (size_t i = 0; i < whole.size(); ++i) {
            if (whole[i] == L'\r' && i + 1 < whole.size() && whole[i + 1] == L'\n')
                continue;
            expected += whole[i] == L'\r' ? L'\n' : whole[i];
        }
        ASSERT_EQ(expected, textOf(document)) << round;
        ASSERT_EQ(static_cast<int32_t>(std::count(expected.begin(), expected.end(), L'\n')) + 1,
                  document.getLineCount())
            << round;
        if (!bytes.empty()) {
            ASSERT_EQ(code, document.getFormat().detectedEncoding) << round;
        }
    }
}
