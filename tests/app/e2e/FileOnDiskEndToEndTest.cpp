// What is on disk, driven from outside in Tessel.exe: a write right after Tessel's own save is
// asked about every time; a reload that failed is asked about again at the next save; a deletion
// while "Save changes" is open is told before Don't Save lets the text go (a tab's close and the
// exit alike); a deleted file's tab asks before it closes after an edit and its undo; another
// program's change of a bundle entry's file is asked about before the bundle editor writes it; a
// change while Tessel writes its temporary file, a backup put back with an older time and a link
// pointed at another file are each asked about; a file deleted under its change question is told
// once as a deletion, and a folder renamed away as its file gone; and a save through a symbolic
// link writes the file it leads to and leaves the link.

#include "app/e2e/FileOnDisk.h"

#include "support/SymbolicLink.h"

#include <gtest/gtest.h>

#include <string>

namespace tessel_test {
namespace {

using FileOnDiskEndToEnd = TesselCopyTest;

// A file's UTF-16 text (after its byte order mark), as the bundle editor writes an entry.
std::wstring readWide(const std::string& bytes) {
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}
std::string wideBytes(const std::wstring& text) {
    std::string bytes("\xFF\xFE");
    for (wchar_t c : text)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

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
        ASSERT_TRUE(typedInto(tessel, L"r.c"));
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
    ASSERT_TRUE(typedInto(tessel, L"a.c"));
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
    // Read once saved: a read while the save replaces the file would hold the file.
    ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel")) << shownQuestion(tessel, "a-saved");
    EXPECT_EQ("qint original;\r\n", copy.folder.read(L"a.c"));
    EXPECT_TRUE(endsQuietly(tessel, "a-close"));
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
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel")) << shownQuestion(tessel, "u-saved");
    EXPECT_EQ("int u;\r\n", copy.folder.read(L"u.c"));
    EXPECT_TRUE(endsQuietly(tessel, "u-close"));
}

// Opened through a link, saved: the link's file takes the text, and the link is still a link.
TEST_F(FileOnDiskEndToEnd, ASaveThroughASymbolicLinkWritesItsFileAndKeepsTheLink) {
    copy.folder.write(L"target.c", "int t;\r\n");
    const LinkRemoval removal{copy.folder / L"link.c"};
    if (!makeSymbolicLink(copy.folder / L"link.c", copy.folder / L"target.c"))
        GTEST_SKIP() << "no symbolic link can be made here";
    TesselRun tessel(copy, L"link.c");
    ASSERT_TRUE(typeText(tessel.editor(), L"q"));
    EXPECT_EQ("qint t;\r\n", savedText(tessel, L"link.c", "int t;\r\n"));
    EXPECT_EQ("qint t;\r\n", copy.folder.read(L"target.c")) << "the link's file kept its old text";
    EXPECT_TRUE(leadsTo(copy.folder / L"link.c", copy.folder / L"target.c")) << "the link was replaced";
    EXPECT_TRUE(endsQuietly(tessel, "link-close"));
}

// Ctrl+W on an edited tab; its file is deleted while "Save changes" is open. Don't Save does not
// let the text go: the deletion is told, and "Save changes" asked again.
TEST_F(FileOnDiskEndToEnd, AFileDeletedWhileSaveChangesIsOpenIsToldBeforeDontSaveLetsTheTextGo) {
    copy.folder.write(L"d.c", "int d;\r\n");
    TesselRun tessel(copy, L"d.c");
    ASSERT_TRUE(typedInto(tessel, L"d.c"));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'W'}));
    ASSERT_TRUE(tessel.questionOffering(L"&Save")) << "Save changes was not asked";
    ASSERT_TRUE(::DeleteFileW((copy.folder / L"d.c").c_str()));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the tab closed with the only copy of its text: "
                                                << TesselRun::narrow(tessel.title());
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(asksAbout(tessel, L"&Save", L"d.c * - Tessel"));
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Save";
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    EXPECT_EQ("qint d;\r\n", copy.folder.read(L"d.c"));
    EXPECT_TRUE(endsQuietly(tessel, "d-close"));
}

