#include "afw/control/afControlListView.h"
#include "afw/control/afControlLister.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/support/DibSurface.h"
#include "afw/support/QuickPresses.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessel_test;

namespace {

// The lister's owner: rows of 20 x 12 (measured), drawn as filled rectangles; it keeps what
// the lister told it.
struct Owner {
    void draw(afCanvas& canvas, int32_t index, bool selected, const afRect& rect) {
        drawn.push_back(index);
        if (selected)
            lister->drawSelection(canvas, rect);
    }
    bool measure(int32_t /*index*/, bool /*selected*/, afCanvas& /*canvas*/, SIZE& size) {
        size = {20, 12};
        ++measured;
        return true;
    }
    void selectionChanged(int32_t index) { selections.push_back(index); }
    void activate(int32_t index) { activated.push_back(index); }

    afControlLister* lister = nullptr;
    std::vector<int32_t> drawn, selections, activated;
    int measured = 0;
};

class ListerTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = openWindow(afRect(0, 0, 300, 200));
        lister = afControlLister::createInstance(window.get());
        owner.lister = lister;
        lister->setSelectionChanged(afControlLister::IndexNotice::bind<Owner, &Owner::selectionChanged>(&owner));
        lister->setActivate(afControlLister::IndexNotice::bind<Owner, &Owner::activate>(&owner));
        lister->setDrawItem(afControlLister::DrawItem::bind<Owner, &Owner::draw>(&owner));
        lister->setFrame(afRect(0, 0, 120, 64));
    }
    void TearDown() override { afWindowsUX::resetForTesting(afWindowsUX::DECIDE_BY_SYSTEM); }
    bool key(uint32_t combination) {
        afKeyEvent event;
        event.combination = combination;
        return lister->onKeyDown(event);
    }

    std::unique_ptr<afTestWindow> window;
    afControlLister* lister = nullptr;
    Owner owner;
};

TEST_F(ListerTest, RowsWithoutAMeasureDelegateAreOneHundredBySixteen) {
    EXPECT_EQ(-1, lister->indexAt(5)) << "unmeasured rows cannot be hit";
    lister->measureItems();
    EXPECT_EQ(100, lister->getItemWidth());
    EXPECT_EQ(16, lister->getItemHeight());
    lister->setCount(10, true);
    EXPECT_EQ(lister->getClientRect().width(), lister->getItemWidth()) << "rows as wide as the lister";
    EXPECT_EQ(4, lister->getVisibleRows()) << "64 pixels of 16";
    EXPECT_EQ(1, lister->indexAt(20));
    EXPECT_EQ(-1, lister->indexAt(200)) << "below the last row";

    lister->setMeasureItem(afControlLister::MeasureItem::bind<Owner, &Owner::measure>(&owner));
    lister->setFixedRows(10, afControlLister::ROWS_AT_MOST);
    lister->setCount(3, true);
    EXPECT_EQ(3, owner.measured);
    EXPECT_EQ(3, lister->getVisibleRows());
    lister->onMeasure(afViewMeasureSpec::UNSPECIFIED, afViewMeasureSpec::UNSPECIFIED);
    EXPECT_EQ(3 * 16, lister->getMeasuredHeight()) << "rows only grow";
}

TEST_F(ListerTest, SelectionClampsAndTellsTheOwnerOfChangesOnly) {
    EXPECT_FALSE(lister->select(0, false)) << "an empty lister selects none";
    EXPECT_EQ(-1, lister->getSelected());
    EXPECT_TRUE(owner.selections.empty());
    lister->setCount(3, true);
    EXPECT_TRUE(lister->select(5, false));
    EXPECT_EQ(2, lister->getSelected());
    EXPECT_TRUE(lister->select(-4, true));
    EXPECT_EQ(-1, lister->getSelected());
    EXPECT_TRUE(lister->select(-4, false));
    EXPECT_FALSE(lister->select(0, false));
    EXPECT_EQ(std::vector<int32_t>({2, -1, 0}), owner.selections);

    // Keys walk the rows; Enter activates only a row that still exists.
    const std::pair<uint32_t, int32_t> keys[] = {{VK_DOWN, 1},  {VK_DOWN, 2}, {VK_DOWN, 2}, {VK_UP, 1},
                                                 {VK_PRIOR, 0}, {VK_NEXT | afKeyEvent::CTRL, 2}};
    for (const auto& k : keys) {
        EXPECT_TRUE(key(k.first));
        EXPECT_EQ(k.second, lister->getSelected()) << std::hex << k.first;
    }
    EXPECT_TRUE(key(VK_RETURN));
    lister->setCount(1, false);
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_EQ(std::vector<int32_t>({2}), owner.activated);
    EXPECT_FALSE(key('A'));
    lister->setPassive(true);
    EXPECT_FALSE(key(VK_DOWN));
}

