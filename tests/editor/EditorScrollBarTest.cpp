// Scrolling the editor: the bars follow every change of the view even when a bar is not drawn
// again, a bar is drawn after the text's paint, and a sideways scroll repaints the text area
// alone, once, to a full paint's pixels.
#include "EditorKeyTestSupport.h"

namespace {

// The client's pixels, copied out of the window.
std::vector<uint32_t> capture(HWND window) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 600, -300, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = ::GetDC(window), memory = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, 600, 300, dc, 0, 0, SRCCOPY);
    ::GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + 600 * 300);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(window, dc);
    return pixels;
}

// The pixels of a scroll bar (OBJID_VSCROLL or OBJID_HSCROLL), copied out of the window's frame.
std::vector<uint32_t> barPixels(HWND window, LONG object) {
    SCROLLBARINFO bar = {};
    bar.cbSize = sizeof bar;
    RECT frame = {};
    if (!::GetScrollBarInfo(window, object, &bar) || !::GetWindowRect(window, &frame))
        return {};
    const int width = bar.rcScrollBar.right - bar.rcScrollBar.left;
    const int height = bar.rcScrollBar.bottom - bar.rcScrollBar.top;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = ::GetWindowDC(window), memory = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, dc, bar.rcScrollBar.left - frame.left, bar.rcScrollBar.top - frame.top,
             SRCCOPY);
    ::GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + width * height);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(window, dc);
    return pixels;
}

using EditorScrollBarTest = tessel_test::EditorKeyTest;

// A bar whose look an edit changed is drawn once the text the edit changed is painted, and then
// as a redraw of the whole frame draws it; with nothing to paint it is drawn at once.
TEST_F(EditorScrollBarTest, ABarIsDrawnAfterTheTextsPaint) {
    attach(numberedLines(30));
    place(5, 0);
    ::SetFocus(nullptr); // no blinking caret in the pixels
    const HWND window = editor->getHandle();
    const auto drawn = [&] {
        ::RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        return barPixels(window, OBJID_VSCROLL);
    };
    // Lines added before a line, the caret staying where it is.
    const auto insert = [&](int32_t line) {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
        document->insert(document->getLineStart(line), 3, L"\n\n\n", false);
    };
    // Lines added on screen: the thumb shrinks, and the rows below the edit move.
    std::vector<uint32_t> before = drawn();
    insert(1);
    ASSERT_NE(FALSE, ::GetUpdateRect(window, nullptr, FALSE));
    EXPECT_TRUE(before == barPixels(window, OBJID_VSCROLL)) << "the bar waits for the text";
    ::UpdateWindow(window);
    std::vector<uint32_t> after = barPixels(window, OBJID_VSCROLL);
    EXPECT_FALSE(before == after);
    EXPECT_TRUE(drawn() == after);
    // Lines added below the view: the thumb shrinks, and nothing shown changes.
    before = after;
    insert(controller->getLineCount() - 1);
    ASSERT_EQ(FALSE, ::GetUpdateRect(window, nullptr, FALSE));
    after = barPixels(window, OBJID_VSCROLL);
    EXPECT_FALSE(before == after);
    EXPECT_TRUE(drawn() == after);
}

TEST_F(EditorScrollBarTest, BarsAndPixelsFollowTypingAndScrolling) {
    attach(numberedLines(100));
    place(50, 0);
    ::SetFocus(nullptr); // no blinking caret in the pixels
    const HWND window = editor->getHandle();
    // Typing past the right edge grows the range a column a key and scrolls sideways; a new
    // line shows the horizontal bar first, which shrinks the vertical page.
    struct Step {
        UINT message;
        WPARAM code;
        int times;
    } steps[] = {{WM_CHAR, L'x', 2 * editor->getVisibleColumns()}, {WM_HSCROLL, SB_LINEUP, 2},
                 {WM_HSCROLL, SB_PAGEUP, 1}, {WM_CHAR, L'\n', 3}, {WM_VSCROLL, SB_LINEDOWN, 1}};
    for (const Step& step : steps)
        for (int i = 0; i < step.times; ++i) {
            editor->invalidated.clear();
            const int32_t column = editor->getScrollColumn(), top = editor->getTop().line;
            const uint64_t rows = editor->getRowsCopied();
            if (step.code == L'\n') {
                tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
                controller->typeText(L"\n", 1);
            } else {
                ::SendMessageW(window, step.message, step.code, step.message == WM_CHAR);
            }
            EXPECT_EQ(rows, editor->getRowsCopied()) << "the loop paints scroll and edit together";
            if (step.message == WM_HSCROLL && top == editor->getTop().line) {
                EXPECT_NE(column, editor->getScrollColumn());
                for (const RECT& rect : editor->invalidated)
                    EXPECT_GE(rect.left, editor->getGutterWidth()) << "the gutter stays";
            }
            ::UpdateWindow(window);
            const std::vector<uint32_t> painted = capture(window);
            SCROLLINFO bars[2] = {};
            for (int bar = 0; bar < 2; ++bar) {
                bars[bar].cbSize = sizeof(SCROLLINFO);
                bars[bar].fMask = SIF_ALL;
                ::GetScrollInfo(window, bar == 0 ? SB_HORZ : SB_VERT, &bars[bar]);
            }
            ASSERT_EQ((std::vector<int>{editor->getWidestColumns() - 1, editor->getScrollColumn(),
                                        controller->getLineCount() + editor->getVisibleLines() - 1,
                                        editor->getVisibleLines(), editor->getTop().line}),
                      (std::vector<int>{bars[0].nMax, bars[0].nPos, bars[1].nMax, static_cast<int>(bars[1].nPage),
                                        bars[1].nPos}))
                << "step " << step.code << " key " << i;
            paint();
            ASSERT_TRUE(painted == capture(window)) << "step " << step.code << " key " << i;
        }
}

} // namespace
