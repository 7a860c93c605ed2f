// The editor's popups: the hint popup and what hides it, the gutter hint with the pointer's
// shapes, leaving and losing the capture mid-drag, and the context menu driven by keys posted
// into its loop.

#include "EditorKeyTestSupport.h"
#include "afw/data/afClipboard.h"
#include "afw/data/afDataObjectText.h"
#include "afw/graphics/afStockResources.h"
#include "afw/support/MenuLines.h"
#include "components/Hint.h"
#include "service/document/Document.h"

#include <deque>
#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::TextPosition;

namespace {

// Keys fed to the context menu's loop one each time it goes idle, and the Cut and Copy lines'
// states at the first idle.
struct MenuFeed {
    std::deque<WPARAM> keys;
    bool seen = false;
    bool cutGrayed = false;
    bool copyGrayed = false;
};
MenuFeed s_feed;

bool feedMenu(void*, afMessage& msg) {
    if (msg.message != WM_ENTERIDLE || msg.wParam != MSGF_MENU)
        return false;
    HWND menuWindow = reinterpret_cast<HWND>(msg.lParam);
    if (!s_feed.seen) {
        s_feed.seen = true;
        HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        s_feed.cutGrayed = (::GetMenuState(menu, 0, MF_BYPOSITION) & MF_GRAYED) != 0;
        s_feed.copyGrayed = (::GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED) != 0;
    }
    if (!s_feed.keys.empty()) {
        ::PostMessageW(menuWindow, WM_KEYDOWN, s_feed.keys.front(), 0);
        s_feed.keys.pop_front();
    }
    return false;
}

class EditorPopupsTest : public EditorKeyTest {
protected:
    POINT at(int32_t line, int32_t column) const {
        return {editor->getGutterWidth() + editor->getTextLeft() + column * charWidth + 1, line * lineHeight + 2};
    }
    void mouse(UINT message, POINT point, WPARAM keys = 0) {
        ::SendMessageW(editor->getHandle(), message, keys, MAKELPARAM(point.x, point.y));
    }
    bool shown(const Hint* hint) const { return hint && hint->isDisplayed(); }
    HCURSOR stock(int index) const { return afGetStockCursor(index).getHandle(); }
    // The hint popup with a line, shown beside the editor.
    Hint* showHint() {
        Hint* hint = editor->getHintPopup();
        hint->clear();
        hint->addText(L"source.c");
        hint->showAt(10, 10);
        return hint;
    }
    // A right click at the point with the keys fed to the menu.
    void contextMenu(POINT point, std::initializer_list<WPARAM> keys) {
        s_feed = MenuFeed();
        s_feed.keys.assign(keys);
        const afViewPlatform::MessageHook hook = afViewPlatform::MessageHook::fromFunction(nullptr, &feedMenu);
        editor->addHook(hook);
        parkPointerForMenu();
        mouse(WM_RBUTTONDOWN, point, MK_RBUTTON);
        editor->removeHook(hook);
        mouse(WM_RBUTTONUP, point);
    }
    std::wstring selectedText() {
        std::wstring selected;
        controller->getSelectedText(controller->getSelection().getRanges(), &selected);
        return selected;
    }
};

TEST_F(EditorPopupsTest, TheHintPopupIsMadeOnceAndHiddenByKeysPressesAndScrolling) {
    attach(numberedLines(50));
    Hint* hint = editor->getHintPopup();
    ASSERT_NE(nullptr, hint);
    EXPECT_EQ(hint, editor->getHintPopup()) << "made on first use only";
    struct Case {
        const char* what;
        std::function<void()> act;
        bool hides;
    } cases[] = {
        {"Shift", [&] { press(VK_SHIFT, {VK_SHIFT}); }, false},
        {"Right", [&] { press(VK_RIGHT); }, true},
        {"a scroll", [&] { ::SendMessageW(editor->getHandle(), WM_VSCROLL, SB_LINEDOWN, 0); }, true},
        {"the wheel", [&] { ::SendMessageW(editor->getHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0); }, true},
        {"a press", [&] {
             mouse(WM_LBUTTONDOWN, at(1, 1), MK_LBUTTON);
             mouse(WM_LBUTTONUP, at(1, 1));
         }, true},
    };
    for (const Case& c : cases) {
        showHint();
        c.act();
        EXPECT_EQ(!c.hides, shown(hint)) << c.what;
    }
}

TEST_F(EditorPopupsTest, EscapeClosesTheHintBeforeItTouchesTheCarets) {
    attach(L"a\nb\nc");
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        tessel::Selection& selection = controller->getSelection();
        selection.set(TextPosition(0, 1), TextPosition(0, 1), 0, tessel::selection_ids::CARET);
        for (int32_t line : {1, 2})
            selection.setWithBehavior(TextPosition(line, 1), TextPosition(line, 1), tessel::selection_ids::NORMAL);
    }
    ASSERT_EQ(3u, controller->getSelection().getRanges().size());
    Hint* hint = showHint();
    press(VK_ESCAPE);
    EXPECT_FALSE(shown(hint));
    EXPECT_EQ(3u, controller->getSelection().getRanges().size()) << "the first Escape only closes the hint";
    press(VK_ESCAPE);
    EXPECT_EQ(1u, controller->getSelection().getRanges().size());
}

