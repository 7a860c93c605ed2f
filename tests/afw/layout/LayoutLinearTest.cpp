#include "afw/layout/afLayoutLinear.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <random>

using namespace tessel_test;
using Spec = afViewMeasureSpec;
using Linear = afLayoutLinear;
using Params = afLayoutParamsLinear;

namespace {

// Adds the view with the params and margins (left, top, right, bottom).
template <class View>
View* add(Linear& layout, View* view, Params* params, const afRect& margins = afRect()) {
    params->leftMargin = margins.left;
    params->topMargin = margins.top;
    params->rightMargin = margins.right;
    params->bottomMargin = margins.bottom;
    layout.addChild(view, params);
    return view;
}

// A leaf of a natural size.
LeafView* leaf(Linear& layout, int width, int height, Params* params, const afRect& margins = afRect()) {
    return add(layout, new LeafView(nullptr, width, height), params, margins);
}

void pass(Linear& layout, uint32_t widthSpec, uint32_t heightSpec) {
    layout.measure(widthSpec, heightSpec);
    layout.setFrame(afRect(0, 0, layout.getMeasuredWidth(), layout.getMeasuredHeight()));
}

TEST(LayoutLinear, SharesExtraRoomByWeightAndFillsTheCrossAxis) {
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
    EXPECT_EQ(afRect(100, 0, 100, 20), b->getFrame());
    // Rounding remainders go to the later children.
    Linear halves(nullptr, Linear::HORIZONTAL);
    LeafView* first = leaf(halves, 5, 5, new Params(0, -2, 1.0));
    LeafView* second = leaf(halves, 5, 5, new Params(0, -2, 1.0));
    pass(halves, Spec::exactly(101), Spec::atMost(50));
    EXPECT_EQ(50, first->getMeasuredWidth());
    EXPECT_EQ(51, second->getMeasuredWidth());
    // A child filling the cross axis is measured again at the size the others give it.
    Linear filled(nullptr, Linear::HORIZONTAL);
    filled.setPadding(2, 3, 2, 5);
    LeafView* filling = leaf(filled, 30, 10, new Params(30, -1));
    leaf(filled, 30, 40, new Params(30, -2));
    pass(filled, Spec::atMost(500), Spec::atMost(300));
    EXPECT_EQ(48, filled.getMeasuredHeight());
    EXPECT_EQ(Spec::exactly(40), filling->measuredWith.back().second);
    EXPECT_EQ(afRect(2, 3, 32, 43), filling->getFrame());
}

TEST(LayoutLinear, HidesAndAlignsChildren) {
    Linear row(nullptr, Linear::HORIZONTAL);
    LeafView* hidden = leaf(row, 50, 10, new Params(50, -2), afRect(5, 0, 0, 0));
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
    const auto row = [&](int height, double weight, int top) {
        return add(form, new Linear(nullptr, Linear::HORIZONTAL), new Params(-1, height, weight), afRect(0, top, 0, 0));
    };
    // A label centred beside a field taking the rest of the row.
    const auto field = [](Linear* line, int height) {
        LeafView* label = leaf(*line, 80, 20, new Params(80, -2, 0.0, afLayout::GRAVITY_CENTER_VERTICAL));
        return std::make_pair(label, leaf(*line, 50, height, new Params(0, -2, 1.0), afRect(8, 0, 0, 0)));
    };
    Linear *first = row(-2, 0.0, 0), *second = row(0, 1.0, 6), *buttons = row(-2, 0.0, 6);
    const auto name = field(first, 24), text = field(second, 60);
    LeafView* spacer = leaf(*buttons, 0, 0, new Params(0, 0, 1.0));
    LeafView* ok = leaf(*buttons, 75, 25, new Params(75, -2), afRect(6, 0, 0, 0));
    LeafView* cancel = leaf(*buttons, 75, 25, new Params(75, -2), afRect(6, 0, 0, 0));
    pass(form, Spec::exactly(400), Spec::exactly(300));
    const std::pair<afView*, afRect> golden[] = {
        {first, {10, 10, 390, 34}},     {second, {10, 40, 390, 259}},    {buttons, {10, 265, 390, 290}},
        {name.first, {0, 2, 80, 22}},   {name.second, {88, 0, 380, 24}}, {text.first, {0, 99, 80, 119}},
        {text.second, {88, 0, 380, 60}}, {spacer, {0, 0, 218, 0}},       {ok, {224, 0, 299, 25}},
        {cancel, {305, 0, 380, 25}}};
    for (const auto& frame : golden)
        EXPECT_EQ(frame.second, frame.first->getFrame()) << "child " << (&frame - golden);
}

afRect transposed(const RECT& r) {
    return afRect(r.top, r.left, r.bottom, r.right);
}

// Random rows of weights, margins, gravity and hidden children, each also laid out as a column
// (every size, margin and gravity transposed), which must give the transposed frames.
TEST(LayoutLinear, KeepsChildrenInOrderAndInsideOverRandomLayouts) {
    std::mt19937 random(43);
    const auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const int gravities[] = {-1, 0x11, 0x33, 0x55, 0x15, 0x51, 0x13};
    const auto flip = [](int g) { return g < 0 ? g : (g & 7) << 4 | (g & 0x70) >> 4; };
    for (int run = 0; run < 2000; ++run) {
        Linear row(nullptr, Linear::HORIZONTAL), column(nullptr, Linear::VERTICAL);
        const afRect padding(between(0, 6), between(0, 6), between(0, 6), between(0, 6));
        const int gravity = gravities[between(1, 6)];
        row.setPadding(padding);
        column.setPadding(transposed(padding));
        row.setGravity(gravity);
        column.setGravity(flip(gravity));
        std::vector<std::pair<LeafView*, LeafView*>> views;
        for (int i = between(1, 8); i > 0; --i) {
            const bool weighted = between(0, 3) == 0;
            // Widths: weighted ones of 0 or more, others also -2 and -1; margins across even, since
            // centring with uneven ones may leave the room by design.
            const int width = weighted ? between(0, 1) * between(0, 30) : between(-2, 50), height = between(-2, 40);
            const int across = between(0, 4), w = between(0, 60), h = between(0, 60), g = gravities[between(0, 6)];
            const afRect margins(between(0, 5), across, between(0, 5), across);
            const double weight = weighted ? between(1, 30) / 10.0 : 0.0;
            views.emplace_back(leaf(row, w, h, new Params(width, height, weight, g), margins),
                               leaf(column, h, w, new Params(height, width, weight, flip(g)), transposed(margins)));
            const bool shown = between(0, 6) != 0;
            views.back().first->setVisible(shown);
            views.back().second->setVisible(shown);
        }
        const bool exact = between(0, 1) == 1;
        const int width = between(50, 400), height = between(50, 300);
        const uint32_t widthSpec = exact ? Spec::exactly(width) : Spec::atMost(width);
        const uint32_t heightSpec = between(0, 1) ? Spec::exactly(height) : Spec::atMost(height);
        pass(row, widthSpec, heightSpec);
        pass(column, heightSpec, widthSpec);

        const afRect bounds(0, 0, row.getMeasuredWidth(), row.getMeasuredHeight());
        bool fits = row.getTotalLength() <= bounds.right, weighted = false;
        const afView* previous = nullptr;
        for (const auto& pair : views) {
            const afRect frame = pair.first->getFrame();
            ASSERT_EQ(transposed(frame), pair.second->getFrame()) << "a column mirrors its row, run " << run;
            if (!pair.first->isVisible())
                continue;
            const afLayoutParams& p = *pair.first->getLayoutParams();
            weighted = weighted || p.asLinear()->weight > 0;
            fits = fits && frame.height() + p.topMargin + p.bottomMargin + padding.top + padding.bottom <= bounds.bottom;
            if (previous) {
                ASSERT_EQ(previous->getLayoutParams()->rightMargin + p.leftMargin,
                          frame.left - const_cast<afView*>(previous)->getFrame().right)
                    << "in order without overlap, run " << run;
            }
            previous = pair.first;
        }
        if (exact && weighted && row.getTotalLength() <= width) {
            ASSERT_EQ(width, const_cast<afView*>(previous)->getFrame().right +
                                 previous->getLayoutParams()->rightMargin + padding.right)
                << "weighted children fill an exact width, run " << run;
        }
        for (const auto& pair : views) {
            const afRect f = pair.first->getFrame();
            if (fits && pair.first->isVisible()) {
                ASSERT_TRUE(f.left >= 0 && f.top >= 0 && f.right <= bounds.right && f.bottom <= bounds.bottom)
                    << "inside the layout when everything fits, run " << run;
            }
        }
    }
}

} // namespace
