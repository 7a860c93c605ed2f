// Where typing goes in Tessel.exe once a window hides, closes or comes back, with the keyboard
// alone: F4 twice and Alt+F4 in the bundle editor, a minimise and a restore, Cancel on Reload
// Bundles' question about an entry: each time the keys reach the main window's text. And a drag
// past the right edge of a wrapped view leaves the text in view.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>

#include <string>

namespace tessel_test {
namespace {

using KeyboardEndToEnd = TesselCopyTest;

// Waits until the window is in front with the keyboard in `focus`: keys typed now go there.
testing::AssertionResult typingReaches(HWND window, HWND focus) {
    if (pollFor([&] { return ::GetForegroundWindow() == window && threadInputOf(window).hwndFocus == focus; }, WAIT_MS))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the foreground is " << ::GetForegroundWindow() << " (the window " << window
                                       << "), the keyboard on " << threadInputOf(window).hwndFocus << " (the text "
                                       << focus << ")";
}

// The bundle editor hidden by F4, and by Alt+F4, each time with its tree holding the keys: the
// letters typed next, without a click, go into the main window's text.
TEST_F(KeyboardEndToEnd, F4TwiceAndAltF4InTheBundleEditorGiveTypingBackToTheMainWindowsText) {
    copy.folder.write(L"m.txt", "m\r\n");
    TesselRun tessel(copy, L"m.txt");
    ASSERT_TRUE(tessel.hasTitle(L"m.txt - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());
    const HWND main = tessel.window(), text = tessel.editor();
    // The bundle editor shown with its tree holding the keys, then hidden by the chord; the
    // letter typed then.
    const auto hideAndType = [&](std::initializer_list<WORD> chord, const wchar_t* letter) {
        const HWND bundleEditor = tessel.showBundleEditor();
        ASSERT_TRUE(bundleEditor) << "F4 showed no bundle editor";
        ASSERT_TRUE(typingReaches(bundleEditor, OtherProcess::findChild(bundleEditor, L"SysTreeView32")));
        ASSERT_TRUE(pressChordIn(bundleEditor, chord));
        ASSERT_TRUE(pollFor([&] { return !::IsWindowVisible(bundleEditor); }, WAIT_MS)) << "the bundle editor stayed";
        ASSERT_TRUE(tessel.process.running());
        ASSERT_TRUE(typingReaches(main, text));
        ASSERT_TRUE(typeKeys(letter));
    };
    ASSERT_NO_FATAL_FAILURE(hideAndType({VK_F4}, L"q")) << "F4";
    ASSERT_NO_FATAL_FAILURE(hideAndType({VK_MENU, VK_F4}, L"r")) << "Alt+F4";
    EXPECT_EQ("qrm\r\n", savedText(tessel, L"m.txt", "m\r\n"));
}

// Typed, minimised and restored as the taskbar does it, and by ShowWindow: the next letter goes
// on in the text.
TEST_F(KeyboardEndToEnd, TypingAfterAMinimiseAndARestoreReachesTheText) {
    copy.folder.write(L"a.txt", "\r\n");
    TesselRun tessel(copy, L"a.txt");
    ASSERT_TRUE(tessel.hasTitle(L"a.txt - Tessel"));
    ASSERT_TRUE(tessel.focusEditor());
    const HWND main = tessel.window(), text = tessel.editor();
    ASSERT_TRUE(typeKeys(L"a"));
    ASSERT_TRUE(tessel.hasTitle(L"a.txt * - Tessel"));

    ::SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(pollFor([&] { return ::IsIconic(main) != FALSE; }, WAIT_MS));
    ::SendMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(typingReaches(main, text)) << "restored as the taskbar does";
    ASSERT_TRUE(typeKeys(L"b"));

    ::ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(pollFor([&] { return ::IsIconic(main) != FALSE; }, WAIT_MS));
    ::ShowWindow(main, SW_RESTORE);
    ASSERT_TRUE(typingReaches(main, text)) << "restored by ShowWindow";
    ASSERT_TRUE(typeKeys(L"c"));
    EXPECT_EQ("abc\r\n", savedText(tessel, L"a.txt", "\r\n"));
}

// Reload Bundles chosen in the main window asks, in the bundle editor's question, about its
// modified entry: Escape cancels, and the letters typed next go into the main window's text.
TEST_F(KeyboardEndToEnd, AfterCancelOnReloadBundlesQuestionTypingReachesTheMainWindowsText) {
    copy.folder.write(L"r.c", "int r;\r\n");
    TesselRun tessel(copy, L"r.c");
    ASSERT_TRUE(tessel.showsKeywords()) << "the bundles never coloured the text";
    const HWND main = tessel.window(), text = tessel.editor();
    const HWND bundleEditor = tessel.showBundleEditor();
    ASSERT_TRUE(bundleEditor) << "F4 showed no bundle editor";
    const HWND entry = tessel.openFirstGrammar(bundleEditor);
    ASSERT_TRUE(entry) << "Enter opened no editor";
    ASSERT_TRUE(typeText(entry, L" "));
    HWND question = nullptr;
    for (int attempt = 0; attempt < 5 && !question; ++attempt) {
        ASSERT_TRUE(tessel.focusEditor());
        // The activation may come late under Xvfb and close the menu again: then once more.
        if (pressChord({VK_MENU, 'B'}) && tessel.hasOpenMenus(1) && pressChord({'R'}))
            question = tessel.questionOffering(L"&Save");
        else
            pressChord({VK_ESCAPE});
    }
    ASSERT_TRUE(question) << "Reload Bundles asked nothing";
    ASSERT_TRUE(pressChordIn(question, {VK_ESCAPE}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindow(question) || !::IsWindowVisible(question); }, WAIT_MS));
    ASSERT_TRUE(typingReaches(main, text));
    ASSERT_TRUE(typeKeys(L"x"));
    EXPECT_TRUE(tessel.hasTitle(L"r.c * - Tessel")) << "the key went elsewhere";
}

// Word wrap on, a 3,000-character line (and many more after it): pressed at its start and dragged
// past the right edge of the text, below it, the drag scrolls the rows up; released, every row
// still ends at the right edge of the text, nothing slid out to the left.
TEST_F(KeyboardEndToEnd, ADragPastTheRightEdgeOfAWrappedViewLeavesTheTextInView) {
    writeFace(copy, "word_wrap : true");
    // Lines enough that however fast the drag scrolls, its end is far.
    std::string lines;
    for (int i = 0; i < 40; ++i)
        lines += std::string(3000, 'w') + "\r\n";
    copy.folder.write(L"w.txt", lines);
    TesselRun tessel(copy, L"w.txt");
    ASSERT_TRUE(tessel.hasTitle(L"w.txt - Tessel"));
    TextGrid grid;
    ASSERT_TRUE(readTextGrid(tessel, &grid));
    RECT client = {};
    ASSERT_TRUE(::GetClientRect(grid.editor, &client));
    const int columns = static_cast<int>((client.right - grid.start.left) / grid.width);
    ASSERT_GT(columns, 20);
    RECT frame = {};
    ::GetWindowRect(grid.editor, &frame);
    // The line numbers as they stand before the drag: the drag has scrolled once they change.
    const RECT gutter = {0, 0, grid.start.left, client.bottom};
    const Capture before = Capture::of(grid.editor).part(gutter);
    // In the first character, clear of the gutter's edge (a press there selects whole lines).
    INPUT press[] = {mouseInput(grid.at(0.5, 0), 0), mouseInput(grid.at(0.5, 0), MOUSEEVENTF_LEFTDOWN)};
    ASSERT_EQ(2u, ::SendInput(2, press, sizeof(INPUT)));
    ASSERT_TRUE(pollFor([&] { return holdsCapture(grid.editor); }, WAIT_MS));
    // Past the right edge of the text, on the view's scroll bar, and below it, on the status bar:
    // inside the main window, whose moves the view is sure to hear while it holds the mouse. The
    // hand holding the button there trembles by a pixel, so that the view hears a move after its
    // press.
    const POINT outside = {frame.right - 3, frame.bottom + 8};
    int trembles = 0;
    const bool scrolled = pollFor(
        [&] {
            movePointer({outside.x - (++trembles % 2), outside.y});
            return Capture::of(grid.editor).part(gutter).pixels != before.pixels;
        },
        WAIT_MS);
    INPUT release = mouseInput(outside, MOUSEEVENTF_LEFTUP);
    ASSERT_EQ(1u, ::SendInput(1, &release, sizeof(INPUT)));
    ASSERT_TRUE(scrolled) << "the drag never scrolled; " << keepCapture(Capture::of(grid.editor), "wrapped-drag-held");
    ASSERT_TRUE(pollFor([&] { return !holdsCapture(grid.editor); }, WAIT_MS));

    // The last character cell of each row shown in full: the rows but the last of a line end
    // there, unless the text slid sideways. However far the drag ran (a busy machine may let it
    // reach the end before the release), the wheel, which only scrolls up and down, brings rows of
    // text back.
    const LONG right = grid.start.left + static_cast<LONG>(columns * grid.width);
    int rows = 0, reaching = 0, withText = 0;
    Capture view = Capture::of(grid.editor);
    const auto look = [&] {
        view = Capture::of(grid.editor);
        rows = reaching = withText = 0;
        for (LONG top = grid.start.top; top + grid.rowHeight <= client.bottom; top += grid.rowHeight, ++rows) {
            const RECT last = {right - static_cast<LONG>(grid.width), top, right, top + grid.rowHeight};
            const RECT row = {grid.start.left, top, client.right, top + grid.rowHeight};
            reaching += inkOf(view.part(last)) > 0;
            withText += inkOf(view.part(row)) > 0;
        }
        return withText == rows;
    };
    const bool textShown = pollFor(
        [&] {
            if (look())
                return true;
            INPUT wheel = mouseInput(grid.at(columns / 2.0, 1), MOUSEEVENTF_WHEEL);
            wheel.mi.mouseData = WHEEL_DELTA;
            ::SendInput(1, &wheel, sizeof(INPUT));
            return false;
        },
        WAIT_MS);
    ASSERT_TRUE(textShown) << withText << " of " << rows << " rows show text; " << keepCapture(view, "wrapped-drag");
    EXPECT_GT(reaching, rows / 2) << "only " << reaching << " of " << rows << " rows reach the right edge: the text slid "
                                  << "sideways; " << keepCapture(view, "wrapped-drag");
}

} // namespace
} // namespace tessel_test
