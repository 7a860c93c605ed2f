// Files whose bytes do not all decode in the encoding their byte-order mark (or the system's code
// page) names: the load marks the document and logs the first offset, and a save refuses to write
// the replacement characters over the user's bytes until the mark is cleared.

#include "service/document/io/DocumentIOErrors.h"
#include "support/AnsiCodePage.h"
#include "support/LogCapture.h"
#include "DocumentIOTestSupport.h"

using namespace tessel;
using tessel_test::textOf;

namespace {

class DocumentReplacedBytesTest : public tessel_test::DocumentIOTest {};

std::string bytesOf(const char* data, size_t size) { return std::string(data, size); }

} // namespace

TEST_F(DocumentReplacedBytesTest, EachUnicodeFormMarksTheLoadAndRefusesTheSave) {
    const std::string padding(20, 'p'); // puts the damage past the first 16-byte block
    const struct {
        const char* what;
        std::string bytes;
        std::wstring text;
        const wchar_t* offset; // as the log line names it
        const wchar_t* encoding;
    } cases[] = {
        {"Latin-1 byte in UTF-8 with a mark", "\xEF\xBB\xBF" "caf\xE9!", L"caf\uFFFD!", L"offset 6;", L"UTF-8"},
        {"Latin-1 byte in a later block", "\xEF\xBB\xBF" + padding + "\xE9", std::wstring(20, L'p') + L"\uFFFD",
         L"offset 23;", L"UTF-8"},
        {"sequence cut off at the end", "\xEF\xBB\xBF" "ab\xE2\x82", L"ab\uFFFD", L"offset 5;", L"UTF-8"},
        {"odd last byte in UTF-16 LE", bytesOf("\xFF\xFE" "a\0b", 5), L"a\uFFFD", L"offset 4;", L"UTF-16"},
        {"odd last byte in UTF-16 BE", bytesOf("\xFE\xFF\0a\0b\0", 7), L"ab\uFFFD", L"offset 6;", L"UTF-16"},
        {"UTF-32 LE past U+10FFFF", bytesOf("\xFF\xFE\0\0" "a\0\0\0" "\0\0\x11\0", 12), L"a\uFFFD", L"offset 8;",
         L"UTF-32"},
        {"UTF-32 BE past U+10FFFF", bytesOf("\0\0\xFE\xFF" "\x7F\xFF\xFF\xFF" "\0\0\0a", 12), L"\uFFFDa",
         L"offset 4;", L"UTF-32"},
    };
    io.setBlockSize(16);
    for (const auto& c : cases) {
        Document document;
        tessel_test::LogCapture log;
        loadBytes(document, c.bytes);
        EXPECT_EQ(c.text, textOf(document)) << c.what;
        const DocumentFormat format = document.getFormat();
        EXPECT_TRUE(format.replacedBytes) << c.what;
        EXPECT_FALSE(format.modified) << c.what;
        EXPECT_TRUE(log.contains(c.offset, pel::LOG_WARNING)) << c.what;

        const std::wstring error = save(document, L"in.txt");
        EXPECT_NE(std::wstring::npos, error.find(L"held bytes that are not valid")) << c.what;
        EXPECT_NE(std::wstring::npos, error.find(c.encoding)) << c.what;
        EXPECT_TRUE(folder.read(L"in.txt") == c.bytes) << c.what << ": the file is as it was";

        // The user chose to save anyway: the replacement characters are written.
        document.changeFormat([](DocumentFormat& changed) { changed.replacedBytes = false; });
        ASSERT_EQ(L"", save(document, L"in.txt")) << c.what;
        Document reloaded;
        loadBytes(reloaded, folder.read(L"in.txt"));
        EXPECT_EQ(c.text, textOf(reloaded)) << c.what;
        EXPECT_FALSE(reloaded.getFormat().replacedBytes) << c.what;
    }
}

