#include "pel/files/file_io/FileIO.h"
#include "service/document/io/DocumentIOErrors.h"
#include "DocumentIOTestSupport.h"

#include <windows.h>

#include <tuple>

using namespace tessel;
using tessel_test::textOf;

namespace {

class DocumentSaveTest : public tessel_test::DocumentIOTest {
protected:
    // The document's text saved in an encoding and line ending; the bytes written.
    std::string saved(const std::wstring& text, uint32_t encoding, uint32_t lineEnding) {
        Document document;
        document.insert(0, text);
        tessel_test::setEncoding(document, encoding, lineEnding);
        EXPECT_EQ(L"", save(document, L"out.txt"));
        return folder.read(L"out.txt");
    }

    // Each file, loaded in blocks of its size (0: the default), saves to the same bytes.
    void expectByteForByte(const std::vector<std::tuple<const char*, std::string, uint32_t>>& fixtures) {
        for (const auto& [what, bytes, block] : fixtures) {
            io.setBlockSize(block);
            Document document;
            loadBytes(document, bytes);
            ASSERT_EQ(L"", save(document, L"copy.txt")) << what;
            EXPECT_TRUE(folder.read(L"copy.txt") == bytes) << what;
        }
    }
};

// Text of count bytes in UTF-8: lines of multi-byte characters, ASCII padding at the end.
std::string utf8Text(size_t count) {
    std::string text;
    const std::string line = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 line\n";
    while (text.size() + line.size() < count)
        text += line;
    return text + std::string(count - text.size(), 'x');
}

} // namespace

TEST_F(DocumentSaveTest, FilesLoadAndSaveByteForByte) {
    expectByteForByte({
        {"UTF-8 with mark, CR LF, last line ended", "\xEF\xBB\xBFl\xC3\xAFne one\r\nline two\r\n", 16},
        {"UTF-8 without mark, LF, last line open", "\xC3\xBC" "ber\nna\xC3\xAFve", 16},
        {"UTF-16 LE, CR", std::string("\xFF\xFE\x61\x00\x0D\x00\xAC\x20\x0D\x00", 10), 16},
        {"UTF-16 BE, CR LF", std::string("\xFE\xFF\x00\x61\x00\x0D\x00\x0A\xD8\x3D\xDE\x00", 12), 16},
        {"UTF-32 LE, CR LF", std::string("\xFF\xFE\x00\x00\x61\x00\x00\x00\x0D\x00\x00\x00\x0A\x00\x00\x00"
                                         "\x00\xF6\x01\x00", 20), 16},
        {"UTF-32 BE, LF", std::string("\x00\x00\xFE\xFF\x00\x00\x00\x61\x00\x00\x00\x0A\x00\x01\xF6\x00", 16), 16},
        {"ASCII, CR", "one\rtwo\rthree", 16},
        {"size 0", "", 0},
        {"size 1", "a", 0},
        {"1 MB - 1", utf8Text(0xFFFFF), 0},
        {"1 MB", utf8Text(0x100000), 0},
        {"1 MB + 1", utf8Text(0x100001), 0},
    });
}

TEST_F(DocumentSaveTest, AnAnsiFileLoadsAndSavesByteForByte) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the ANSI fixture needs code page 1252, this system uses " << ::GetACP();
    expectByteForByte({{"ANSI 1252, CR LF", "caf\xE9 \x80 na\xEFve\r\nend\r\n", 16}});
}

TEST_F(DocumentSaveTest, BreaksTakeTheUnitsOfTheEncodingAndNothingFollowsTheLastLine) {
    EXPECT_EQ(std::string("\xFE\xFF\x00\x61\x00\x62\x00\x0D\x00\x0A\x00\x63\x00\x64", 14),
              saved(L"ab\ncd", 1201, LINE_ENDING_WINDOWS));
    EXPECT_EQ(std::string("\x00\x00\xFE\xFF\x00\x00\x00\x61\x00\x00\x00\x0D\x00\x00\x00\x62", 16),
              saved(L"a\nb", 0x800004B1, LINE_ENDING_MAC));
    EXPECT_EQ(std::string("\xFF\xFE\x61\x00\x0A\x00\x0A\x00", 8), saved(L"a\n\n", 1200, LINE_ENDING_UNIX));
    EXPECT_EQ("\xEF\xBB\xBF" "a\r\n", saved(L"a\n", 65001, LINE_ENDING_WINDOWS));
    EXPECT_EQ("a\rb", saved(L"a\nb", 0x8000FDE9, 7)); // an unknown line ending writes CR

    // A file of mixed breaks is saved with the one voted.
    Document document;
    loadBytes(document, "a\r\nb\r\nc\nd\re");
    ASSERT_EQ(L"", save(document, L"mixed.txt"));
    EXPECT_EQ("a\r\nb\r\nc\r\nd\r\ne", folder.read(L"mixed.txt"));
}

// Pairs lie across the gap and across every piece boundary; none is split into two halves.
TEST_F(DocumentSaveTest, SurrogatePairsSurvivePiecesAndTheGap) {
    io.setBlockSize(3);
    std::wstring text;
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        text += i % 3 ? L"\U0001F600" : L"a\U0001F600";
        expected += i % 3 ? "\xF0\x9F\x98\x80" : "a\xF0\x9F\x98\x80";
    }
    Document document;
    document.insert(0, text);
    for (int32_t cut = 1; cut < 40; cut += 7) {
        document.insert(cut, L"!"); // moves the gap to the cut: perhaps inside a pair
        document.remove(cut, 1);
        tessel_test::setEncoding(document, 0x8000FDE9, LINE_ENDING_UNIX);
        ASSERT_EQ(L"", save(document, L"pairs.txt")) << cut;
        ASSERT_EQ(expected, folder.read(L"pairs.txt")) << cut;
    }
}
