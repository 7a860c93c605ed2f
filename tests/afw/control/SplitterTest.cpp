#include "afw/control/afControlSplitter.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

// pane | splitter | side pane (the target: 150 wide, at least 100) in a horizontal linear layout.
class SplitterTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window.reset(new afTestWindow);
        layout = new afLayoutLinear(window.get(), afLayoutLinear::HORIZONTAL);
        window->setContentView(layout);
        window->build();
        pane = new ProbeView(window.get());
        side = new ProbeView(window.get());
        side->setMinimumSize(100, 0);
        splitter = afControlSplitter::createInstance(window.get(), side, afControlSplitter::SIDE_BY_SIDE);
        layout->addChild(pane, new afLayoutParamsLinear(0, -1, 1.0));
        layout->addChild(splitter, new afLayoutParamsLinear(6, -1));
        layout->addChild(side, new afLayoutParamsLinear(150, -1));
        window->setFrame(afRect(0, 0, 600, 200));
        window->setShown(true, true);
        settle(*window);
    }

    // The mouse message at x of the layout, through the splitter's window.
    void mouse(UINT message, int x) {
        afRect origin;
        layout->getOrigin(&origin);
        POINT point = {origin.left + x, origin.top + 10};
        ::ClientToScreen(window->getHandle(), &point);
        ::ScreenToClient(splitter->getHandle(), &point);
        ::SendMessageW(splitter->getHandle(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                       MAKELPARAM(point.x, point.y));
        settle(*window);
    }
    int centre() const {
        const afRect frame = splitter->getFrame();
        return (frame.left + frame.right) / 2;
    }
    // Drags the splitter so the target would be size wide.
    void dragTo(int size) {
        const int right = layout->getFrame().width();
        mouse(WM_LBUTTONDOWN, centre());
        mouse(WM_MOUSEMOVE, right - size - 3);
        mouse(WM_LBUTTONUP, right - size - 3);
    }
    void doubleClick() {
        afMouseEvent event;
        event.setClickCount(2);
        EXPECT_TRUE(splitter->onMouseDown(event));
        settle(*window);
    }

    std::unique_ptr<afTestWindow> window;
    afLayoutLinear* layout = nullptr;
    ProbeView *pane = nullptr, *side = nullptr;
    afControlSplitter* splitter = nullptr;
};

TEST_F(SplitterTest, DraggingResizesCollapsesAndRestoresTheTarget) {
    ASSERT_EQ(150, side->getFrame().width());
    dragTo(120);
    EXPECT_EQ(120, side->getFrame().width());
    EXPECT_EQ(120, splitter->getPosition()) << "a size, never a coordinate";

    // Below its minimum the side pane collapses, and comes back at the width it had.
    dragTo(60);
    EXPECT_TRUE(splitter->isTargetCollapsed());
    EXPECT_EQ(120, splitter->getPosition());
    doubleClick();
    EXPECT_FALSE(splitter->isTargetCollapsed());
    EXPECT_EQ(120, side->getFrame().width());
    doubleClick();
    EXPECT_TRUE(splitter->isTargetCollapsed());

    // Dragged out of a collapsed state past the minimum it shows at the dragged width.
    dragTo(130);
    EXPECT_FALSE(splitter->isTargetCollapsed());
    EXPECT_EQ(130, side->getFrame().width());

    // It never passes the far edge of the other pane.
    mouse(WM_LBUTTONDOWN, centre());
    mouse(WM_MOUSEMOVE, -500);
    EXPECT_EQ(pane->getFrame().left, splitter->getLowerBound());
    EXPECT_EQ(splitter->getLowerBound(), splitter->getFrame().left);
    mouse(WM_LBUTTONUP, -500);
    EXPECT_FALSE(splitter->isDragging());

    splitter->setPosition(10);
    EXPECT_EQ(100, side->getLayoutParams()->width);
    EXPECT_EQ(10, splitter->getPosition());
}

TEST_F(SplitterTest, OutsideALinearLayoutADirectCallThrowsAndAMessageOnlyReports) {
    layout->removeView(splitter);
    auto* stack = new StackView(window.get());
    layout->addChild(stack, 50, 50);
    stack->addView(splitter);
    afMouseEvent event;
    EXPECT_EQ(L"afControlSplitter can only be used with linear layouts.", thrown([&] { splitter->onMouseDown(event); }));
    ErrorRecorder errors;
    ::SendMessageW(splitter->getHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ((std::vector<std::wstring>{L"afControlSplitter can only be used with linear layouts."}), errors.texts);
}

TEST_F(SplitterTest, ItDrawsItsThreeColoursAndItsEdges) {
    const uint32_t face = DibSurface::pixelOf(afGetStockColour(4));
    const uint32_t shadow = DibSurface::pixelOf(afGetStockColour(6));
    const uint32_t red = 0xFF0000;
    splitter->setHiddenColour(RGB(255, 0, 0));
    auto probe = [&](int x, int y) {
        DibSurface surface(10, 200, 0x123456);
        splitter->onDraw(*afCanvas::fromDC(surface.dc()), nullptr);
        return surface.rgb(x, y);
    };
    EXPECT_EQ(face, probe(3, 50));
    splitter->setTargetShown(false);
    EXPECT_EQ(red, probe(3, 50));
    splitter->setTargetShown(true);
    mouse(WM_MOUSEMOVE, centre());
    EXPECT_EQ(shadow, probe(3, 50)) << "hover";
    ::SendMessageW(splitter->getHandle(), WM_MOUSELEAVE, 0, 0);
    splitter->setEdgeMask(afControlSplitter::EDGE_LEFT | afControlSplitter::EDGE_TOP | afControlSplitter::EDGE_RIGHT |
                          afControlSplitter::EDGE_BOTTOM);
    const afRect frame = splitter->getFrame();
    const int right = frame.width() - 1, bottom = frame.height() - 1;
    EXPECT_EQ((std::vector<uint32_t>{shadow, shadow, shadow, shadow, face}),
              (std::vector<uint32_t>{probe(0, 50), probe(3, 0), probe(right, 50), probe(3, bottom), probe(2, 50)}));
}

} // namespace
