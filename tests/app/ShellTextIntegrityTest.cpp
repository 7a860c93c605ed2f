// The shell keeps the user's bytes: a file whose bytes did not all decode is saved only when the
// user chooses to, and dropped text goes in with line-feed breaks.

#include "ShellFixture.h"

#include "editor/Editor.h"
#include "service/document/controller/DocumentController.h"
#include "support/AnsiCodePage.h"

using namespace tessel;

namespace {

using ShellTextIntegrityTest = tessel_test::ShellFixture;

TEST_F(ShellTextIntegrityTest, AFileWithBytesItsEncodingCannotDecodeIsSavedOnlyWhenTheUserSaysSo) {
    const struct {
        const wchar_t* name;
        std::string bytes;
        const wchar_t* encoding;
        std::string saved; // after an "x" typed at the start
    } cases[] = {
        {L"latin.txt", "\xEF\xBB\xBF" "caf\xE9\r\n", L"UTF-8", "\xEF\xBB\xBF" "xcaf\xEF\xBF\xBD\r\n"},
        {L"odd.txt", std::string("\xFF\xFE" "a\0b", 5), L"UTF-16 LE", std::string("\xFF\xFE" "x\0a\0\xFD\xFF", 8)},
        {L"big.txt", std::string("\0\0\xFE\xFF" "\0\x11\0\0", 8), L"UTF-32 BE",
         std::string("\0\0\xFE\xFF" "\0\0\0x" "\0\0\xFF\xFD", 12)},
    };
    ASSERT_TRUE(start());
    for (const auto& c : cases) {
        base.write(std::wstring(L"files\\") + c.name, c.bytes);
        ASSERT_TRUE(window->openFile(file(c.name)));
        MainWindow::Page& page = *window->getActivePage();
        ::SendMessageW(page.editor->getHandle(), WM_CHAR, L'x', 1);
        questions.clear();
        answers.push_back(afWindow::RESULT_CANCEL);
        EXPECT_FALSE(window->save(page));
        ASSERT_EQ(1u, questions.size());
        EXPECT_EQ(std::wstring(c.name) + L" held bytes that are not valid " + c.encoding +
                      L"; saving will replace them. Save anyway?",
                  questions[0]);
        EXPECT_TRUE(base.read(std::wstring(L"files\\") + c.name) == c.bytes) << narrow(c.name) << ": untouched";
        EXPECT_TRUE(page.controller->isModified());

        answers.push_back(MainWindow::RESULT_SAVE);
        EXPECT_TRUE(window->save(page));
        EXPECT_TRUE(base.read(std::wstring(L"files\\") + c.name) == c.saved) << narrow(c.name);
        EXPECT_FALSE(page.controller->isModified());
        // Asked once: the next save goes ahead.
        ::SendMessageW(page.editor->getHandle(), WM_CHAR, L'y', 1);
        EXPECT_TRUE(window->save(page));
        EXPECT_EQ(2u, questions.size()) << narrow(c.name);
    }
}

// Under a double-byte system page a file without a mark is ANSI: bytes the page cannot decode
// bring the same question, and the page's default character is saved only after it.
TEST_F(ShellTextIntegrityTest, AnAnsiFileWithBytesADoubleBytePageCannotDecodeAsksTheSame) {
    const tessel_test::AnsiCodePage japanese(932);
    const std::string bytes = "\x93\xFA\x81\x7F\r\n"; // 日 and a lead byte no character trails with 7F
    base.write(L"files\\sjis.txt", bytes);
    ASSERT_TRUE(start());
    ASSERT_TRUE(window->openFile(file(L"sjis.txt")));
    MainWindow::Page& page = *window->getActivePage();
    ::SendMessageW(page.editor->getHandle(), WM_CHAR, L'x', 1);
    answers.push_back(afWindow::RESULT_CANCEL);
    EXPECT_FALSE(window->save(page));
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"sjis.txt held bytes that are not valid ANSI; saving will replace them. Save anyway?", questions[0]);
    EXPECT_TRUE(base.read(L"files\\sjis.txt") == bytes) << "untouched";

    answers.push_back(MainWindow::RESULT_SAVE);
    EXPECT_TRUE(window->save(page));
    EXPECT_EQ("x\x93\xFA\x81\x45\r\n", base.read(L"files\\sjis.txt"));
}

TEST_F(ShellTextIntegrityTest, DroppedTextGoesInWithLineFeedBreaksAndSavesAsTheDocumentsEnding) {
    base.write(L"files\\d.txt", "start\r\n");
    ASSERT_TRUE(start(L"\"" + file(L"d.txt") + L"\""));
    DocumentController& controller = *window->getActivePage()->controller;
    EXPECT_EQ(AF_DROP_COPY,
              window->editorDrop(window->getActivePage()->editor, {L"one\r\ntwo\rthree\n"}, false, TextPosition(),
                                 AF_DROP_COPY));
    std::wstring text;
    controller.getText(&text);
    EXPECT_EQ(L"one\ntwo\nthree\nstart\n", text);
    EXPECT_EQ(5, controller.getLineCount());
    ASSERT_TRUE(window->save(*window->getActivePage()));
    EXPECT_EQ("one\r\ntwo\r\nthree\r\nstart\r\n", base.read(L"files\\d.txt"));
}

} // namespace
