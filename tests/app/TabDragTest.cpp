// Dragging a tab along the strip of the real main window, with the mouse messages its window
// gets from the system: where the marker stands, where the tab lands, and what Escape keeps.

#include "ShellFixture.h"

#include "app/Tabs.h"
#include "editor/DropMarker.h"

#include "afw/dock/afDockSlot.h"
#include "afw/support/TestViews.h"

#include <string>
#include <vector>

using namespace tessel;

namespace {

class TabDragTest : public tessel_test::ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"})
            base.write(L"files\\" + std::wstring(name), "x");
        ASSERT_TRUE(start());
        for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"})
            ASSERT_TRUE(window->openFile(file(name)));
        tabs = window->getTabs();
        ASSERT_TRUE(tessel_test::pumpApp([&] {
            afRect last;
            return tabs->getTabRect(tabs->getSlotAt(2), &last) && last.width() > 0;
        })) << "the tabs were never laid out";
    }

    // The tabs' titles in display order.
    std::vector<std::wstring> order() {
        std::vector<std::wstring> titles;
        for (int i = 0; i < tabs->getSlotCount(); ++i)
            titles.push_back(tabs->getButton(tabs->getSlotAt(i))->getText());
        return titles;
    }
    afRect tab(int index) {
        afRect rect;
        EXPECT_TRUE(tabs->getTabRect(tabs->getSlotAt(index), &rect));
        return rect;
    }
    void mouse(UINT message, int x, int y, WPARAM keys) {
        ::SendMessageW(tabs->getHandle(), message, keys, MAKELPARAM(x, y));
    }
    // Presses the tab at its middle and moves, button held, to x.
    void dragTo(int index, int x) {
        const afRect from = tab(index);
        const int y = (from.top + from.bottom) / 2;
        mouse(WM_LBUTTONDOWN, (from.left + from.right) / 2, y, MK_LBUTTON);
        mouse(WM_MOUSEMOVE, x, y, MK_LBUTTON);
    }
    void release(int x) { mouse(WM_LBUTTONUP, x, tab(0).top + 2, 0); }
    bool markerShown() { return tabs->getDrag().getMarker() && ::IsWindowVisible(tabs->getDrag().getMarker()->getHandle()); }
    // The marker bar's middle in the strip window's client coordinates.
    int markerX() {
        RECT bar = {};
        ::GetWindowRect(tabs->getDrag().getMarker()->getHandle(), &bar);
        POINT middle = {(bar.left + bar.right) / 2, bar.top};
        ::ScreenToClient(tabs->getHandle(), &middle);
        return middle.x;
    }

    Tabs* tabs = nullptr;
    const std::vector<std::wstring> startOrder = {L"1.txt", L"2.txt", L"3.txt"};
};

TEST_F(TabDragTest, ATabDroppedBeyondAnotherLandsThereAndTheMarkerShowedThePlace) {
    ASSERT_EQ(startOrder, order());
    const int beyondLast = tab(2).right - 2;
    dragTo(0, beyondLast);
    ASSERT_TRUE(tabs->getDrag().isDragging());
    ASSERT_TRUE(markerShown());
    EXPECT_NEAR(tab(2).right, markerX(), 1) << "after the last tab";
    EXPECT_EQ(DropMarker::VERTICAL, tabs->getDrag().getMarker()->getOrientation());
    EXPECT_EQ(tab(0).height(), tabs->getDrag().getMarker()->getLength());
    EXPECT_EQ(tabs->getHandle(), ::GetCapture());
    // Moving back over the first gap moves the marker there.
    mouse(WM_MOUSEMOVE, tab(1).left + 2, tab(1).top + 2, MK_LBUTTON);
    EXPECT_NEAR(tab(1).left, markerX(), 1);
    mouse(WM_MOUSEMOVE, beyondLast, tab(0).top + 2, MK_LBUTTON);
    release(beyondLast);

    EXPECT_EQ((std::vector<std::wstring>{L"2.txt", L"3.txt", L"1.txt"}), order());
    EXPECT_FALSE(tabs->getDrag().isDragging());
    EXPECT_FALSE(markerShown());
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_EQ(L"1.txt - Tessel", window->getTitleText()) << "the dragged tab is the active one";

    // And from the end to the front.
    dragTo(2, tab(0).left + 1);
    release(tab(0).left + 1);
    EXPECT_EQ(startOrder, order());
}

TEST_F(TabDragTest, EscapeAClickOrADropOnItselfLeavesTheOrder) {
    dragTo(0, tab(2).right - 2);
    ASSERT_TRUE(tabs->getDrag().isDragging());
    ::PostMessageW(tabs->getHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(tessel_test::pumpApp([&] { return !tabs->getDrag().isDragging(); }, 5000)) << "Escape ended nothing";
    EXPECT_FALSE(markerShown());
    EXPECT_EQ(nullptr, ::GetCapture());
    // The release that follows is a plain one.
    release(tab(2).right - 2);
    EXPECT_EQ(startOrder, order());

    // A press and release without moving is a click.
    const afRect second = tab(1);
    mouse(WM_LBUTTONDOWN, second.left + 3, second.top + 3, MK_LBUTTON);
    mouse(WM_MOUSEMOVE, second.left + 4, second.top + 3, MK_LBUTTON); // within the drag distance
    EXPECT_FALSE(tabs->getDrag().isDragging());
    mouse(WM_LBUTTONUP, second.left + 4, second.top + 3, 0);
    EXPECT_EQ(startOrder, order());
    EXPECT_EQ(L"2.txt - Tessel", window->getTitleText());

    // Over its own place, on either side of its middle.
    dragTo(1, tab(1).left + 1);
    release(tab(1).left + 1);
    dragTo(1, tab(2).left + 1);
    release(tab(2).left + 1);
    EXPECT_EQ(startOrder, order());
}

TEST_F(TabDragTest, ATabClosedDuringItsDragEndsTheDrag) {
    dragTo(2, tab(0).left + 1);
    ASSERT_TRUE(tabs->getDrag().isDragging());
    afDockSlot* dragged = tabs->getSlotAt(2);
    for (MainWindow::Page* page : window->getPages()) {
        if (page->slot == dragged) {
            ASSERT_TRUE(window->closeTab(*page));
        }
    }
    EXPECT_FALSE(tabs->getDrag().isDragging());
    EXPECT_EQ(nullptr, ::GetCapture());
    release(tab(0).left + 1);
    EXPECT_EQ((std::vector<std::wstring>{L"1.txt", L"2.txt"}), order());
}

} // namespace
