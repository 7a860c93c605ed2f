#include "afw/control/afControlCheckBox.h"
#include "afw/control/afControlComboBox.h"
#include "afw/control/afControlGroup.h"
#include "afw/control/afControlProgressBar.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <vector>

using namespace tessel_test;

namespace {

struct ComboOwner {
    void removed(afControlComboBox*, afControlComboBox::Item* item) { order.push_back(item->data); }
    std::vector<uintptr_t> order;
};

void countCall(void* count, afControlCheckBox*) {
    ++*static_cast<int*>(count);
}

class SmallControlsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = openWindow(afRect(0, 0, 300, 200));
    }
    void TearDown() override { afWindowsUX::resetForTesting(afWindowsUX::DECIDE_BY_SYSTEM); }
    std::unique_ptr<afTestWindow> window;
};

TEST_F(SmallControlsTest, ComboBoxItemsAndTheirRecords) {
    afControlComboBox* combo = afControlComboBox::createInstance(window.get());
    ComboOwner owner;
    combo->setItemRemoved(afControlComboBox::ItemRemoved::bind<ComboOwner, &ComboOwner::removed>(&owner));
    EXPECT_EQ(-1, combo->findItem(1)) << "empty";
    std::wstring text = L"untouched";
    EXPECT_FALSE(combo->getItemText(-1, text));
    EXPECT_EQ(L"untouched", text);
    for (uintptr_t i = 1; i <= 3; ++i)
        combo->addItem(L"item " + std::to_wstring(i), -1, i * 10);
    EXPECT_EQ(3, combo->getCount());
    EXPECT_TRUE(combo->getItemText(1, text));
    EXPECT_EQ(L"item 2", text);
    EXPECT_EQ(2, combo->findItem(30));
    combo->markItem(0);
    EXPECT_TRUE(combo->getItemData(0)->marked);
    EXPECT_EQ(nullptr, combo->getItemData(7));

    combo->selectText(L"item 3");
    EXPECT_EQ(2, combo->getSelection());
    EXPECT_EQ(L"item 3", combo->getSelectedText());
    combo->selectText(L"ITEM 3");
    EXPECT_EQ(-1, combo->getSelection()) << "no exact match clears the selection";

    combo->removeAllItems();
    EXPECT_EQ(std::vector<uintptr_t>({30, 20, 10}), owner.order) << "once each, the last first";
    EXPECT_EQ(0, combo->getCount());
    combo->addItem(L"left over", -1, 99);
    delete combo;
    EXPECT_EQ(99u, owner.order.back()) << "records still there go with the window";
}

TEST_F(SmallControlsTest, ComboBoxWrapsItsInnerControlAndMeasuresByIt) {
    afControlComboBox* combo = afControlComboBox::createInstance(window.get());
    ASSERT_NE(nullptr, combo->getInner());
    HWND inner = reinterpret_cast<HWND>(::SendMessageW(combo->getHandle(), CBEM_GETCOMBOCONTROL, 0, 0));
    EXPECT_EQ(inner, combo->getInner()->getHandle());
    ASSERT_EQ(1, combo->getChildCount());
    EXPECT_EQ(combo->getInner(), combo->getChildAt(0)) << "a child view of the control";
    ::SetWindowPos(combo->getHandle(), nullptr, 0, 0, 150, 24, SWP_NOMOVE | SWP_NOZORDER);
    combo->addItem(L"a fairly long item text", -1, 1);
    RECT box = {}, dropped = {};
    ::GetWindowRect(inner, &box);
    ::SendMessageW(inner, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GE(dropped.bottom - dropped.top, afControlComboBox::DROP_DOWN_EXTRA) << "the list drops below the field";
    // Measured and laid out again and again, the width stays the inner control's.
    for (int pass = 0; pass < 3; ++pass) {
        combo->measure(afViewMeasureSpec::make(0, afViewMeasureSpec::UNSPECIFIED),
                       afViewMeasureSpec::make(0, afViewMeasureSpec::UNSPECIFIED));
        EXPECT_EQ(box.right - box.left, combo->getMeasuredWidth()) << "pass " << pass;
        RECT own = {};
        ::GetWindowRect(combo->getHandle(), &own);
        EXPECT_EQ(own.bottom - own.top, combo->getMeasuredHeight()) << "pass " << pass << ": the field's, not the list's";
        combo->setFrame(afRect(0, 0, combo->getMeasuredWidth(), combo->getMeasuredHeight()));
    }
    // The selection change still reaches the owner through the control.
    int changes = 0;
    combo->setSelectionChanged(afControlComboBox::SelectionChanged::fromFunction(
        &changes, [](void* count, afControlComboBox*) { ++*static_cast<int*>(count); }));
    ::SendMessageW(window->getHandle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo->getHandle()), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo->getHandle()));
    EXPECT_EQ(1, changes);
}