TEST_F(DocumentReplacedBytesTest, CharactersTheBytesSpellAreNoReplacement) {
    // A U+FFFD, U+FFFE and U+FFFF written in the file, a lone UTF-16 surrogate (kept as it is),
    // text without a mark, a code-page text; each a reload after a damaged file.
    const std::string cases[] = {
        "\xEF\xBB\xBF" "a\xEF\xBF\xBD" "b\xEF\xBF\xBE\xEF\xBF\xBF",
        bytesOf("\xFF\xFE\x00\xD8" "a\0", 6),
        bytesOf("\xFF\xFE\0\0" "\xFD\xFF\0\0" "\xFF\xFF\x10\0", 12),
        "caf\xC3\xA9 \xEF\xBF\xBE\xEF\xBF\xBF",
        "plain ASCII",
        // A code-page file whose last byte could start a UTF-8 sequence: never UTF-8.
        "caf\xE9",
    };
    Document document;
    for (const std::string& bytes : cases) {
        loadBytes(document, "\xEF\xBB\xBF\xFF");
        ASSERT_TRUE(document.getFormat().replacedBytes);
        tessel_test::LogCapture log;
        loadBytes(document, bytes);
        EXPECT_FALSE(document.getFormat().replacedBytes) << bytes;
        EXPECT_FALSE(log.contains(L"not valid")) << bytes;
        ASSERT_EQ(L"", save(document, L"copy.txt")) << bytes;
        EXPECT_TRUE(folder.read(L"copy.txt") == bytes) << bytes;
    }
}

TEST_F(DocumentReplacedBytesTest, NonCharactersSurviveASaveAndAReload) {
    Document document;
    document.insert(0, L"\uFFFE x \uFFFF");
    tessel_test::setEncoding(document, 0x8000FDE9, LINE_ENDING_UNIX);
    ASSERT_EQ(L"", save(document, L"out.txt"));
    EXPECT_EQ("\xEF\xBF\xBE x \xEF\xBF\xBF", folder.read(L"out.txt"));
    Document reloaded;
    loadBytes(reloaded, folder.read(L"out.txt"));
    EXPECT_EQ(L"\uFFFE x \uFFFF", textOf(reloaded));
}

// Where the system's page is a double-byte one, a file without a mark that holds bytes the page
// cannot decode is marked as the Unicode forms' are: its save is refused until the user chooses
// to save anyway, and then the page's default character goes to the file in their place.
TEST_F(DocumentReplacedBytesTest, AnAnsiLoadUnderADoubleBytePageMarksWhatItReplaced) {
    const tessel_test::AnsiCodePage japanese(932);
    const std::string lead = "\x93\xFA\x96{" + std::string(14, 'p'); // 日本 and a first block's end
    const std::string bytes = lead + "\x81\x7F" "\x82\xA0"; // an invalid pair, then あ
    io.setBlockSize(16);
    Document document;
    tessel_test::LogCapture log;
    loadBytes(document, bytes);
    EXPECT_EQ(L"\u65E5\u672C" + std::wstring(14, L'p') + L"\u30FB\u3042", textOf(document));
    const DocumentFormat format = document.getFormat();
    EXPECT_EQ(0u, format.detectedEncoding);
    EXPECT_TRUE(format.replacedBytes);
    EXPECT_TRUE(log.contains(L"not valid ANSI, first at offset 18;", pel::LOG_WARNING));

    const std::wstring error = save(document, L"in.txt");
    EXPECT_NE(std::wstring::npos, error.find(L"held bytes that are not valid ANSI")) << error.c_str();
    EXPECT_TRUE(folder.read(L"in.txt") == bytes) << "the file is as it was";

    document.changeFormat([](DocumentFormat& changed) { changed.replacedBytes = false; });
    ASSERT_EQ(L"", save(document, L"in.txt"));
    EXPECT_EQ(lead + "\x81\x45" "\x82\xA0", folder.read(L"in.txt"));
    Document reloaded;
    loadBytes(reloaded, folder.read(L"in.txt"));
    EXPECT_EQ(textOf(document), textOf(reloaded));
    EXPECT_FALSE(reloaded.getFormat().replacedBytes);
}

// A file of one non-character and nothing else is UTF-8, as the decoder takes it: it loads as that
// one character and saves back as its own three bytes.
TEST_F(DocumentReplacedBytesTest, AFileOfANonCharacterAloneIsUtf8) {
    const struct {
        std::string bytes;
        wchar_t character;
    } cases[] = {{"\xEF\xBF\xBF", L'\uFFFF'}, {"\xEF\xBF\xBE", L'\uFFFE'}};
    for (const auto& c : cases) {
        Document document;
        loadBytes(document, c.bytes);
        EXPECT_EQ(std::wstring(1, c.character), textOf(document));
        EXPECT_EQ(0x8000FDE9u, document.getFormat().detectedEncoding);
        EXPECT_FALSE(document.getFormat().replacedBytes);
        ASSERT_EQ(L"", save(document, L"out.txt"));
        EXPECT_EQ(c.bytes, folder.read(L"out.txt"));
    }
}
