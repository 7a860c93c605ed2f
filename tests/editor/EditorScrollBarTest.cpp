// The editor's scroll bars follow every change of the view: its range, page and position are set
// even when the bar looks the same and is not drawn again.
#include "EditorKeyTestSupport.h"

namespace {

using tessel_test::EditorKeyTest;

SCROLLINFO scrollInfo(HWND window, int bar) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(window, bar, &info);
    return info;
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

} // namespace