TEST_F(SmallControlsTest, CheckBoxClicksToggleAndTell) {
    afControlCheckBox* box = afControlCheckBox::createInstance(window.get());
    box->setText(L"&Wrap lines");
    box->setFrame(afRect(0, 0, 120, 24));
    int changed = 0;
    box->setChangedHandler(afControlCheckBox::ChangedHandler::fromFunction(&changed, &countCall));
    EXPECT_EQ(0x50010002, ::GetWindowLongW(box->getHandle(), GWL_STYLE) & 0xFFFF00FF);
    // Only a three-state box holds the indeterminate state.
    ::SetWindowLongW(box->getHandle(), GWL_STYLE, (::GetWindowLongW(box->getHandle(), GWL_STYLE) & ~0xF) | BS_3STATE);
    ::SendMessageW(box->getHandle(), BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(afControlCheckBox::STATE_MIXED, box->themeState());
    ::SendMessageW(box->getHandle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(box->isChecked()) << "indeterminate becomes checked";
    EXPECT_EQ(1, changed);
    ::SendMessageW(box->getHandle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(2, changed);
    box->setEnabled(false);
    EXPECT_EQ(afControlCheckBox::STATE_UNCHECKED + 3, box->themeState());
}

TEST_F(SmallControlsTest, GroupDrawsAnEtchedFrameWithoutThemes) {
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_CLASSIC);
    afControlGroup* group = afControlGroup::createInstance(window.get());
    group->setFrame(afRect(0, 0, 50, 40));
    EXPECT_TRUE(::GetWindowLongW(group->getHandle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    DibSurface surface(50, 40);
    group->onDraw(*afCanvas::fromDC(surface.dc()), nullptr);
    EXPECT_EQ(DibSurface::pixelOf(::GetSysColor(COLOR_BTNSHADOW)), surface.rgb(10, 0));
    EXPECT_EQ(DibSurface::pixelOf(::GetSysColor(COLOR_BTNHIGHLIGHT)), surface.rgb(10, 1));
    EXPECT_EQ(0xFFFFFFu, surface.rgb(25, 20)) << "the inside is left alone";
}

TEST_F(SmallControlsTest, ProgressBarModesChangeOnlyWhatDiffers) {
    afControlProgressBar* bar = afControlProgressBar::createInstance(window.get());
    int frameChanges = 0;
    auto counter = [](void* count, afMessage& msg) {
        if (msg.message == WM_NCCALCSIZE && msg.wParam)
            ++*static_cast<int*>(count);
        return false;
    };
    bar->addHook(afViewPlatform::MessageHook::fromFunction(&frameChanges, counter));
    const auto style = [bar] { return ::GetWindowLongW(bar->getHandle(), GWL_STYLE) & (PBS_SMOOTH | PBS_MARQUEE); };
    EXPECT_EQ(PBS_SMOOTH | PBS_MARQUEE, style());
    bar->setMode(afControlProgressBar::MODE_MARQUEE);
    EXPECT_EQ(PBS_MARQUEE, style());
    EXPECT_EQ(1, frameChanges) << "only the smooth bit changed";
    bar->setMode(afControlProgressBar::MODE_MARQUEE);
    EXPECT_EQ(1, frameChanges);
    bar->setMode(afControlProgressBar::MODE_NORMAL);
    EXPECT_EQ(PBS_SMOOTH, style());
    EXPECT_EQ(3, frameChanges);
    bar->setMode(7);
    EXPECT_EQ(3, frameChanges);
    bar->setRange(200);
    bar->setPosition(50);
    EXPECT_EQ(50, ::SendMessageW(bar->getHandle(), PBM_GETPOS, 0, 0));
    EXPECT_EQ(200, ::SendMessageW(bar->getHandle(), PBM_GETRANGE, FALSE, 0));
}

} // namespace
