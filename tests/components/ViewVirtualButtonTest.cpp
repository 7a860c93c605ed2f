#include "components/ViewVirtualButton.h"

#include "afw/graphics/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessel_test;

namespace {

class ViewVirtualButtonTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = openWindow(afRect(50, 50, 450, 350));
        auto* strip = new StackView(window.get(), true);
        window->setContentView(strip);
        button = new ViewVirtualButton(window.get());
        button->setLabel(L"Line:  ");
        button->setText(L"1");
        button->setClickHandler(ViewVirtualButton::ClickHandler::bind<ViewVirtualButtonTest, &ViewVirtualButtonTest::clicked>(this));
        strip->addView(sized(button, 120, 24));
        settle(*window);
    }
    void TearDown() override { ::DestroyWindow(window->getHandle()); }
    void clicked(ViewVirtualButton* from) { clicks += from == button; }
    void mouse(UINT message, int x, int y) {
        ::PostMessageW(window->getHandle(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
        settle(*window);
    }
    uint32_t cornerPixel() {
        DibSurface surface(120, 24);
        button->draw(*afCanvas::fromDC(surface.dc()), nullptr);
        return surface.rgb(2, 1);
    }

    std::unique_ptr<afTestWindow> window;
    ViewVirtualButton* button = nullptr;
    int clicks = 0;
};

TEST_F(ViewVirtualButtonTest, AClickInsideCallsTheHandlerOnceAndShowsThePress) {
    ASSERT_EQ(afRect(0, 0, 120, 24), button->getFrame());
    const uint32_t released = cornerPixel();
    mouse(WM_MOUSEMOVE, 10, 10);
    mouse(WM_LBUTTONDOWN, 10, 10);
    EXPECT_TRUE(button->isPressed());
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(ViewVirtualButton::PRESSED_COLOUR)), cornerPixel());
    EXPECT_EQ(0, clicks);
    mouse(WM_LBUTTONUP, 10, 10);
    EXPECT_EQ(1, clicks);
    EXPECT_FALSE(button->isPressed());
    EXPECT_EQ(released, cornerPixel());
}

TEST_F(ViewVirtualButtonTest, AClickOutsideOrAPressDraggedAwayDoesNothing) {
    mouse(WM_LBUTTONDOWN, 200, 10);
    mouse(WM_LBUTTONUP, 200, 10);
    EXPECT_FALSE(button->isPressed());
    mouse(WM_MOUSEMOVE, 10, 10);
    mouse(WM_LBUTTONDOWN, 10, 10);
    mouse(WM_MOUSEMOVE, 200, 10);
    mouse(WM_LBUTTONUP, 200, 10);
    EXPECT_FALSE(button->isPressed());
    EXPECT_EQ(0, clicks);
}

TEST_F(ViewVirtualButtonTest, OnlyANewTextAsksForALayout) {
    settle(*window);
    button->setText(L"1");
    EXPECT_FALSE(window->isValidationPosted()) << "an unchanged text";
    button->setText(L"12");
    EXPECT_TRUE(window->isValidationPosted());
    EXPECT_EQ(L"12", button->getText());
    EXPECT_EQ(L"ui.view.virtual.button", std::wstring(button->getContextKey()));
}

} // namespace
