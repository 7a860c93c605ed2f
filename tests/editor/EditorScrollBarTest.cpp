// Scrolling the editor: the scroll bars follow every change of the view (range, page and
// position are set even when a bar looks the same and is not drawn again), and a sideways
// scroll repaints the text area alone, to the same pixels as a full paint.
#include "EditorKeyTestSupport.h"

#include <vector>

namespace {

using tessel_test::EditorKeyTest;

SCROLLINFO scrollInfo(HWND window, int bar) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(window, bar, &info);
    return info;
}

// The client's pixels as the window shows them.
std::vector<COLORREF> capture(HWND window) {
    RECT client;
    ::GetClientRect(window, &client);
    HDC dc = ::GetDC(window);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            pixels.push_back(::GetPixel(dc, x, y));
    ::ReleaseDC(window, dc);
    return pixels;
}

using EditorScrollBarTest = EditorKeyTest;

TEST_F(EditorScrollBarTest, TypingAndNewLinesKeepBothBarsInStep) {
    attach(numberedLines(100));
    place(50, 0);
    const HWND window = editor->getHandle();
    // Past the right edge the range grows a column a key while the thumb mostly stays; Enter
    // adds lines to the vertical range.
    struct Step {
        wchar_t character;
        int times;
    } steps[] = {{L'x', 3 * editor->getVisibleColumns()}, {L'\n', 25}, {L'y', 5}};
    int32_t furthest = 0;
    for (const Step& step : steps)
        for (int i = 0; i < step.times; ++i) {
            if (step.character == L'\n') {
                // Enter belongs to the actions: the line break goes through the controller.
                tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_EDIT);
                controller->typeText(L"\n", 1);
            } else {
                ::SendMessageW(window, WM_CHAR, step.character, 1);
            }
            ::UpdateWindow(window);
            furthest = std::max(furthest, editor->getScrollColumn());
            const SCROLLINFO horizontal = scrollInfo(window, SB_HORZ);
            ASSERT_EQ(editor->getWidestColumns() - 1, horizontal.nMax) << "key " << i;
            ASSERT_EQ(static_cast<UINT>(std::min(editor->getVisibleColumns(), editor->getWidestColumns())),
                      horizontal.nPage)
                << "key " << i;
            ASSERT_EQ(editor->getScrollColumn(), horizontal.nPos) << "key " << i;
            const SCROLLINFO vertical = scrollInfo(window, SB_VERT);
            ASSERT_EQ(controller->getLineCount() + editor->getVisibleLines() - 1, vertical.nMax) << "key " << i;
            ASSERT_EQ(editor->getTop().line, vertical.nPos) << "key " << i;
        }
    EXPECT_EQ(125, controller->getLineCount());
    EXPECT_GT(furthest, editor->getVisibleColumns()) << "the view followed the caret to the right";
}

TEST_F(EditorScrollBarTest, ASidewaysScrollPaintsTheTextAreaAsAFullPaintWould) {
    std::wstring text = numberedLines(60);
    text.insert(text.find(L'\n', 0), 300, L'w'); // line 0 is wide
    attach(text);
    ::SetFocus(nullptr); // no blinking caret in the pixels
    const HWND window = editor->getHandle();
    struct Step {
        UINT message;
        WPARAM code;
        bool textOnly; // the gutter stays out of the invalidation
    } steps[] = {{WM_HSCROLL, SB_LINEDOWN, true}, {WM_HSCROLL, SB_PAGEDOWN, true}, {WM_CHAR, L'x', false},
                 {WM_HSCROLL, SB_TOP, true}, {WM_VSCROLL, SB_LINEDOWN, false}};
    place(0, 250);
    paint();
    for (const Step& step : steps) {
        editor->invalidated.clear();
        const int32_t column = editor->getScrollColumn();
        const uint64_t rows = editor->getRowsCopied();
        ::SendMessageW(window, step.message, step.code, step.message == WM_CHAR ? 1 : 0);
        ASSERT_FALSE(editor->invalidated.empty()) << step.code;
        EXPECT_EQ(rows, editor->getRowsCopied()) << "the loop paints the scroll and the edit together " << step.code;
        if (step.textOnly) {
            ASSERT_NE(column, editor->getScrollColumn()) << step.code;
            for (const RECT& rect : editor->invalidated)
                EXPECT_GE(rect.left, editor->getGutterWidth()) << step.code;
        }
        ::UpdateWindow(window);
        const std::vector<COLORREF> painted = capture(window);
        paint();
        EXPECT_TRUE(painted == capture(window)) << "step " << step.code;
    }
}

} // namespace
