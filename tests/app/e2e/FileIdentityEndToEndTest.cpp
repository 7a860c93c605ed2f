// A file is what it holds and which file it is, driven from outside in Tessel.exe: a rewrite
// that keeps the size and write time is asked about (in place, through another name of the file,
// or deleted and made again), a touch or the same bytes written again are not; every name of an
// open file (a link, another name, its short name, another case) brings its one tab to the
// front; a change of the file a link leads to, in another folder, is told at once; a save
// through a link whose file was deleted makes that file and keeps the link, and a save of a file
// with two names shows in both; a folder put in a file's place is told as one at the save; and a
// file of another user stays that user's.

#include "app/e2e/FileOnDisk.h"

#include "support/SymbolicLink.h"

#include <gtest/gtest.h>

#include <string>

namespace tessel_test {
namespace {

using FileIdentityEndToEnd = TesselCopyTest;

// A second start hands the name over and ends with 0; the tab `title` names is then in front.
testing::AssertionResult handOverBrings(TesselRun& tessel, const TesselCopy& copy, const std::wstring& name,
                                        const std::wstring& title) {
    OtherProcess second(copy.program(), L"\"" + name + L"\"", copy.folder.path);
    const long code = second.exitCode(WAIT_MS);
    if (code != 0)
        return testing::AssertionFailure() << "the second start ended with " << code;
    return tessel.hasTitle(title);
}

// Waits for the question about the file's change; a deletion told first (the watch looked before
// the file was made again) is answered on the way.
testing::AssertionResult asksAboutTheChange(TesselRun& tessel) {
    const HWND first = tessel.question();
    bool deletion = false;
    for (HWND child = first ? ::GetWindow(first, GW_CHILD) : nullptr; child; child = ::GetWindow(child, GW_HWNDNEXT))
        deletion = deletion || OtherProcess::windowText(child) == L"OK";
    if (deletion && !tessel.answer({VK_RETURN}))
        return testing::AssertionFailure() << "the deletion's notice stayed";
    if (!tessel.questionOffering(L"&Reload"))
        return testing::AssertionFailure() << "the change was never asked about: " << shownQuestion(tessel, "change");
    return testing::AssertionSuccess();
}

// "link.c" in the copy's folder, a symbolic link to "sub\\target.c" (holding "int t;"); whether
// it could be made.
bool linkToAnotherFolder(TesselCopy& copy) {
    ::CreateDirectoryW((copy.folder / L"sub").c_str(), nullptr);
    copy.folder.write(L"sub\\target.c", "int t;\r\n");
    return makeSymbolicLink(copy.folder / L"link.c", copy.folder / L"sub\\target.c");
}

// The file's write time, for putting it back after a write.
FILETIME writeTimeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// An unedited tab's file rewritten in place with bytes of the same size, its write time put back:
// asked about. The same through the file's other name, found at the next save of an edit; and
// the file deleted and made again with such bytes.
TEST_F(FileIdentityEndToEnd, AChangeThatKeepsTheSizeAndWriteTimeIsAskedAbout) {
    copy.folder.write(L"a.c", "int a = 1;\r\n");
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
    ASSERT_NO_FATAL_FAILURE(putBack(copy.folder / L"a.c", "int a = 2;\r\n", copy.folder / L"a.c"));
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the rewrite was never asked about";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "Reload";
    ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));

    if (makeHardLink(copy.folder / L"b.c", copy.folder / L"a.c")) {
        ASSERT_TRUE(typedInto(tessel, L"a.c"));
        ASSERT_NO_FATAL_FAILURE(putBack(copy.folder / L"b.c", "int b = 3;\r\n", copy.folder / L"a.c"));
        ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
        ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "saved over the other name's write: "
                                                         << copy.folder.read(L"a.c");
        EXPECT_EQ("int b = 3;\r\n", copy.folder.read(L"a.c"));
        ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "Reload";
        ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
        ::DeleteFileW((copy.folder / L"b.c").c_str());
    }