// Tessel closes with two edited tabs: Don't Save for a.c, then a.c is deleted while b.c's question
// is open, and Don't Save for b.c. The exit tells a.c's deletion and asks about it again.
TEST_F(FileOnDiskEndToEnd, AtTheExitAFileDeletedAfterItsDontSaveIsAskedAboutAgain) {
    copy.folder.write(L"a.c", "int a;\r\n");
    copy.folder.write(L"b.c", "int b;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(typedInto(tessel, L"a.c"));
    ASSERT_TRUE(tessel.handOver(copy, L"b.c"));
    ASSERT_TRUE(typedInto(tessel, L"b.c"));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(asksAbout(tessel, L"&Save", L"a.c * - Tessel"));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    ASSERT_TRUE(asksAbout(tessel, L"&Save", L"b.c * - Tessel"));
    ASSERT_TRUE(::DeleteFileW((copy.folder / L"a.c").c_str()));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "Tessel ended with the only copy of a.c's text";
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(asksAbout(tessel, L"&Save", L"a.c * - Tessel"));
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Save";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "ab-close");
    EXPECT_EQ("qint a;\r\n", copy.folder.read(L"a.c"));
    EXPECT_EQ("int b;\r\n", copy.folder.read(L"b.c"));
}

// The C grammar edited and saved in the bundle editor; another program rewrites its file in the
// user's changes layer; the next Ctrl+S there asks first, and Keep writes the editor's text.
TEST_F(FileOnDiskEndToEnd, AnEntrysFileChangedByAnotherProgramIsAskedAboutBeforeTheBundleEditorSaves) {
    copy.folder.write(L"e.c", "int e;\r\n");
    TesselRun tessel(copy, L"e.c");
    HWND bundleEditor = nullptr, entry = nullptr;
    ASSERT_TRUE(openCGrammar(tessel, &bundleEditor, &entry));
    const std::wstring changes =
        user.substr(copy.folder.path.size() + 1) + C_GRAMMAR_CHANGES_FOLDER + C_GRAMMAR_CHANGES_FILE;
    ASSERT_TRUE(typeText(entry, L" "));
    ASSERT_TRUE(pressChordIn(entry, {VK_CONTROL, 'S'}));
    // Only what differs from the shipped grammar is written, with the comments of its text.
    std::wstring saved;
    ASSERT_TRUE(pollFor([&] { return (saved = readWide(copy.folder.read(changes))).find(L"// ") != std::wstring::npos; },
                        WAIT_MS))
        << "the entry was never saved";
    std::wstring outside = saved;
    outside.replace(outside.find(L"// "), 3, L"// OTHER PROGRAM ");
    copy.folder.writeOutside(changes, wideBytes(outside));
    ASSERT_TRUE(typeText(entry, L" "));
    ASSERT_TRUE(pressChordIn(entry, {VK_CONTROL, 'S'}));
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the entry was saved without a question";
    EXPECT_EQ(outside, readWide(copy.folder.read(changes))) << "written over before the answer";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << "Keep";
    EXPECT_TRUE(pollFor([&] { return readWide(copy.folder.read(changes)).find(L"OTHER") == std::wstring::npos; },
                        WAIT_MS))
        << "Keep did not write the editor's text";
    EXPECT_TRUE(endsQuietly(tessel, "entry-close"));
}

// Another program appends to the file while Ctrl+S writes its temporary file (it holds the file
// open until then, so that its write lands before the rename): the save asks rather than
// replacing the file, which keeps the other program's line until the answer.
TEST_F(FileOnDiskEndToEnd, AChangeWhileTheSaveWritesItsTemporaryFileIsAskedAbout) {
    std::string text;
    for (int line = 0; line < 60000; ++line)
        text += "int line" + std::to_string(line) + ";\r\n";
    copy.folder.write(L"big.c", text);
    TesselRun tessel(copy, L"big.c");
    ASSERT_TRUE(typedInto(tessel, L"big.c"));
    HANDLE other = ::CreateFileW((copy.folder / L"big.c").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    const bool writing = pollFor(
        [&] {
            for (const std::wstring& name : copy.folder.names())
                if (name.compare(0, 6, L".big.c") == 0)
                    return true;
            return false;
        },
        WAIT_MS, 1);
    DWORD written = 0;
    ::WriteFile(other, "int appended;\r\n", 15, &written, nullptr);
    ::CloseHandle(other);
    ASSERT_TRUE(writing) << "no temporary file was seen";
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the other program's line was written over: "
                                                     << shownQuestion(tessel, "big-save");
    EXPECT_EQ(text + "int appended;\r\n", copy.folder.read(L"big.c"));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << "Keep";
    ASSERT_TRUE(tessel.hasTitle(L"big.c - Tessel")) << "Keep did not save: " << shownQuestion(tessel, "big-saved");
    EXPECT_EQ("q" + text, copy.folder.read(L"big.c"));
    EXPECT_TRUE(endsQuietly(tessel, "big-close"));
}

// A backup of the same size put back over an edited tab's file with its own, older write time (as
// "cp -p" does): news all the same.
TEST_F(FileOnDiskEndToEnd, ABackupPutBackWithAnOlderTimeIsAskedAbout) {
    copy.folder.write(L"backup.c", "int a = 1;\r\n");
    copy.folder.writeOutside(L"p.c", "int a = 2;\r\n");
    TesselRun tessel(copy, L"p.c");
    ASSERT_TRUE(typedInto(tessel, L"p.c"));
    ASSERT_NO_FATAL_FAILURE(putBack(copy.folder / L"p.c", "int a = 1;\r\n", copy.folder / L"backup.c"));
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the backup put back was never asked about";
    EXPECT_EQ("int a = 1;\r\n", copy.folder.read(L"p.c"));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << "Keep";
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.questionOffering(L"&Save"));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "p-close");
    EXPECT_EQ("int a = 1;\r\n", copy.folder.read(L"p.c"));
}

