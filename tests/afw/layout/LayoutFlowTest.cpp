#include "afw/layout/afLayoutFlow.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using Spec = afViewMeasureSpec;

namespace {

LeafView* leaf(afLayoutFlow& flow, int width, int height, int leftMargin = 0) {
    auto* view = new LeafView(nullptr, width, height);
    flow.addChild(view, afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
    view->getLayoutParams()->leftMargin = leftMargin;
    return view;
}

void pass(afLayoutFlow& flow, uint32_t widthSpec) {
    flow.measure(widthSpec, Spec::make(0, Spec::UNSPECIFIED));
    flow.setFrame(afRect(0, 0, flow.getMeasuredWidth(), flow.getMeasuredHeight()));
}

// The children stay in one row while it is wide enough, and take more rows where it is not: a row as tall as its tallest child, its children centred in it, the rows at
// the layout's side.
TEST(LayoutFlow, StartsAnotherRowWhereTheNextChildWouldNotFit) {
    afLayoutFlow flow(nullptr);
    flow.setGravity(afLayout::GRAVITY_RIGHT);
    flow.setPadding(2, 1, 2, 1);
    LeafView* a = leaf(flow, 40, 10);
    LeafView* b = leaf(flow, 50, 16, 4);
    LeafView* c = leaf(flow, 30, 10);
    pass(flow, Spec::atMost(500));
    EXPECT_EQ(1, flow.getRowCount());
    EXPECT_EQ(128, flow.getMeasuredWidth());
    EXPECT_EQ(18, flow.getMeasuredHeight());
    EXPECT_EQ(afRect(2, 4, 42, 14), a->getFrame());
    EXPECT_EQ(afRect(46, 1, 96, 17), b->getFrame());
    EXPECT_EQ(afRect(96, 4, 126, 14), c->getFrame());

    // 100 pixels: a and b (94) on the first row, c on the second, each row at the right.
    pass(flow, Spec::exactly(100));
    EXPECT_EQ(2, flow.getRowCount());
    EXPECT_EQ(100, flow.getMeasuredWidth());
    EXPECT_EQ(28, flow.getMeasuredHeight());
    EXPECT_EQ(afRect(4, 4, 44, 14), a->getFrame());
    EXPECT_EQ(afRect(48, 1, 98, 17), b->getFrame());
    EXPECT_EQ(afRect(68, 17, 98, 27), c->getFrame());

    // Narrower than the children: each takes a row of its own and the room there; a hidden child
    // takes none.
    c->setVisible(false);
    pass(flow, Spec::atMost(30));
    EXPECT_EQ(2, flow.getRowCount());
    EXPECT_EQ(30, flow.getMeasuredWidth());
    EXPECT_EQ(28, flow.getMeasuredHeight());
    EXPECT_EQ(26, a->getFrame().width());
    EXPECT_EQ(22, b->getFrame().width()) << "its margin taken first";
    EXPECT_GT(b->getFrame().top, a->getFrame().top);

    // Unlimited, everything in one row, at the left by default.
    afLayoutFlow left(nullptr);
    LeafView* d = leaf(left, 10, 5);
    LeafView* e = leaf(left, 10, 5);
    pass(left, Spec::make(0, Spec::UNSPECIFIED));
    EXPECT_EQ(1, left.getRowCount());
    EXPECT_EQ(afRect(0, 0, 10, 5), d->getFrame());
    EXPECT_EQ(afRect(10, 0, 20, 5), e->getFrame());
}

} // namespace