    const FILETIME time = writeTimeOf(copy.folder / L"a.c");
    ASSERT_TRUE(::DeleteFileW((copy.folder / L"a.c").c_str()));
    copy.folder.write(L"a.c", "int a = 4;\r\n");
    const HANDLE made = ::CreateFileW((copy.folder / L"a.c").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ::SetFileTime(made, nullptr, nullptr, &time);
    ::CloseHandle(made);
    ASSERT_TRUE(asksAboutTheChange(tessel)) << "the file made again";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "Reload";
    ASSERT_TRUE(typedInto(tessel, L"a.c"));
    EXPECT_EQ("qint a = 4;\r\n", savedText(tessel, L"a.c", "int a = 4;\r\n"));
    EXPECT_TRUE(endsQuietly(tessel, "made-again-close"));
}

// An edited tab's file touched (its write time set anew), then written again with the bytes it
// held: neither is asked about, and Ctrl+S saves at once.
TEST_F(FileIdentityEndToEnd, ATouchOrTheSameBytesWrittenAgainIsNoQuestion) {
    const std::string text = "int t;\r\nint u;\r\n";
    copy.folder.write(L"t.c", text);
    TesselRun tessel(copy, L"t.c");
    ASSERT_TRUE(typedInto(tessel, L"t.c"));
    copy.folder.writeOutside(L"t.c", text);
    EXPECT_EQ("q" + text, savedText(tessel, L"t.c", text)) << shownQuestion(tessel, "touched");
    ASSERT_TRUE(tessel.hasTitle(L"t.c - Tessel")) << shownQuestion(tessel, "touched-saved");
    ASSERT_TRUE(typedInto(tessel, L"t.c"));
    copy.folder.write(L"t.c", "q" + text);
    EXPECT_EQ("qq" + text, savedText(tessel, L"t.c", "q" + text)) << shownQuestion(tessel, "same-bytes");
    ASSERT_TRUE(tessel.hasTitle(L"t.c - Tessel")) << shownQuestion(tessel, "same-bytes-saved");
    EXPECT_TRUE(endsQuietly(tessel, "touched-close"));
}

// Every name of the open file brings its tab to the front rather than opening another: a symbolic
// link, a second name of the file, its short name and its name in capitals.
TEST_F(FileIdentityEndToEnd, AnyNameOfAnOpenFileBringsItsOneTab) {
    const std::wstring name = L"the open tab.c";
    copy.folder.write(name, "int t;\r\n");
    copy.folder.write(L"other.c", "int o;\r\n");
    TesselRun tessel(copy, L"\"" + name + L"\"");
    ASSERT_TRUE(tessel.hasTitle(name + L" - Tessel"));
    std::vector<std::wstring> names;
    const LinkRemoval removal{copy.folder / L"link.c"};
    if (makeSymbolicLink(copy.folder / L"link.c", copy.folder / name))
        names.push_back(L"link.c");
    if (makeHardLink(copy.folder / L"second.c", copy.folder / name))
        names.push_back(L"second.c");
    wchar_t shortName[MAX_PATH] = {};
    if (::GetShortPathNameW((copy.folder / name).c_str(), shortName, MAX_PATH) && std::wstring(shortName) != copy.folder / name)
        names.push_back(shortName);
    names.push_back(L"THE OPEN TAB.C");
    ASSERT_LE(2u, names.size()) << "no other name of the file could be made";
    for (const std::wstring& other : names) {
        SCOPED_TRACE(TesselRun::narrow(other));
        ASSERT_TRUE(handOverBrings(tessel, copy, L"other.c", L"other.c - Tessel"));
        ASSERT_TRUE(handOverBrings(tessel, copy, other, name + L" - Tessel")) << "another tab opened for the file";
    }
    EXPECT_TRUE(endsQuietly(tessel, "names-close"));
}

// Opened through a link in another folder than its file: another program's write of the file is
// asked about at once, with no save and no visit to another window.
TEST_F(FileIdentityEndToEnd, AChangeOfTheFileALinkLeadsToIsToldAtOnce) {
    const LinkRemoval removal{copy.folder / L"link.c"};
    if (!linkToAnotherFolder(copy))
        GTEST_SKIP() << "no symbolic link can be made here";
    TesselRun tessel(copy, L"link.c");
    ASSERT_TRUE(tessel.hasTitle(L"link.c - Tessel"));
    copy.folder.writeOutside(L"sub\\target.c", "int changed;\r\n");
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "the change of the link's file was never told";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "Reload";
    ASSERT_TRUE(tessel.hasTitle(L"link.c - Tessel"));
    EXPECT_TRUE(endsQuietly(tessel, "followed-close"));
}

// The file a link leads to is deleted, and told; Ctrl+S makes the file the link names again with
// the tab's text, and the link is still a link.
TEST_F(FileIdentityEndToEnd, ASaveThroughALinkWhoseFileIsGoneMakesThatFileAndKeepsTheLink) {
    const LinkRemoval removal{copy.folder / L"link.c"};
    if (!linkToAnotherFolder(copy))
        GTEST_SKIP() << "no symbolic link can be made here";
    TesselRun tessel(copy, L"link.c");
    ASSERT_TRUE(typedInto(tessel, L"link.c"));
    ASSERT_TRUE(::DeleteFileW((copy.folder / L"sub\\target.c").c_str()));
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the deletion was not told";
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    ASSERT_TRUE(tessel.hasTitle(L"link.c - Tessel")) << shownQuestion(tessel, "dangling-save");
    std::string saved;
    EXPECT_TRUE(pollFor([&] { return copy.folder.tryRead(L"sub\\target.c", &saved); }, WAIT_MS));
    EXPECT_EQ("qint t;\r\n", saved);
    EXPECT_TRUE(leadsTo(copy.folder / L"link.c", copy.folder / L"sub\\target.c")) << "the link was replaced";
    EXPECT_TRUE(endsQuietly(tessel, "dangling-close"));
}

// A file with two names, saved under one: the other shows the tab's text, and they are still one
// file.
TEST_F(FileIdentityEndToEnd, ASaveOfAFileWithTwoNamesShowsUnderBoth) {
    copy.folder.write(L"a.c", "int a;\r\n");
    if (!makeHardLink(copy.folder / L"b.c", copy.folder / L"a.c"))
        GTEST_SKIP() << "no hard link can be made here";
    TesselRun tessel(copy, L"a.c");
    ASSERT_TRUE(typedInto(tessel, L"a.c"));
    EXPECT_EQ("qint a;\r\n", savedText(tessel, L"a.c", "int a;\r\n"));
    EXPECT_EQ("qint a;\r\n", copy.folder.read(L"b.c")) << "the file's other name kept the old text";
    EXPECT_TRUE(leadsTo(copy.folder / L"a.c", copy.folder / L"b.c")) << "the names were split";
    EXPECT_TRUE(endsQuietly(tessel, "two-names-close"));
}

// The file is deleted and a folder made under its name: the deletion is told, and Ctrl+S says
// that a folder is there, in those words.
TEST_F(FileIdentityEndToEnd, AFolderInAFilesPlaceIsToldAsOneAtTheSave) {
    copy.folder.write(L"f.c", "int f;\r\n");
    TesselRun tessel(copy, L"f.c");
    ASSERT_TRUE(tessel.hasTitle(L"f.c - Tessel"));
    ASSERT_TRUE(::DeleteFileW((copy.folder / L"f.c").c_str()));
    ASSERT_TRUE(::CreateDirectoryW((copy.folder / L"f.c").c_str(), nullptr));
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the deletion was not told";
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the save said nothing";
    const std::wstring said = L"Cannot save `" + copy.folder / L"f.c" + L"`: it is a folder, not a file.";
    EXPECT_TRUE(pollFor([&] { return userLog(copy, user).find(said) != std::wstring::npos; }, WAIT_MS))
        << "the save did not say that a folder is there";
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.questionOffering(L"&Save"));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
    EXPECT_TRUE(::RemoveDirectoryW((copy.folder / L"f.c").c_str()));
}

// A file of another user of the host, which this one may write: saved, it is still that user's.
TEST_F(FileIdentityEndToEnd, AFileOfAnotherUserStaysTheirsAfterASave) {
    copy.folder.write(L"o.c", "int o;\r\n");
    if (!giveToAnotherUser(copy.folder / L"o.c"))
        GTEST_SKIP() << "no file can be given to another user here";
    const std::wstring owner = ownerOf(copy.folder / L"o.c");
    TesselRun tessel(copy, L"o.c");
    ASSERT_TRUE(typedInto(tessel, L"o.c"));
    EXPECT_EQ("qint o;\r\n", savedText(tessel, L"o.c", "int o;\r\n"));
    EXPECT_EQ(owner, ownerOf(copy.folder / L"o.c")) << "the file changed hands";
    EXPECT_TRUE(endsQuietly(tessel, "owner-close"));
}

} // namespace
} // namespace tessel_test