// A left double click on a row activates it (the view counts the presses: the second may come
// as a press or as the system's double click); one press, or a press on another row, only
// selects.
TEST_F(ListerTest, ASecondQuickPressOnARowActivatesIt) {
    const QuickPresses quick;
    lister->setCount(3, true);
    const auto press = [&](UINT message, int y) {
        ::SendMessageW(lister->getHandle(), message, MK_LBUTTON, MAKELPARAM(5, y));
        ::SendMessageW(lister->getHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, y));
    };
    press(WM_LBUTTONDOWN, 20);
    EXPECT_EQ(1, lister->getSelected());
    EXPECT_TRUE(owner.activated.empty()) << "one press";
    press(WM_LBUTTONDOWN, 20);
    EXPECT_EQ(std::vector<int32_t>({1}), owner.activated);
    press(WM_LBUTTONDOWN, 2 * 16 + 4);
    EXPECT_EQ(2, lister->getSelected());
    press(WM_LBUTTONDBLCLK, 2 * 16 + 4);
    EXPECT_EQ(std::vector<int32_t>({1, 2}), owner.activated);
    press(WM_LBUTTONDOWN, 4);
    EXPECT_EQ(std::vector<int32_t>({1, 2}), owner.activated) << "a press on another row";
}

TEST_F(ListerTest, ScrollCodesClampTheFirstRow) {
    lister->setCount(10, true); // 4 rows visible
    const struct {
        int code, position;
        int32_t first;
    } codes[] = {{2, 0, 6}, {3, 0, 6}, {1, 0, 0}, {4, 0, 0}, {5, 0, 4}, {5, 0, 6}, {6, 0, 2},
                 {7, 9, 6}, {8, 3, 3}, {7, -5, 0}, {3, 0, 1}, {9, 5, 1}};
    for (const auto& c : codes) {
        lister->scroll(c.code, c.position);
        EXPECT_EQ(c.first, lister->getFirst()) << c.code << " " << c.position;
    }
    lister->select(9, false);
    EXPECT_EQ(6, lister->getFirst()) << "the selection scrolls into view";
    lister->setCount(0, false);
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    ::GetScrollInfo(lister->getHandle(), SB_VERT, &info);
    EXPECT_EQ(0, info.nMin);
    EXPECT_EQ(0, lister->getFirst());
}

TEST_F(ListerTest, EmptyTextAndSelectionLook) {
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_CLASSIC);
    lister->setEmptyText(L"No clips yet");
    lister->setCount(0, true);
    const afRect client = lister->getClientRect();
    DibSurface empty(client.width(), client.height());
    lister->onDraw(*afCanvas::fromDC(empty.dc()), nullptr);
    const uint32_t background = DibSurface::pixelOf(afGetStockColour(26));
    const uint32_t text = DibSurface::pixelOf(afGetStockColour(9));
    EXPECT_EQ(background, empty.rgb(0, 0));
    EXPECT_EQ(0, empty.count(afRect(0, 0, client.width(), 20), text)) << "the margin holds no text";
    EXPECT_GT(empty.count(afRect(20, 20, client.width() - 20, client.height() - 20), text), 0);

    lister->setCount(3, true);
    lister->select(1, false);
    lister->setPassive(true);
    owner.drawn.clear();
    DibSurface rows(client.width(), client.height());
    lister->onDraw(*afCanvas::fromDC(rows.dc()), nullptr);
    EXPECT_EQ(std::vector<int32_t>({0, 1, 2}), owner.drawn);
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(10)), rows.rgb(5, 16 + 5)) << "passive: drawn as focused";
    EXPECT_EQ(background, rows.rgb(5, 3 * 16 + 2)) << "below the last row";
}

TEST_F(ListerTest, TheListViewInsertsAtTheTop) {
    afControlListView* list = afControlListView::createInstance(window.get());
    list->insertColumn(L"Time", 80, LVCFMT_LEFT);
    list->insertColumn(L"Message", 200, LVCFMT_LEFT);
    EXPECT_EQ(-1, list->findItem(7)) << "empty";
    EXPECT_EQ(0, list->insertItem(L"first", -1, 7));
    EXPECT_EQ(0, list->insertItem(L"second", -1, 8));
    EXPECT_TRUE(list->setSubItemText(L"detail", -1));
    EXPECT_EQ(2, list->getItemCount());
    EXPECT_EQ(8, list->getItemData(0));
    EXPECT_EQ(1, list->findItem(7));
    wchar_t text[32] = {};
    ListView_GetItemText(list->getHandle(), 0, 1, text, 32);
    EXPECT_STREQ(L"detail", text);
    list->removeAll();
    EXPECT_EQ(0, list->getItemCount());
}

} // namespace