TEST_F(EditorPopupsTest, TheGutterHintShowsMarkerTextsUnderTheHand) {
    attach(L"one\ntwo\nthree");
    document->setLineMarker(1, L"unused variable", 0, 0x1234);
    document->setLineMarker(1, L"line too long", 0, 0x1234);
    document->setLineMarker(2, L"", static_cast<uint32_t>(-1), 0xE35E00DF);
    const POINT gutter1 = {2, 1 * lineHeight + 2}, gutter2 = {2, 2 * lineHeight + 2};
    mouse(WM_MOUSEMOVE, gutter1);
    ASSERT_TRUE(shown(editor->getGutterHint()));
    EXPECT_EQ((std::vector<std::wstring>{L"unused variable", L"line too long"}), editor->getGutterHint()->getLines());
    EXPECT_EQ(stock(AF_CURSOR_HAND), ::GetCursor());
    mouse(WM_MOUSEMOVE, gutter2);
    EXPECT_FALSE(shown(editor->getGutterHint())) << "a bookmark has no text to tell";
    EXPECT_EQ(stock(AF_CURSOR_ARROW), ::GetCursor());
    mouse(WM_MOUSEMOVE, at(0, 1));
    EXPECT_EQ(stock(AF_CURSOR_IBEAM), ::GetCursor());
    {
        tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
        controller->getSelection().set(TextPosition(0, 3), TextPosition(0, 0), 0, tessel::selection_ids::NORMAL);
    }
    mouse(WM_MOUSEMOVE, at(0, 1));
    EXPECT_EQ(stock(AF_CURSOR_ARROW), ::GetCursor()) << "over the selection";
    mouse(WM_MOUSEMOVE, gutter1);
    ASSERT_TRUE(shown(editor->getGutterHint()));
    ::SendMessageW(editor->getHandle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(shown(editor->getGutterHint())) << "leaving hides it";
}

TEST_F(EditorPopupsTest, ADragThatLostTheCaptureSelectsNoFurther) {
    attach(L"abcdef\nabcdef");
    mouse(WM_LBUTTONDOWN, at(0, 1), MK_LBUTTON);
    mouse(WM_MOUSEMOVE, at(0, 3), MK_LBUTTON);
    EXPECT_EQ(TextPosition(0, 3), caret());
    ::ReleaseCapture();
    mouse(WM_MOUSEMOVE, at(1, 5), MK_LBUTTON);
    mouse(WM_LBUTTONUP, at(1, 5));
    EXPECT_EQ(TextPosition(0, 3), caret()) << "without the capture the pointer only hovers";
    EXPECT_EQ(TextPosition(0, 1), anchor());
    mouse(WM_LBUTTONDOWN, at(1, 2), MK_LBUTTON);
    mouse(WM_LBUTTONUP, at(1, 2));
    EXPECT_EQ(TextPosition(1, 2), anchor()) << "the next press starts afresh";
}

TEST_F(EditorPopupsTest, TheContextMenuRunsTheLineChosenByKeys) {
    attach(L"abc\ndef");
    place(0, 1);
    // Up from the bottom: Select Indent Level, Select Lines Text, Select Lines, Select All.
    contextMenu(at(1, 1), {VK_UP, VK_UP, VK_UP, VK_UP, VK_RETURN});
    ASSERT_TRUE(s_feed.seen) << "the menu did not show";
    EXPECT_TRUE(s_feed.cutGrayed && s_feed.copyGrayed) << "nothing selected: no Cut or Copy";
    EXPECT_EQ(L"abc\ndef", selectedText());
    contextMenu(at(0, 2), {VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_FALSE(s_feed.cutGrayed || s_feed.copyGrayed);
    EXPECT_EQ(L"abc\ndef", selectedText()) << "a click on the selection keeps it";
    afDataObjectText copied;
    ASSERT_TRUE(afApp::getClipboard()->get(&copied));
    EXPECT_EQ(L"abc\r\ndef", copied.getText()) << "Copy ran";
    place(0, 0);
    contextMenu(at(1, 2), {VK_ESCAPE});
    EXPECT_EQ(TextPosition(1, 2), caret()) << "a click outside the selection places the caret first";
    EXPECT_EQ(caret(), anchor());
}

TEST_F(EditorPopupsTest, SelectIndentLevelOnTheContextMenuSelectsTheCaretsBlock) {
    attach(L"if (a) {\n    b();\n    c();\n}");
    contextMenu(at(1, 6), {VK_UP, VK_RETURN});
    ASSERT_TRUE(s_feed.seen) << "the menu did not show";
    EXPECT_EQ(L"    b();\n    c();\n", selectedText());
}

} // namespace
