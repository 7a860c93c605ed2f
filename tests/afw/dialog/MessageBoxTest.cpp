#include "afw/control/afControlButton.h"
#include "afw/control/afControlCheckBox.h"
#include "afw/control/afLabel.h"
#include "afw/dialog/afMessageBox.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tessel_test;

namespace {

constexpr uint32_t kYes = 0x75E735A9, kNo = 0x67AA281F, kCancel = 0x5616C572;

class MessageBoxTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        box.reset(afMessageBox::createInstance(nullptr));
        box->setText(L"Save the changes to notes.txt?");
        buttons[0] = box->addButton(L"&Yes", kYes, true);
        buttons[1] = box->addButton(L"&No", kNo, false);
        buttons[2] = box->addButton(L"Cancel", kCancel, false);
    }
    void TearDown() override {
        box.reset();
        afApp::shutdown();
    }
    // A click of the left button, queued for the modal loop.
    static void postClick(HWND window) {
        ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }

    std::unique_ptr<afMessageBox> box;
    afControlButton* buttons[3] = {};
};

TEST_F(MessageBoxTest, TheClickedButtonGivesItsResult) {
    for (int clicked : {1, 0, 2}) {
        if (clicked != 1) {
            box.reset(afMessageBox::createInstance(nullptr));
            for (int i = 0; i < 3; ++i)
                buttons[i] = box->addButton(L"B", i == 0 ? kYes : i == 1 ? kNo : kCancel, i == 0);
        }
        postClick(buttons[clicked]->getHandle());
        EXPECT_EQ(clicked == 0 ? kYes : clicked == 1 ? kNo : kCancel, box->showModal()) << clicked;
    }
}

TEST_F(MessageBoxTest, EscapeAndTheCloseBoxCancel) {
    ::PostMessageW(buttons[0]->getHandle(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(afWindow::RESULT_CANCEL, box->showModal());
    EXPECT_EQ(0x5616C572u, afWindow::RESULT_CANCEL);
    box.reset(afMessageBox::createInstance(nullptr));
    box->addButton(L"OK", 0x79DCDD47, true);
    ::PostMessageW(box->getHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(afWindow::RESULT_CANCEL, box->showModal());
}

TEST_F(MessageBoxTest, TheCheckBoxStateOutlivesTheWindow) {
    EXPECT_FALSE(box->getCheckBox()->isVisible());
    EXPECT_THROW(box->setCheckBox(L""), pel::InvalidArgumentException);
    box->setCheckBox(L"Do not ask again");
    EXPECT_TRUE(box->getCheckBox()->isVisible());
    EXPECT_FALSE(box->isChecked());
    box->getCheckBox()->setChecked(true);
    EXPECT_TRUE(box->isChecked());
    postClick(buttons[1]->getHandle());
    EXPECT_EQ(kNo, box->showModal());
    EXPECT_EQ(nullptr, box->getHandle());
    EXPECT_TRUE(box->isChecked()) << "recorded when the modal run ended";
}

TEST_F(MessageBoxTest, TabFollowsTheButtonsInTheOrderAdded) {
    EXPECT_EQ(buttons[1]->getHandle(), ::GetWindow(buttons[0]->getHandle(), GW_HWNDNEXT));
    EXPECT_EQ(buttons[2]->getHandle(), ::GetWindow(buttons[1]->getHandle(), GW_HWNDNEXT));
    EXPECT_TRUE(buttons[0]->isDefault());
    afMessageBox fresh;
    fresh.build();
    EXPECT_EQ(afMessageBox::PLACEHOLDER_TEXT, fresh.getTextLabel()->getText());
    fresh.closeNow();
}

TEST_F(MessageBoxTest, IsCentredAndPaintsItsBands) {
    box->show();
    ASSERT_TRUE(pumpApp([this] {
        MSG msg;
        return !box->isValidationPosted() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    })) << "the box's messages never settled";
    RECT frame, desktop;
    ::GetWindowRect(box->getHandle(), &frame);
    ::GetClientRect(::GetDesktopWindow(), &desktop);
    EXPECT_NEAR((desktop.left + desktop.right) / 2, (frame.left + frame.right) / 2, 1);
    EXPECT_NEAR((desktop.top + desktop.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
    EXPECT_GE(frame.right - frame.left, afMessageBox::MINIMUM_WIDTH);

    const afRect client = box->getClientRect();
    DibSurface surface(client.width(), client.height());
    box->draw(*afCanvas::fromDC(surface.dc()), nullptr);
    const afRect root = box->getContentView()->getFrame();
    const LONG bandTop = root.top + box->getButtonBlock()->getFrame().top;
    ASSERT_GT(bandTop, 0);
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(26)), surface.rgb(2, 2));
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(26)), surface.rgb(2, bandTop - 1));
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(6)), surface.rgb(2, bandTop));
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(4)), surface.rgb(2, bandTop + 1));
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(4)), surface.rgb(client.width() - 2, client.height() - 2));
    box->closeNow();
}