// An edited tab opened through a link; the link is pointed at another file of the same size and
// write time: news, asked about.
TEST_F(FileOnDiskEndToEnd, ALinkPointedAtAnotherFileOfTheSameSizeAndTimeIsAskedAbout) {
    copy.folder.write(L"one.c", "int one;\r\n");
    copy.folder.write(L"two.c", "int two;\r\n");
    ASSERT_NO_FATAL_FAILURE(putBack(copy.folder / L"two.c", "int two;\r\n", copy.folder / L"one.c"));
    const LinkRemoval removal{copy.folder / L"link.c"};
    if (!makeSymbolicLink(copy.folder / L"link.c", copy.folder / L"one.c"))
        GTEST_SKIP() << "no symbolic link can be made here";
    TesselRun tessel(copy, L"link.c");
    ASSERT_TRUE(typedInto(tessel, L"link.c"));
    ASSERT_TRUE(pointSymbolicLink(copy.folder / L"link.c", copy.folder / L"two.c"));
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the link's new file was never asked about";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "Reload";
    ASSERT_TRUE(tessel.hasTitle(L"link.c - Tessel"));
    EXPECT_TRUE(endsQuietly(tessel, "relink-close"));
    EXPECT_EQ("int one;\r\n", copy.folder.read(L"one.c"));
    EXPECT_EQ("int two;\r\n", copy.folder.read(L"two.c"));
}

// The file deleted while its change question is open: Keep, and the deletion is told, not the
// change question again about a file that is gone; closing then asks once.
TEST_F(FileOnDiskEndToEnd, AFileDeletedUnderItsChangeQuestionIsToldOnceAsADeletion) {
    copy.folder.write(L"k.c", "int k;\r\n");
    TesselRun tessel(copy, L"k.c");
    ASSERT_TRUE(tessel.hasTitle(L"k.c - Tessel"));
    copy.folder.writeOutside(L"k.c", "int changed;\r\n");
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the change was never asked about";
    ASSERT_TRUE(::DeleteFileW((copy.folder / L"k.c").c_str()));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << "Keep";
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the deletion was not told: " << shownQuestion(tessel, "k-told");
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(tessel.hasTitle(L"k.c * - Tessel"));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.questionOffering(L"&Save")) << shownQuestion(tessel, "k-close");
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "k-end");
}

// The open file's folder renamed away in another program, and the user back in Tessel: the file
// is told gone (no watch tells it: the folder's watch follows the folder), and its tab asks
// before closing.
TEST_F(FileOnDiskEndToEnd, AFolderRenamedAwayTellsItsFileGone) {
    ASSERT_TRUE(::CreateDirectoryW((copy.folder / L"sub").c_str(), nullptr));
    copy.folder.write(L"sub\\f.c", "int f;\r\n");
    TesselRun tessel(copy, L"sub\\f.c");
    ASSERT_TRUE(tessel.hasTitle(L"f.c - Tessel"));
    ASSERT_TRUE(::MoveFileW((copy.folder / L"sub").c_str(), (copy.folder / L"moved").c_str()));
    ASSERT_TRUE(visitAnotherProgram(tessel));
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the folder's going was never told";
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(tessel.hasTitle(L"f.c * - Tessel"));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.questionOffering(L"&Save")) << shownQuestion(tessel, "f-close");
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "f-end");
}

} // namespace
} // namespace tessel_test
