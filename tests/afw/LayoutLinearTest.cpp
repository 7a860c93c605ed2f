#include "afw/layout/afLayoutLinear.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <random>

using namespace tessel_test;
using Spec = afViewMeasureSpec;
using Linear = afLayoutLinear;
using Params = afLayoutParamsLinear;

namespace {

// A leaf of a natural size added with the params.
LeafView* leaf(Linear& layout, int width, int height, Params* params) {
    auto* view = new LeafView(nullptr, width, height);
    layout.addChild(view, params);
    return view;
}

void pass(Linear& layout, uint32_t widthSpec, uint32_t heightSpec) {
    layout.measure(widthSpec, heightSpec);
    layout.setFrame(afRect(0, 0, layout.getMeasuredWidth(), layout.getMeasuredHeight()));
    layout.layout();
}

TEST(LayoutLinear, SharesExtraRoomByWeight) {
    // A weighted child of no width under an exact width is measured once, at its share.
    Linear row(nullptr, Linear::HORIZONTAL);
    leaf(row, 100, 20, new Params(100, -2));
    LeafView* b = leaf(row, 10, 20, new Params(0, -2, 1.0));
    pass(row, Spec::exactly(500), Spec::atMost(300));
    ASSERT_EQ(1u, b->measuredWith.size());
    EXPECT_EQ(Spec::exactly(400), b->measuredWith[0].first);
    EXPECT_EQ(afRect(100, 0, 500, 20), b->getFrame());
    // Shrunk to no extra room, it still gets its share: 0, not the 400 it had.
    pass(row, Spec::exactly(100), Spec::atMost(300));
    EXPECT_EQ(0, b->getMeasuredWidth());
    EXPECT_EQ(afRect(100, 0, 100, 20), b->getFrame());

    // Rounding remainders go to the later children.
    Linear halves(nullptr, Linear::HORIZONTAL);
    LeafView* first = leaf(halves, 5, 5, new Params(0, -2, 1.0));
    LeafView* second = leaf(halves, 5, 5, new Params(0, -2, 1.0));
    pass(halves, Spec::exactly(101), Spec::atMost(50));
    EXPECT_EQ(50, first->getMeasuredWidth());
    EXPECT_EQ(51, second->getMeasuredWidth());
}

TEST(LayoutLinear, MeasuresChildrenFillingTheCrossAxisAgainAtItsSize) {
    Linear row(nullptr, Linear::HORIZONTAL);
    row.setPadding(2, 3, 2, 5);
    LeafView* filling = leaf(row, 30, 10, new Params(30, -1));
    leaf(row, 30, 40, new Params(30, -2));
    pass(row, Spec::atMost(500), Spec::atMost(300));
    EXPECT_EQ(48, row.getMeasuredHeight());
    EXPECT_EQ(64, row.getMeasuredWidth());
    EXPECT_EQ(Spec::exactly(40), filling->measuredWith.back().second);
    EXPECT_EQ(afRect(2, 3, 32, 43), filling->getFrame());
}

TEST(LayoutLinear, HidesAndAlignsChildren) {
    Linear row(nullptr, Linear::HORIZONTAL);
    LeafView* hidden = leaf(row, 50, 10, new Params(50, -2));
    hidden->getLayoutParams()->leftMargin = 5;
    hidden->setVisible(false);
    hidden->setFrame(afRect(1, 2, 3, 4));
    LeafView* wide = leaf(row, 160, 10, new Params(160, -2, 0.0, afLayout::GRAVITY_BOTTOM));
    row.setGravity(afLayout::GRAVITY_CENTER_HORIZONTAL); // the vertical part becomes top
    EXPECT_EQ(0x31, row.getGravity());
    pass(row, Spec::exactly(100), Spec::exactly(30));
    EXPECT_EQ(160, row.getTotalLength()) << "a hidden child takes no room, margins included";
    EXPECT_EQ(afRect(1, 2, 3, 4), hidden->getFrame());
    EXPECT_EQ(afRect(-30, 20, 130, 30), wide->getFrame()) << "centred overflow starts before 0";
    row.setGravity(0x05);
    EXPECT_EQ(0x35, row.getGravity());
}

TEST(LayoutLinear, LaysOutAThreeRowFormToTheGoldenFrames) {
    Linear form(nullptr, Linear::VERTICAL);
    form.setPadding(10);
    const auto row = [&](int height, double weight) {
        auto* view = new Linear(nullptr, Linear::HORIZONTAL);
        auto* params = new Params(-1, height, weight);
        params->topMargin = form.getChildCount() ? 6 : 0;
        form.addChild(view, params);
        return view;
    };
    const auto field = [](Linear* line, int height) {
        LeafView* label = leaf(*line, 80, 20, new Params(80, -2, 0.0, afLayout::GRAVITY_CENTER_VERTICAL));
        auto* params = new Params(0, -2, 1.0);
        params->leftMargin = 8;
        return std::make_pair(label, leaf(*line, 50, height, params));
    };
    Linear *first = row(-2, 0.0), *second = row(0, 1.0), *buttons = row(-2, 0.0);
    const auto name = field(first, 24), text = field(second, 60);
    LeafView* spacer = leaf(*buttons, 0, 0, new Params(0, 0, 1.0));
    LeafView* ok = leaf(*buttons, 75, 25, new Params(75, -2));
    LeafView* cancel = leaf(*buttons, 75, 25, new Params(75, -2));
    ok->getLayoutParams()->leftMargin = cancel->getLayoutParams()->leftMargin = 6;
    pass(form, Spec::exactly(400), Spec::exactly(300));

    const std::pair<afView*, afRect> golden[] = {
        {first, {10, 10, 390, 34}},     {second, {10, 40, 390, 259}},   {buttons, {10, 265, 390, 290}},
        {name.first, {0, 2, 80, 22}},   {name.second, {88, 0, 380, 24}}, {text.first, {0, 99, 80, 119}},
        {text.second, {88, 0, 380, 60}}, {spacer, {0, 0, 218, 0}},      {ok, {224, 0, 299, 25}},
        {cancel, {305, 0, 380, 25}},
    };
    for (const auto& frame : golden)
        EXPECT_EQ(frame.second, frame.first->getFrame()) << "child " << (&frame - golden);
    EXPECT_EQ(300, form.getTotalLength());
}

// Random rows and columns: weights, margins, gravity and hidden children.
TEST(LayoutLinear, KeepsChildrenInOrderAndInsideOverRandomLayouts) {
    std::mt19937 random(43);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const int gravities[] = {-1, 0x11, 0x33, 0x55, 0x15, 0x51};
    for (int run = 0; run < 2000; ++run) {
        const bool horizontal = between(0, 1) == 1;
        Linear layout(nullptr, horizontal ? Linear::HORIZONTAL : Linear::VERTICAL);
        layout.setPadding(between(0, 6), between(0, 6), between(0, 6), between(0, 6));
        layout.setGravity(gravities[between(1, 5)]);
        std::vector<LeafView*> views;
        for (int i = between(1, 8); i > 0; --i) {
            const int kind = between(0, 3);
            auto* params = new Params(between(0, 50), between(-2, 40), kind == 3 ? between(1, 30) / 10.0 : 0.0,
                                      gravities[between(0, 5)]);
            int& along = horizontal ? params->width : params->height;
            along = kind == 1 ? -2 : kind == 2 ? between(0, 50) : kind == 3 ? between(0, 1) * between(0, 30) : along;
            int& across = horizontal ? params->height : params->width;
            across = between(-2, 40);
            // Margins across are even: centring with uneven ones may leave the room by design.
            const int crossMargin = between(0, 4), before = between(0, 5), after = between(0, 5);
            (horizontal ? params->leftMargin : params->topMargin) = before;
            (horizontal ? params->rightMargin : params->bottomMargin) = after;
            (horizontal ? params->topMargin : params->leftMargin) = crossMargin;
            (horizontal ? params->bottomMargin : params->rightMargin) = crossMargin;
            views.push_back(leaf(layout, between(0, 60), between(0, 60), params));
            views.back()->setVisible(between(0, 6) != 0);
        }
        const bool exact = between(0, 1) == 1;
        const int length = between(50, 400), thickness = between(50, 300);
        const uint32_t mainSpec = exact ? Spec::exactly(length) : Spec::atMost(length);
        const uint32_t crossSpec = between(0, 1) ? Spec::exactly(thickness) : Spec::atMost(thickness);
        pass(layout, horizontal ? mainSpec : crossSpec, horizontal ? crossSpec : mainSpec);

        const afRect& padding = layout.getPadding();
        const int extent = horizontal ? layout.getMeasuredWidth() : layout.getMeasuredHeight();
        const int crossExtent = horizontal ? layout.getMeasuredHeight() : layout.getMeasuredWidth();
        const int crossPadding = horizontal ? padding.top + padding.bottom : padding.left + padding.right;
        bool fits = layout.getTotalLength() <= extent, weighted = false;
        const afView* previous = nullptr;
        for (const LeafView* view : views) {
            if (!view->isVisible())
                continue;
            const afLayoutParams& p = *view->getLayoutParams();
            const afRect frame = const_cast<LeafView*>(view)->getFrame();
            weighted = weighted || p.asLinear()->weight > 0;
            const int crossSize = horizontal ? frame.height() + p.topMargin + p.bottomMargin
                                             : frame.width() + p.leftMargin + p.rightMargin;
            fits = fits && crossSize + crossPadding <= crossExtent;
            if (previous) {
                const afRect last = const_cast<afView*>(previous)->getFrame();
                const afLayoutParams& q = *previous->getLayoutParams();
                const int gap = horizontal ? frame.left - last.right : frame.top - last.bottom;
                ASSERT_EQ(horizontal ? q.rightMargin + p.leftMargin : q.bottomMargin + p.topMargin, gap) << "run " << run;
            }
            previous = view;
        }
        if (exact && weighted && layout.getTotalLength() <= length) {
            const afRect last = const_cast<afView*>(previous)->getFrame();
            const afLayoutParams& q = *previous->getLayoutParams();
            const int end = horizontal ? last.right + q.rightMargin + padding.right
                                       : last.bottom + q.bottomMargin + padding.bottom;
            ASSERT_EQ(length, end) << "weighted children fill an exact length, run " << run;
        }
        if (!fits)
            continue;
        for (LeafView* view : views) {
            const afRect frame = view->getFrame();
            if (!view->isVisible())
                continue;
            ASSERT_TRUE(frame.left >= 0 && frame.top >= 0 && frame.right <= layout.getMeasuredWidth() &&
                            frame.bottom <= layout.getMeasuredHeight())
                    << "run " << run;
        }
    }
}

} // namespace
