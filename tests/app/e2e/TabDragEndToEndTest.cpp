// Moving a tab of Tessel.exe with the mouse, driven from outside: the tabs are found on the
// screen by their labels' ink, the mouse messages go to the tab strip's window as the system
// sends them, and the order is read back through Ctrl+Tab, which walks the tabs in their order.

#include "app/e2e/TabStrip.h"
#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessel_test {
namespace {

class TabDragEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (!copy.complete)
            GTEST_SKIP() << "Tessel.exe, its DLLs or its bundles are not built in the build's app folder";
        copy.freshUserFolder();
        for (const wchar_t* name : {L"a.c", L"b.c", L"c.c"})
            copy.folder.write(name, "int x;\r\n");
    }

    // The visible layered top-level windows of the process: the drop marker while a drag runs.
    struct Layered {
        DWORD processId;
        std::vector<RECT> found;
    };
    static BOOL CALLBACK considerLayered(HWND window, LPARAM context) {
        auto& search = *reinterpret_cast<Layered*>(context);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        RECT rect;
        if (owner == search.processId && ::IsWindowVisible(window) &&
            (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) && ::GetWindowRect(window, &rect))
            search.found.push_back(rect);
        return TRUE;
    }
    static std::vector<RECT> markers(DWORD processId) {
        Layered search{processId, {}};
        ::EnumWindows(&considerLayered, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // b.c and c.c handed to the running window, which shows a.c, by starts of their own.
    void openTheOtherTwo(TesselRun& tessel) {
        ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
        for (const wchar_t* name : {L"b.c", L"c.c"}) {
            OtherProcess other(copy.program(), name, copy.folder.path);
            ASSERT_EQ(0, other.exitCode(WAIT_MS));
            ASSERT_TRUE(tessel.hasTitle(std::wstring(name) + L" - Tessel"));
        }
    }

    TesselCopy copy;
};

TEST_F(TabDragEndToEnd, ATabDraggedBetweenTwoOthersLandsThereAndEscapeKeepsTheOrder) {
    TesselRun tessel(copy, L"a.c");
    ASSERT_NO_FATAL_FAILURE(openTheOtherTwo(tessel));
    const HWND strip = stripOf(tessel.window());
    ASSERT_NE(nullptr, strip) << "no tab strip";
    ASSERT_TRUE(activate(tessel.window()));
    int y = 0;
    std::vector<int> tabs;
    ASSERT_TRUE(pollFor([&] { return (tabs = labelMiddles(strip, tessel.editor(), &y)).size() == 3; }, WAIT_MS))
        << tabs.size() << " labels in the strip; the capture is in "
        << keepCapture(Capture::of(strip), "tab-strip");
    const int betweenBAndC = (tabs[1] + tabs[2]) / 2;

    // Escape in the middle of a drag: nothing moves, the marker goes.
    ASSERT_TRUE(sendMouse(strip, WM_LBUTTONDOWN, tabs[0], y, MK_LBUTTON));
    ASSERT_TRUE(sendMouse(strip, WM_MOUSEMOVE, betweenBAndC, y, MK_LBUTTON));
    ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel")) << "the pressed tab is active";
    const std::vector<RECT> shown = markers(tessel.process.processId());
    ASSERT_EQ(1u, shown.size()) << "one drop marker while the tab is dragged";
    RECT stripRect;
    ::GetWindowRect(strip, &stripRect);
    const int markerMiddle = (shown[0].left + shown[0].right) / 2 - stripRect.left;
    EXPECT_GT(markerMiddle, tabs[1]) << "the marker stands between b.c and c.c";
    EXPECT_LT(markerMiddle, tabs[2]);
    ::PostMessageW(strip, WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(pollFor([&] { return markers(tessel.process.processId()).empty(); }, WAIT_MS)) << "the marker stayed";
    ASSERT_TRUE(sendMouse(strip, WM_LBUTTONUP, betweenBAndC, y, 0));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, VK_TAB}));
    EXPECT_TRUE(tessel.hasTitle(L"b.c - Tessel")) << "a.c b.c c.c, as before";

    // The same drag released: a.c lands between b.c and c.c.
    ASSERT_TRUE(sendMouse(strip, WM_LBUTTONDOWN, tabs[0], y, MK_LBUTTON));
    ASSERT_TRUE(sendMouse(strip, WM_MOUSEMOVE, betweenBAndC, y, MK_LBUTTON));
    ASSERT_TRUE(sendMouse(strip, WM_LBUTTONUP, betweenBAndC, y, 0));
    ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
    EXPECT_TRUE(markers(tessel.process.processId()).empty());
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, VK_TAB}));
    EXPECT_TRUE(tessel.hasTitle(L"c.c - Tessel")) << "b.c a.c c.c: after a.c comes c.c";
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, VK_TAB}));
    EXPECT_TRUE(tessel.hasTitle(L"b.c - Tessel"));
}

// With the tabs' list, at the strip's right end: a tab is chosen from it by the keys of a menu.
TEST_F(TabDragEndToEnd, TheListAtTheStripsEndChoosesATab) {
    TesselRun tessel(copy, L"a.c");
    ASSERT_NO_FATAL_FAILURE(openTheOtherTwo(tessel));
    const HWND strip = stripOf(tessel.window());
    ASSERT_NE(nullptr, strip) << "no tab strip";
    ASSERT_TRUE(activate(tessel.window()));
    int y = 0, list = -1;
    std::vector<int> tabs;
    ASSERT_TRUE(pollFor([&] { return (tabs = labelMiddles(strip, tessel.editor(), &y, &list)).size() == 3 && list >= 0; },
                        WAIT_MS))
        << tabs.size() << " labels and " << (list >= 0 ? "a" : "no") << " list button in the strip; the capture is in "
        << keepCapture(Capture::of(strip), "tab-list");
    // The release opens the menu, whose loop runs inside it: posted, not sent.
    ASSERT_TRUE(sendMouse(strip, WM_LBUTTONDOWN, list, y, MK_LBUTTON));
    ASSERT_TRUE(::PostMessageW(strip, WM_LBUTTONUP, 0, MAKELPARAM(list, y)));
    ASSERT_TRUE(tessel.hasOpenMenus(1)) << "the list did not open";
    ASSERT_TRUE(pressChord({VK_DOWN}));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    EXPECT_TRUE(tessel.hasTitle(L"a.c - Tessel")) << "the list's first line is the first tab";
    EXPECT_TRUE(tessel.hasOpenMenus(0));
}

} // namespace
} // namespace tessel_test
