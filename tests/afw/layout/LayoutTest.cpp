#include "afw/graphics/afCanvasRegion.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tessel_test;
using Spec = afViewMeasureSpec;

namespace {

TEST(LayoutBase, ChildSpecsFollowTheTableOfParentModesAndChildSizes) {
    // Parent specs of 300 less a padding of 20 leave 280; the columns are the child sizes.
    const int sizes[] = {100, -1, -2, -3};
    const uint32_t u = Spec::UNSPECIFIED, e = Spec::exactly(100);
    const uint32_t table[3][5] = {{Spec::make(300, u), e, u, u, u},
                                  {Spec::exactly(300), e, Spec::exactly(280), Spec::atMost(280), u},
                                  {Spec::atMost(300), e, Spec::atMost(280), Spec::atMost(280), u}};
    for (const auto& row : table)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(row[i + 1], afLayout::getChildMeasureSpec(row[0], 20, sizes[i])) << std::hex << row[0] << " " << i;
    // Sizes are read raw and sign-extended whatever the mode; the room never goes below 0.
    EXPECT_EQ(Spec::atMost(0), afLayout::getChildMeasureSpec(Spec::atMost(10), 30, -2));
    EXPECT_EQ(Spec::exactly(0), afLayout::getChildMeasureSpec(Spec::make(-5, Spec::EXACTLY), 0, -1));
    for (uint32_t mode : {0x20000000u, 0xC0000000u})
        EXPECT_EQ(L"Invalid afViewMeasureSpec mode specified.",
                  thrown([&] { afLayout::getChildMeasureSpec(mode | 300, 0, 100); }));
}

TEST(LayoutBase, AddsChildrenWithUsableParamsAndMovesThemBeforeTheChildAtTheIndex) {
    struct Case {
        int from, to;
        const char* order;
    } cases[] = {{0, 2, "BAC"}, {0, 3, "BCA"}, {0, 9, "BCA"}, {0, -1, "BCA"}, {2, 0, "CAB"}, {1, 1, "ABC"}};
    for (const Case& c : cases) {
        afLayoutLinear layout(nullptr, afLayoutLinear::VERTICAL);
        ProbeView* views[3] = {new ProbeView, new ProbeView, new ProbeView};
        views[0]->setLayoutParams(new afLayoutParams); // plain params: the linear defaults instead
        layout.addView(views[0]);
        layout.addChild(views[1], 40, -1);
        layout.addChild(views[2], new afLayoutParamsLinear(0, 10, 2.0));
        const afLayoutParamsLinear* first = views[0]->getLayoutParams()->asLinear();
        ASSERT_TRUE(first && first->width == -2 && first->height == -2 && first->gravity == -1);
        EXPECT_EQ(40, views[1]->getLayoutParams()->width);
        EXPECT_EQ(3, layout.getWindowlessChildCount());
        layout.layout();
        EXPECT_TRUE(layout.moveChild(views[c.from], c.to));
        EXPECT_TRUE(layout.getFlags() & afView::FLAG_LAYOUT_REQUESTED);
        std::string order;
        for (int i = 0; i < 3; ++i)
            order += static_cast<char>('A' + (std::find(views, views + 3, layout.getChildAt(i)) - views));
        EXPECT_EQ(c.order, order) << c.from << " to " << c.to;
        ProbeView stranger;
        EXPECT_FALSE(layout.moveChild(&stranger, 0));
    }
}

TEST(LayoutBase, HitsWindowlessShownChildrenEdgesIncluded) {
    afLayout layout(nullptr);
    auto *a = new ProbeView, *b = new ProbeView, *hidden = new ProbeView;
    for (ProbeView* view : {hidden, a, b})
        layout.addView(view);
    layout.setFrame(afRect(10, 20, 110, 70));
    a->setFrame(afRect(0, 0, 50, 50));
    b->setFrame(afRect(50, 0, 100, 50));
    hidden->setFrame(afRect(0, 0, 100, 50));
    hidden->setVisible(false);
    layout.scrollTo(5, 0); // points are in the parent's coordinates; the scroll moves the children
    const std::tuple<int, int, afView*> hits[] = {{105, 70, b},        {55, 30, a},       {56, 30, b}, {10, 20, a},
                                                  {110, 70, &layout}, {111, 30, nullptr}, {60, 71, nullptr}};
    for (const auto& hit : hits)
        EXPECT_EQ(std::get<2>(hit), layout.findViewAt(std::get<0>(hit), std::get<1>(hit))) << std::get<0>(hit);
}

class CountedWidget : public afTestWindow {
public:
    void draw(afCanvas&, const afRect*) override { ++draws; }
    int draws = 0;
};

TEST(LayoutBase, DrawsWindowlessChildrenInTheClipAndNeverWindowedOnes) {
    afTestWindow host; // no native window needed
    auto* layout = new afLayout(&host);
    host.setContentView(layout);
    auto* inside = new ProbeView(&host, RGB(255, 0, 0));
    auto* outside = new ProbeView(&host, RGB(0, 0, 255));
    auto* windowed = new CountedWidget;
    for (afView* view : std::initializer_list<afView*>{inside, outside, windowed})
        layout->addView(view);
    layout->setFrame(afRect(0, 0, 100, 50));
    inside->setFrame(afRect(0, 0, 40, 50));
    outside->setFrame(afRect(60, 0, 100, 50));
    DibSurface surface(100, 50, 0);
    afCanvasRegion clip(::CreateRectRgn(10, 0, 50, 50));
    auto canvas = afCanvas::fromDC(surface.dc());
    canvas->selectClip(&clip);
    layout->draw(*canvas, nullptr);
    EXPECT_EQ(0xFF0000u, surface.rgb(20, 10));
    EXPECT_EQ(0u, surface.rgb(80, 10)) << "a child outside the clip is skipped";
    EXPECT_EQ(0, windowed->draws);
    canvas->selectClip(nullptr);
    layout->scrollTo(30, 0); // children draw at their own origins, less the layout's scroll
    layout->draw(*canvas, nullptr);
    EXPECT_EQ(0x0000FFu, surface.rgb(35, 10));
    layout->removeView(windowed);
    delete windowed;
}

TEST(LayoutBase, ClipsChildrenToItsBoundsScrolledOrNot) {
    // A strip of a wide child beside a neighbour that draws nothing of its own, as a full tab
    // strip scrolled to its end beside the list button: the child stops at the strip's edge.
    afTestWindow host;
    auto* row = new afLayout(&host);
    host.setContentView(row);
    auto* strip = new afLayout(&host);
    auto* neighbour = new ProbeView(&host);
    row->addView(strip);
    row->addView(neighbour);
    auto* wide = new ProbeView(&host, RGB(255, 0, 0));
    strip->addView(wide);
    row->setFrame(afRect(0, 0, 100, 50));
    strip->setFrame(afRect(10, 5, 60, 45));
    neighbour->setFrame(afRect(60, 5, 100, 45));
    wide->setFrame(afRect(0, 0, 200, 40));
    for (int scroll : {0, 70}) {
        strip->scrollTo(scroll, 0);
        DibSurface surface(120, 50, 0);
        auto canvas = afCanvas::fromDC(surface.dc());
        row->draw(*canvas, nullptr);
        EXPECT_EQ(50 * 40, surface.count({10, 5, 60, 45}, 0xFF0000u)) << "the strip, scrolled by " << scroll;
        EXPECT_EQ(50 * 40, surface.count({0, 0, 120, 50}, 0xFF0000u)) << "nothing beyond it, scrolled by " << scroll;
        EXPECT_FALSE(canvas->clipRegion()) << "the clip is given back";
    }
}

} // namespace
