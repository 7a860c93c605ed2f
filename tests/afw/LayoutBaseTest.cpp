#include "afw/afCanvasRegion.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

using namespace tessel_test;
using Spec = afViewMeasureSpec;

namespace {

TEST(ChildMeasureSpec, FollowsTheTableForEveryParentModeAndChildSize) {
    // Parent specs of 300 less a padding of 20 leave 280.
    const uint32_t u0 = Spec::make(0, Spec::UNSPECIFIED);
    struct Row {
        uint32_t parent;
        uint32_t child[4]; // for the child sizes 100, -1, -2, -3
    } rows[] = {
        {Spec::make(300, Spec::UNSPECIFIED), {Spec::exactly(100), u0, u0, u0}},
        {Spec::exactly(300), {Spec::exactly(100), Spec::exactly(280), Spec::atMost(280), u0}},
        {Spec::atMost(300), {Spec::exactly(100), Spec::atMost(280), Spec::atMost(280), u0}},
    };
    const int sizes[] = {100, -1, -2, -3};
    for (const Row& row : rows)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(row.child[i], afLayout::getChildMeasureSpec(row.parent, 20, sizes[i]))
                << std::hex << row.parent << " child " << std::dec << sizes[i];
    // Sizes are read raw and sign-extended whatever the mode; the room never goes below 0.
    EXPECT_EQ(Spec::atMost(0), afLayout::getChildMeasureSpec(Spec::atMost(10), 30, -2));
    EXPECT_EQ(Spec::exactly(0), afLayout::getChildMeasureSpec(Spec::make(-5, Spec::EXACTLY), 0, -1));
    for (uint32_t mode : {0x20000000u, 0xC0000000u})
        EXPECT_EQ(L"Invalid afViewMeasureSpec mode specified.",
                  thrown([&] { afLayout::getChildMeasureSpec(mode | 300, 0, 100); }));
}

TEST(LayoutBase, GivesChildrenParamsItCanUseAndCountsTheWindowlessOnes) {
    afLayoutLinear layout(nullptr, afLayoutLinear::HORIZONTAL);
    auto* plain = new ProbeView;
    plain->setLayoutParams(new afLayoutParams);
    layout.addView(plain); // plain params are replaced by the linear defaults
    const afLayoutParamsLinear* params = plain->getLayoutParams()->asLinear();
    ASSERT_NE(nullptr, params);
    EXPECT_EQ(-2, params->width);
    EXPECT_EQ(-2, params->height);
    EXPECT_EQ(-1, params->gravity);
    auto* sized = new ProbeView;
    layout.addChild(sized, 0, 40, -1);
    EXPECT_EQ(sized, layout.getChildAt(0));
    EXPECT_EQ(40, sized->getLayoutParams()->width);
    auto* weighted = new ProbeView;
    layout.addChild(weighted, new afLayoutParamsLinear(0, 10, 2.0));
    EXPECT_EQ(2.0, weighted->getLayoutParams()->asLinear()->weight);
    EXPECT_EQ(3, layout.getWindowlessChildCount());
    layout.removeView(plain);
    delete plain;
    EXPECT_EQ(2, layout.getWindowlessChildCount());
    EXPECT_TRUE(layout.getFlags() & afView::FLAG_LAYOUT_REQUESTED);
}

TEST(LayoutBase, MovesChildrenBeforeTheChildAtTheIndex) {
    struct Case {
        int from, to;
        const char* order;
    } cases[] = {
        {0, 2, "BAC"}, {0, 3, "BCA"}, {0, 9, "BCA"}, {0, -1, "BCA"}, {2, 0, "CAB"}, {1, 1, "ABC"}, {2, 2, "ABC"},
    };
    for (const Case& c : cases) {
        afLayout layout(nullptr);
        ProbeView* views[3];
        for (ProbeView*& view : views) {
            view = new ProbeView;
            layout.addView(view);
        }
        layout.layout();
        EXPECT_TRUE(layout.moveChild(views[c.from], c.to));
        std::string order;
        for (int i = 0; i < layout.getChildCount(); ++i)
            order += static_cast<char>('A' + (std::find(views, views + 3, layout.getChildAt(i)) - views));
        EXPECT_EQ(c.order, order) << c.from << " to " << c.to;
        EXPECT_TRUE(layout.getFlags() & afView::FLAG_LAYOUT_REQUESTED);
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
    layout.scrollTo(5, 0);
    // Parent coordinates: the layout's own edges count, its scroll moves the children.
    struct Hit {
        int x, y;
        afView* view;
    } hits[] = {{105, 70, b}, {55, 30, a}, {56, 30, b}, {10, 20, a}, {110, 70, &layout}, {111, 30, nullptr}, {60, 71, nullptr}};
    for (const Hit& hit : hits)
        EXPECT_EQ(hit.view, layout.findViewAt(hit.x, hit.y)) << hit.x << ", " << hit.y;
    b->setVisible(false);
    EXPECT_EQ(&layout, layout.findViewAt(105, 70));
}

class CountedPlatformView : public afTestWindow {
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
    auto* windowed = new CountedPlatformView;
    for (afView* view : {static_cast<afView*>(inside), static_cast<afView*>(outside), static_cast<afView*>(windowed)})
        layout->addView(view);
    inside->setFrame(afRect(0, 0, 40, 50));
    outside->setFrame(afRect(60, 0, 100, 50));
    layout->setFrame(afRect(0, 0, 100, 50));

    DibSurface surface(100, 50, 0);
    afCanvasRegion clip(::CreateRectRgn(10, 0, 50, 50));
    auto canvas = afCanvas::fromDC(surface.dc());
    canvas->selectClip(&clip);
    layout->draw(*canvas, nullptr);
    EXPECT_EQ(0xFF0000u, surface.rgb(20, 10));
    EXPECT_EQ(0u, surface.rgb(80, 10)) << "a child outside the clip is skipped";
    EXPECT_EQ(0, windowed->draws);
    // The children draw at their own origins, the layout's scroll taken off.
    canvas->selectClip(nullptr);
    layout->scrollTo(30, 0);
    layout->draw(*canvas, nullptr);
    EXPECT_EQ(0x0000FFu, surface.rgb(35, 10));
    layout->removeView(windowed);
    delete windowed;
}

} // namespace
