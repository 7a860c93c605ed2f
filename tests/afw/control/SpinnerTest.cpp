#include "afw/control/afSpinner.h"
#include "afw/graphics/afCanvas.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"
#include "afw/view/afViewMeasureSpec.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessel_test;
using Spec = afViewMeasureSpec;

namespace {

class SpinnerTest : public ::testing::Test {
protected:
    void SetUp() override { afSetModuleInstance(::GetModuleHandleW(nullptr)); }
    // One tick of the spinner's timer, as its thread timer would deliver it.
    static void tick(afSpinner& spinner) {
        afViewTimer::procedure(nullptr, WM_TIMER, spinner.getTimer().getId(), 0);
    }
};

TEST_F(SpinnerTest, FramesLiveFromTheFirstSpinnerToTheLast) {
    EXPECT_EQ(nullptr, afSpinner::getFrameIcon(0));
    auto first = std::make_unique<afSpinner>(nullptr);
    const HICON icon = afSpinner::getFrameIcon(7);
    ASSERT_NE(nullptr, icon);
    EXPECT_TRUE(first->getTimer().isRunning());
    EXPECT_EQ(50u, first->getTimer().getInterval());
    {
        afSpinner second(nullptr);
        EXPECT_EQ(icon, afSpinner::getFrameIcon(7)) << "shared, not loaded again";
        EXPECT_EQ(2, afSpinner::getLivingCount());
    }
    EXPECT_EQ(icon, afSpinner::getFrameIcon(7)) << "the first still draws";
    first.reset();
    EXPECT_EQ(0, afSpinner::getLivingCount());
    EXPECT_EQ(nullptr, afSpinner::getFrameIcon(7));
}

TEST_F(SpinnerTest, EachTickAdvancesTheFrameModuloEight) {
    afSpinner spinner(nullptr);
    for (int i = 1; i <= 9; ++i) {
        tick(spinner);
        EXPECT_EQ(i % 8, spinner.getFrame());
    }
    EXPECT_TRUE(spinner.getTimer().isRunning());
}

TEST_F(SpinnerTest, MeasuresSixteenPlusPaddingUnderEveryMode) {
    afSpinner spinner(nullptr);
    spinner.setPadding(2, 3, 4, 5);
    const struct {
        uint32_t widthSpec, heightSpec;
        int width, height;
    } cases[] = {
        {Spec::UNSPECIFIED, Spec::UNSPECIFIED, 22, 24},
        {Spec::exactly(40), Spec::exactly(7), 40, 7},
        {Spec::atMost(10), Spec::atMost(100), 10, 24},
        {0xC0000000u | 5, 0xC0000000u | 5, 22, 24}, // an unknown mode: the desired size
    };
    for (const auto& c : cases) {
        spinner.onMeasure(c.widthSpec, c.heightSpec);
        EXPECT_EQ(c.width, spinner.getMeasuredWidth()) << std::hex << c.widthSpec;
        EXPECT_EQ(c.height, spinner.getMeasuredHeight()) << std::hex << c.heightSpec;
    }
}

TEST_F(SpinnerTest, DrawsTheFrameCentredInThePaddedRectangle) {
    afSpinner spinner(nullptr);
    spinner.setPadding(4, 2, 0, 0);
    spinner.setFrame(afRect(0, 0, 41, 30));
    tick(spinner);
    tick(spinner);
    DibSurface drawn(41, 30), expected(41, 30);
    spinner.onDraw(*afCanvas::fromDC(drawn.dc()), nullptr);
    // Padded rectangle (4, 2)-(41, 30): 37 x 28, the icon at 4 + 21/2, 2 + 12/2.
    ::DrawIconEx(expected.dc(), 14, 8, afSpinner::getFrameIcon(2), 16, 16, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 41; ++x)
            ASSERT_EQ(expected.rgb(x, y), drawn.rgb(x, y)) << x << "," << y;
    EXPECT_NE(41 * 30, drawn.count(afRect(0, 0, 41, 30), 0xFFFFFF)) << "something was drawn";
}

} // namespace
