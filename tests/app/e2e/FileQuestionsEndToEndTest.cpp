// What another program does to the files open in Tessel.exe, driven from outside: a middle click
// on a background tab whose file was rewritten asks about the change before "Save changes", the
// file untouched until the answers; and a file deleted, saved and deleted again is told both
// times, its tab then asking before it closes.

#include "app/e2e/TabStrip.h"
#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessel_test {
namespace {

using FileQuestionsEndToEnd = TesselCopyTest;

TEST_F(FileQuestionsEndToEnd, AMiddleClickOnABackgroundTabChangedOutsideAsksAboutTheChangeFirst) {
    copy.folder.write(L"bg.c", "int b;\r\n");
    copy.folder.write(L"marker.c", "int m;\r\n");
    TesselRun tessel(copy, L"bg.c");
    ASSERT_TRUE(typeText(tessel.editor(), L"q"));
    ASSERT_TRUE(tessel.hasTitle(L"bg.c * - Tessel"));
    // A second start hands marker.c over: its tab goes in front of bg.c's.
    ASSERT_TRUE(tessel.handOver(copy, L"marker.c"));
    // Another program rewrites bg.c, then marker.c: the records of one folder come in order, so
    // once marker.c's change is asked about, Tessel has heard of bg.c's.
    copy.folder.writeOutside(L"bg.c", "int outside;\r\n");
    copy.folder.writeOutside(L"marker.c", "int m2;\r\n");
    ASSERT_TRUE(tessel.questionOffering(L"&Reload")) << "marker.c's change was never asked about";
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Reload, the default";

    const HWND strip = stripOf(tessel.window());
    ASSERT_NE(nullptr, strip) << "no tab strip";
    int y = 0;
    std::vector<int> tabs;
    ASSERT_TRUE(pollFor([&] { return (tabs = labelMiddles(strip, tessel.editor(), &y)).size() >= 2; }, WAIT_MS))
        << tabs.size() << " labels in the strip; the capture is in " << keepCapture(Capture::of(strip), "bg-strip");
    ASSERT_TRUE(sendMouse(strip, WM_MBUTTONDOWN, tabs[0], y, MK_MBUTTON));
    // The release closes the tab, whose questions run their loops inside it: posted, not sent.
    ASSERT_TRUE(::PostMessageW(strip, WM_MBUTTONUP, 0, MAKELPARAM(tabs[0], y)));
    const HWND reload = tessel.questionOffering(L"&Reload");
    ASSERT_TRUE(reload) << "bg.c's change was not asked about first: " << shownQuestion(tessel, "bg-first");
    EXPECT_EQ("int outside;\r\n", copy.folder.read(L"bg.c")) << "written over before the answer";
    EXPECT_TRUE(tessel.hasTitle(L"bg.c * - Tessel")) << "its tab in front for the question";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << "Keep";
    ASSERT_TRUE(tessel.questionOffering(L"&Save"))
        << "Save changes was not asked: " << shownQuestion(tessel, "bg-save");
    EXPECT_EQ("int outside;\r\n", copy.folder.read(L"bg.c"));
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Save, the default";
    ASSERT_TRUE(tessel.hasTitle(L"marker.c - Tessel")) << "bg.c's tab stayed";
    EXPECT_EQ("qint b;\r\n", copy.folder.read(L"bg.c"));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "bg-close");
}

TEST_F(FileQuestionsEndToEnd, AFileDeletedASecondTimeIsToldAgainAndItsTabAsksBeforeClosing) {
    copy.folder.write(L"notes.c", "int n;\r\n");
    TesselRun tessel(copy, L"notes.c");
    ASSERT_TRUE(tessel.hasTitle(L"notes.c - Tessel"));
    for (const char* after : {"opening it", "a save that wrote it again"}) {
        SCOPED_TRACE(std::string("deleted after ") + after);
        ASSERT_TRUE(::DeleteFileW((copy.folder / L"notes.c").c_str()));
        ASSERT_TRUE(tessel.questionOffering(L"OK")) << "the deletion was not told";
        ASSERT_TRUE(tessel.answer({VK_RETURN}));
        ASSERT_TRUE(tessel.hasTitle(L"notes.c * - Tessel")) << "not marked modified";
        if (after == std::string("opening it")) {
            ASSERT_EQ("int n;\r\n", savedText(tessel, L"notes.c", ""));
        }
    }
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'W'}));
    ASSERT_TRUE(tessel.questionOffering(L"&Save")) << "closed without a question";
    ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "notes-close");
}

} // namespace
} // namespace tessel_test
