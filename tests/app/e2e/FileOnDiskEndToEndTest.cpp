// What is on disk, driven from outside in Tessel.exe: a write right after Tessel's own save is
// asked about every time; a reload that failed is asked about again at the next save; a deleted
// file's tab asks before it closes after an edit and its undo; and a save through a symbolic link
// writes the file it leads to and leaves the link.

#include "app/e2e/TesselRun.h"

#include "support/SymbolicLink.h"

#include <gtest/gtest.h>

#include <string>

namespace tessel_test {
namespace {

using FileOnDiskEndToEnd = TesselCopyTest;

// Another program appends to the file as soon as each Ctrl+S has written it, round after round.
TEST_F(FileOnDiskEndToEnd, AWriteRightAfterASaveIsAskedAboutEveryTime) {
    std::string text;
    for (int line = 0; line < 2000; ++line)
        text += "int line" + std::to_string(line) + ";\r\n";
    copy.folder.write(L"r.c", text);
    TesselRun tessel(copy, L"r.c");
    ASSERT_TRUE(tessel.hasTitle(L"r.c - Tessel"));
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(typeText(tessel.editor(), L"q"));
        ASSERT_TRUE(tessel.hasTitle(L"r.c * - Tessel"));
        ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
        // The title loses its star once the save is over: the other program writes at once.
        ASSERT_TRUE(pollFor([&] { return tessel.title() == L"r.c - Tessel"; }, WAIT_MS, 1)) << TesselRun::narrow(tessel.title());
        HANDLE other = ::CreateFileW((copy.folder / L"r.c").c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, other);
        DWORD written = 0;
        ::WriteFile(other, "int appended;\r\n", 15, &written, nullptr);
        ::CloseHandle(other);
        ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the write after the save was never asked about";
        ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << "Keep";
    }
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.questionOffering(L"&Save"));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'}));
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
}

// Reload answered while another program holds the file unshared: it cannot be read, and the next
// Ctrl+S asks again before it writes over the other program's text.
TEST_F(FileOnDiskEndToEnd, AReloadThatFailedIsAskedAboutAgainAtTheNextSave) {
    copy.folder.write(L"a.c", "int original;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(typeText(tessel.editor(), L"q"));
    ASSERT_TRUE(tessel.hasTitle(L"a.c * - Tessel"));
    copy.folder.writeOutside(L"a.c", "int other;\r\n");
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the change was never asked about";
    HANDLE held = ::CreateFileW((copy.folder / L"a.c").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "Reload";
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the failed read was not told";
    ::CloseHandle(held);
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "saved without a question: " << shownQuestion(tessel, "a-save");
    EXPECT_EQ("int other;\r\n", copy.folder.read(L"a.c")) << "written over before the answer";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << "Keep";
    ASSERT_TRUE(pollFor([&] { return copy.folder.read(L"a.c") == "qint original;\r\n"; }, WAIT_MS));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "a-close");
}

// The file is deleted and told; an edit and its undo later, Ctrl+W still asks.
TEST_F(FileOnDiskEndToEnd, ADeletedFilesTabAsksBeforeClosingAfterAnEditAndItsUndo) {
    copy.folder.write(L"u.c", "int u;\r\n");
    TesselRun tessel(copy, L"u.c");
    ASSERT_TRUE(tessel.hasTitle(L"u.c - Tessel"));
    ASSERT_TRUE(::DeleteFileW((copy.folder / L"u.c").c_str()));
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the deletion was not told";
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(typeText(tessel.editor(), L"x"));
    ASSERT_TRUE(pressChordIn(tessel.editor(), {VK_CONTROL, 'Z'}));
    ASSERT_TRUE(tessel.hasTitle(L"u.c * - Tessel"));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'W'}));
    ASSERT_TRUE(tessel.questionOffering(L"&Save")) << "closed without a question";
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Save";
    ASSERT_TRUE(pollFor([&] { return copy.folder.read(L"u.c") == "int u;\r\n"; }, WAIT_MS));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "u-close");
}

// Opened through a link, saved: the link's file takes the text, and the link is still a link.
TEST_F(FileOnDiskEndToEnd, ASaveThroughASymbolicLinkWritesItsFileAndKeepsTheLink) {
    copy.folder.write(L"target.c", "int t;\r\n");
    if (!makeSymbolicLink(copy.folder / L"link.c", copy.folder / L"target.c"))
        GTEST_SKIP() << "no symbolic link can be made here";
    TesselRun tessel(copy, L"link.c");
    ASSERT_TRUE(typeText(tessel.editor(), L"q"));
    EXPECT_EQ("qint t;\r\n", savedText(tessel, L"link.c", "int t;\r\n"));
    EXPECT_EQ("qint t;\r\n", copy.folder.read(L"target.c")) << "the link's file kept its old text";
    EXPECT_TRUE(leadsTo(copy.folder / L"link.c", copy.folder / L"target.c")) << "the link was replaced";
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "link-close");
}

} // namespace
} // namespace tessel_test
