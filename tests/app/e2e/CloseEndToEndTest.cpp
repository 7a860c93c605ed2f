// Closing the window over a modified tab in the background, answered either way: the program
// ends with 0 and writes its settings.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

namespace tessel_test {
namespace {

using CloseEndToEnd = TesselCopyTest;

// The size of the file, 0 when it is missing.
uint64_t sizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST_F(CloseEndToEnd, AModifiedBackgroundTabAnsweredEitherWayEndsWithZeroAndWhatChangedOfTheSettingsWritten) {
    const std::string old = "int a;\r\n";
    copy.folder.write(L"b.c", "int b;\r\n");
    const struct {
        const char* name;
        std::initializer_list<WORD> keys;
        std::string saved;
    } answers[] = {{"Don't Save", {VK_MENU, 'N'}, old}, {"Save, the default", {VK_RETURN}, "q" + old}};
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.name);
        user = copy.freshUserFolder(false); // empty: every settings file is the exit's own
        copy.folder.write(L"a.c", old);
        TesselRun tessel(copy, L"a.c");
        ASSERT_TRUE(typeText(tessel.editor(), L"q"));
        ASSERT_TRUE(tessel.hasTitle(L"a.c * - Tessel"));
        // A second start hands b.c over: its tab opens in front of the edited one.
        ASSERT_TRUE(tessel.handOver(copy, L"b.c"));
        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(tessel.answer(answer.keys));
        EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
        EXPECT_EQ(answer.saved, copy.folder.read(L"a.c"));
        // What the run changed is written, the window's placement; the files it changed nothing
        // of are not.
        EXPECT_LT(0u, sizeOf(user + L"\\config\\session.tsConfig"));
        for (const wchar_t* name : {L"preferences", L"languages"})
            EXPECT_EQ(0u, sizeOf(user + L"\\config\\" + name + L".tsConfig")) << TesselRun::narrow(name);
    }
}

// Closing over an edited "Untitled" in front of a file's tab: Save, Save As onto that file, and
// Replace close the file's tab on the way; the close then asks about each edited tab left, and
// Tessel ends, the file holding the text.
TEST_F(CloseEndToEnd, SavingAsTheFileOfALaterTabOnTheWayStillAsksAboutTheRestAndEnds) {
    for (const wchar_t* name : {L"x.c", L"y.c", L"z.c"})
        copy.folder.write(name, "int a;\r\n");
    TesselRun tessel(copy, L"");
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    ASSERT_TRUE(typeText(tessel.editor(), L"mine"));
    ASSERT_TRUE(tessel.hasTitle(L"Untitled * - Tessel"));
    // Second starts hand the files over: each opens in a tab behind the edited one.
    for (const wchar_t* name : {L"x.c", L"y.c", L"z.c"}) {
        OtherProcess second(copy.program(), name, copy.folder.path);
        EXPECT_EQ(0, second.exitCode(WAIT_MS));
        ASSERT_TRUE(tessel.hasTitle(std::wstring(name) + L" - Tessel"));
        if (name != std::wstring(L"x.c")) {
            ASSERT_TRUE(typeText(tessel.editor(), L"q"));
        }
    }
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Save changes to Untitled: Save";
    ASSERT_TRUE(confirmFileDialog(tessel, L"Save As", copy.folder / L"x.c", false));
    ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "x.c is open in another tab: Replace";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "y.c is asked about next: Don't Save";
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "then z.c: Save";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "close-after-replace");
    EXPECT_EQ("mine", copy.folder.read(L"x.c"));
    EXPECT_EQ("int a;\r\n", copy.folder.read(L"y.c"));
    EXPECT_EQ("qint a;\r\n", copy.folder.read(L"z.c"));
}

} // namespace
} // namespace tessel_test
