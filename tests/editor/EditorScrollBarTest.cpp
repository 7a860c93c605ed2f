// Scrolling the editor: the bars follow every change of the view even when a bar is not drawn
// again, and a sideways scroll repaints the text area alone, once, to a full paint's pixels.
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

using EditorScrollBarTest = tessel_test::EditorKeyTest;

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