// As wide as its content needs: the minimum for a short question, wider for a row of buttons that
// needs more, never wider than the work area; a long message takes lines of the minimum box's
// length, a name without blanks broken inside.
TEST_F(MessageBoxTest, IsAsWideAsItsContentNeedsUpToTheWorkArea) {
    const auto shownWidth = [](afMessageBox& shown) {
        shown.show();
        EXPECT_TRUE(pumpApp([&] {
            MSG msg;
            return !shown.isValidationPosted() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        })) << "the box's messages never settled";
        RECT frame = {};
        ::GetWindowRect(shown.getHandle(), &frame);
        return frame.right - frame.left;
    };
    const LONG narrowest = shownWidth(*box);
    EXPECT_EQ(afMessageBox::MINIMUM_WIDTH, box->getClientRect().width());
    box->closeNow();

    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (int count : {6, 40}) {
        std::unique_ptr<afMessageBox> wide(afMessageBox::createInstance(nullptr));
        std::vector<afControlButton*> added;
        for (int i = 0; i < count; ++i)
            added.push_back(wide->addButton(L"A rather long caption " + std::to_wstring(i), kYes, i == 0));
        const LONG width = shownWidth(*wide);
        EXPECT_GT(width, narrowest) << count << " buttons";
        EXPECT_LE(width, work.right - work.left) << count << " buttons stay on the screen";
        if (count == 6) {
            // Every caption whole: as wide as its text and its padding.
            for (afControlButton* button : added) {
                const auto canvas = button->createMeasuringCanvas();
                canvas->selectFont(button->getFont());
                const std::wstring caption = button->getText();
                const afRect& padding = button->getPadding();
                EXPECT_GE(button->getFrame().width(),
                          canvas->measureText(caption.c_str(), static_cast<int>(caption.size()), DT_SINGLELINE).cx +
                              padding.left + padding.right);
            }
        }
        RECT frame = {};
        ::GetWindowRect(wide->getHandle(), &frame);
        EXPECT_TRUE(frame.left >= work.left && frame.right <= work.right) << count << " buttons";
        wide->closeNow();
    }

    std::unique_ptr<afMessageBox> question(afMessageBox::createInstance(nullptr));
    question->setText(L"Save changes to `" + std::wstring(300, L'n') + L".txt` before closing?");
    question->addButton(L"OK", kYes, true);
    EXPECT_EQ(narrowest, shownWidth(*question)) << "a long name takes lines, not width";
    afLabel* text = question->getTextLabel();
    const auto canvas = text->createMeasuringCanvas();
    canvas->selectFont(text->getFont());
    EXPECT_GE(text->getMeasuredHeight(), 3 * afLabel::lineSpacing(*canvas)) << "the name is broken into lines";
    EXPECT_LE(text->getFrame().right, question->getClientRect().width());
    question->closeNow();
}

// The box's minimum and spacing are sizes at 96 DPI, scaled to the screen's.
TEST_F(MessageBoxTest, TheMinimumWidthFollowsTheScreensDpi) {
    box.reset();
    afDestroyStockResources();
    afStockEnvironment doubled;
    doubled.dpi = 192;
    afSetStockEnvironment(doubled);
    afCreateStockResources();
    EXPECT_EQ(2 * 500, afScaled(500));
    std::unique_ptr<afMessageBox> scaled(afMessageBox::createInstance(nullptr));
    scaled->addButton(L"OK", kYes, true);
    EXPECT_EQ(2 * afMessageBox::MINIMUM_WIDTH, scaled->getMinimumWidth());
    EXPECT_EQ(2 * 10, scaled->getButtonBlock()->getPadding().left);
    scaled->closeNow();
    scaled.reset();
    afDestroyStockResources();
    afSetStockEnvironment({});
    afCreateStockResources();
}

} // namespace
