// Mouse selection on a real editor: presses, double and triple clicks, gutter drags, Alt for a
// rectangle, and a press on the selection that places the caret on release.

#include "EditorKeyTestSupport.h"
#include "MenuArming.h"

#include "afw/support/QuickPresses.h"
#include "afw/unicode/afUnicode.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::TextPosition;

namespace {

class EditorMouseTest : public EditorKeyTest {
protected:
    // The client point of a line's column (the middle of the cell's left half).
    POINT at(int32_t line, int32_t column) const {
        return {editor->getGutterWidth() + editor->getTextLeft() + column * charWidth + 1, line * lineHeight + 2};
    }
    LPARAM pack(POINT point) const { return MAKELPARAM(point.x, point.y); }
    void mouse(UINT message, POINT point, WPARAM keys = 0) {
        ::SendMessageW(editor->getHandle(), message, keys, pack(point));
    }
    // The editor reads Shift from the keyboard state, as the system keeps it.
    void click(POINT point, WPARAM keys = 0) {
        setKeyboardKeys(keys & MK_SHIFT ? std::vector<int>{VK_SHIFT} : std::vector<int>{});
        mouse(WM_LBUTTONDOWN, point, MK_LBUTTON | keys);
        mouse(WM_LBUTTONUP, point, keys);
        setKeyboardKeys({});
    }
    std::wstring selectedText() {
        std::wstring selected;
        controller->getSelectedText(controller->getSelection().getRanges(), &selected);
        return selected;
    }
};

TEST_F(EditorMouseTest, PressesSelectByCharacterWordAndLine) {
    // The clock stands still: presses in one place count on however slowly they come.
    const QuickPresses quick;
    attach(L"foo bar baz\nsecond line\nthird");
    click(at(0, 5));
    EXPECT_EQ(TextPosition(0, 5), caret());
    mouse(WM_LBUTTONDBLCLK, at(0, 5), MK_LBUTTON);
    mouse(WM_LBUTTONUP, at(0, 5));
    EXPECT_EQ(L"bar", selectedText());
    click(at(1, 2), MK_SHIFT);
    EXPECT_EQ(TextPosition(1, 2), caret()) << "Shift extends";
    EXPECT_EQ(TextPosition(0, 4), anchor());
    // The third press lands on the word the second selected: its release selects the line.
    click(at(1, 3));
    mouse(WM_LBUTTONDBLCLK, at(1, 3), MK_LBUTTON);
    mouse(WM_LBUTTONUP, at(1, 3));
    EXPECT_EQ(L"second", selectedText());
    click(at(1, 3));
    EXPECT_EQ(L"second line", selectedText()) << "a triple click";
}

// A double click selects the word under the pointer; on a character of no word (an emoji, a
// family joined by ZWJ, a sign) that character alone. Letters outside the BMP make words too.
TEST_F(EditorMouseTest, ADoubleClickOffAWordSelectsTheCharacterUnderThePointer) {
    const QuickPresses quick;
    const std::wstring family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
    attach(L"x \U0001F600 y\ny+z\na" + family + L"\n\U0001D400\U0001D401 c");
    const struct {
        POINT point;
        std::wstring selected;
    } cases[] = {
        {at(0, 2), L"\U0001F600"},
        {at(1, 1), L"+"},
        {at(2, 1), family},
        {at(3, 0), L"\U0001D400\U0001D401"},
        {at(1, 0), L"y"},
    };
    for (const auto& c : cases) {
        click(c.point);
        mouse(WM_LBUTTONDBLCLK, c.point, MK_LBUTTON);
        mouse(WM_LBUTTONUP, c.point);
        EXPECT_EQ(c.selected, selectedText()) << "at " << c.point.x << "," << c.point.y;
    }
}

TEST_F(EditorMouseTest, AGutterDragSelectsWholeLines) {
    attach(L"one\ntwo\nthree\nfour");
    POINT gutter = {1, 1 * lineHeight + 2};
    mouse(WM_LBUTTONDOWN, gutter, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, at(2, 1), MK_LBUTTON);
    mouse(WM_LBUTTONUP, at(2, 1));
    EXPECT_EQ(L"two\nthree", selectedText());
}

TEST_F(EditorMouseTest, AltDragMakesARectangle) {
    attach(L"abcd\nefgh\nijkl");
    setKeyboardKeys({VK_MENU});
    mouse(WM_LBUTTONDOWN, at(0, 1), MK_LBUTTON);
    mouse(WM_MOUSEMOVE, at(1, 3), MK_LBUTTON);
    mouse(WM_LBUTTONUP, at(1, 3));
    setKeyboardKeys({});
    EXPECT_EQ(0x4C19FA99u, controller->getSelection().getBehaviorId());
}

// Dragged with Alt straight down, the pointer a little left or right of where it was pressed but
// within the cell of the column: a column of carets, each at the start of a character the column
// falls in (the flag's), never a block that takes a character on any line.
TEST_F(EditorMouseTest, AnAltDragWithinAColumnsCellMakesAColumnOfCarets) {
    attach(L"xab\n\U0001F1EB\U0001F1F7hi\nyab");
    for (int32_t shift : {-2, 0, 2}) {
        click(at(2, 3)); // elsewhere first: the press below is no double click
        setKeyboardKeys({VK_MENU});
        POINT to = at(2, 1);
        to.x += shift;
        mouse(WM_LBUTTONDOWN, at(0, 1), MK_LBUTTON);
        mouse(WM_MOUSEMOVE, at(1, 1), MK_LBUTTON);
        mouse(WM_MOUSEMOVE, to, MK_LBUTTON);
        mouse(WM_LBUTTONUP, to);
        setKeyboardKeys({});
        std::wstring carets;
        for (const tessel::SelectionRange& range : controller->getSelection().getRanges())
            carets += std::to_wstring(range.start) + L"-" + std::to_wstring(range.end) + L" ";
        EXPECT_EQ(L"1-1 4-4 12-12 ", carets) << "the pointer " << shift << " pixels off";
        EXPECT_TRUE(controller->getSelection().isColumn());
    }
    // Out of the column's cell, a block.
    click(at(2, 3));
    setKeyboardKeys({VK_MENU});
    mouse(WM_LBUTTONDOWN, at(0, 1), MK_LBUTTON);
    mouse(WM_MOUSEMOVE, at(2, 2), MK_LBUTTON);
    mouse(WM_LBUTTONUP, at(2, 2));
    setKeyboardKeys({});
    EXPECT_EQ(L"a\n\U0001F1EB\U0001F1F7\na", selectedText());
}

TEST_F(EditorMouseTest, ReleasingAltAfterAnAltDragArmsNoMenu) {
    attach(L"abcd\nefgh\nijkl");
    MenuArming arming(window->getHandle());
    // Alt pressed, perhaps a drag with it, Alt released (a key-up of the system's kind, or a plain
    // one, as Wine sends it after a click): each through the application's loop.
    UINT release = WM_SYSKEYUP;
    const auto altRelease = [&](const std::vector<UINT>& mouse) {
        setKeyboardKeys({VK_MENU});
        const HWND target = editor->getHandle();
        ::PostMessageW(target, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
        const POINT points[] = {at(0, 1), at(1, 3), at(1, 3)};
        for (size_t i = 0; i < mouse.size(); ++i)
            ::PostMessageW(target, mouse[i], mouse[i] == WM_LBUTTONUP ? 0 : MK_LBUTTON, pack(points[i % 3]));
        ::PostMessageW(target, release, VK_MENU, 0xC0380001);
        ASSERT_TRUE(pumpApp([&] {
            MSG msg;
            return !::PeekMessageW(&msg, target, 0, 0, PM_NOREMOVE);
        }));
        setKeyboardKeys({});
    };
    int armed = 0;
    for (UINT kind : {WM_SYSKEYUP, WM_KEYUP}) {
        release = kind;
        altRelease({});
        EXPECT_EQ(++armed, arming.count()) << "Alt alone arms the menu bar";
        altRelease({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP});
        EXPECT_EQ(0x4C19FA99u, controller->getSelection().getBehaviorId()) << "the drag made a rectangle";
        EXPECT_EQ(armed, arming.count()) << "Alt released after a drag arms nothing";
        altRelease({WM_LBUTTONDOWN, WM_LBUTTONUP});
        EXPECT_EQ(armed, arming.count()) << "nor after a click";
        altRelease({});
        EXPECT_EQ(++armed, arming.count()) << "the next Alt alone arms it again";
    }
}

TEST_F(EditorMouseTest, APressOnTheSelectionPlacesTheCaretOnRelease) {
    attach(L"foo bar baz");
    click(at(0, 0));
    click(at(0, 7), MK_SHIFT);
    mouse(WM_LBUTTONDOWN, at(0, 2), MK_LBUTTON);
    EXPECT_EQ(L"foo bar", selectedText()) << "the press alone keeps the selection";
    mouse(WM_LBUTTONUP, at(0, 2));
    EXPECT_EQ(TextPosition(0, 2), caret());
    EXPECT_EQ(caret(), anchor());
}

} // namespace

namespace {

TEST(EditorAutoScroll, SpeedsByDistanceAndTick) {
    struct Case {
        int distance;
        std::vector<int> perTick; // ticks 0..10
    } cases[] = {
        {2, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
        {20, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
        {-60, {-5, -5, -5, -5, -5, -5, -5, -5, -5, -5, -5}},
        {0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {-10, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        std::vector<int> seen;
        for (uint32_t tick = 0; tick <= 10; ++tick)
            seen.push_back(tessel::Editor::autoScrollSpeed(c.distance, tick));
        EXPECT_EQ(c.perTick, seen) << "distance " << c.distance;
    }
}

TEST_F(EditorMouseTest, AutoScrollTicksScrollAndExtendTheDrag) {
    attach(numberedLines(200));
    mouse(WM_LBUTTONDOWN, at(0, 1), MK_LBUTTON);
    const POINT below = {at(0, 1).x, editor->getVisibleLines() * lineHeight + 20};
    editor->autoScrollStep(below, 1);
    // Two lines by the tick, then the view follows the dragged caret below the last row.
    EXPECT_GE(editor->getTop().line, 2);
    EXPECT_GT(caret().line, editor->getVisibleLines()) << "the drag follows";
    mouse(WM_LBUTTONUP, at(2, 1));
}

// A drag held right of a wrapped view, and below it: the view scrolls down the rows only, the
// rows staying whole from their first column; nothing brings it sideways (the end of the
// horizontal bar, a step of it). A boundary wider than the view leaves its hidden part in reach.
TEST_F(EditorMouseTest, AWrappedViewNeverScrollsSideways) {
    setPreset([](tessel::FacePreset& p) { p.wordWrap = true; });
    attach(std::wstring(3000, L'w') + L"\nlast");
    const int32_t rows = editor->getVisibleLines();
    ASSERT_GT(rows, 2);
    RECT client = {};
    ::GetClientRect(editor->getHandle(), &client);
    mouse(WM_LBUTTONDOWN, at(0, 0), MK_LBUTTON);
    const POINT right = {client.right + 60, at(1, 0).y}, belowRight = {right.x, rows * lineHeight + 60};
    for (uint32_t tick = 0; tick < 40; ++tick)
        editor->autoScrollStep(tick < 20 ? right : belowRight, tick);
    EXPECT_EQ(0, editor->getScrollColumn()) << "scrolled sideways";
    EXPECT_LE(editor->getGutterWidth() + editor->getLayout()->getWrapWidth(), client.right)
        << "the rows reach under the right edge";
    EXPECT_GT(editor->getTop().subline + editor->getTop().line, 0) << "the rows below never came";
    mouse(WM_LBUTTONUP, belowRight);
    editor->onScrollBar(false, 2, 0);
    editor->onScrollBar(false, 3, 0);
    EXPECT_EQ(0, editor->getScrollColumn()) << "the bar's end or step scrolled sideways";

    // Wrapped at 200 columns in a narrower view: what lies right of the view is reached.
    setPreset([](tessel::FacePreset& p) {
        p.wordWrap = p.boundaryBreak = true;
        p.boundary = 200;
    });
    ASSERT_LT(editor->getVisibleColumns(), 200);
    mouse(WM_LBUTTONDOWN, at(0, 0), MK_LBUTTON);
    for (uint32_t tick = 0; tick < 200; ++tick)
        editor->autoScrollStep(right, tick);
    mouse(WM_LBUTTONUP, right);
    EXPECT_GT(editor->getScrollColumn(), 0);
    EXPECT_LE(editor->getScrollColumn(), 200 - editor->getVisibleColumns() + 1);
}

} // namespace
