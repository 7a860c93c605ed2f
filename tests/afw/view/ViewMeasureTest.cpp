#include "afw/support/TestViews.h"
#include "afw/view/afInput.h"

#include <gtest/gtest.h>

using tessel_test::ProbeView;
using Spec = afViewMeasureSpec;

namespace {

TEST(MeasureSpec, ReadsModesAndSignedSizes) {
    EXPECT_EQ(-1, Spec::getSize(0x4FFFFFFF));
    EXPECT_EQ(80, Spec::getSize(Spec::atMost(80)));
    EXPECT_EQ(-5, Spec::getRawSize(Spec::make(-5, Spec::UNSPECIFIED)));
    for (uint32_t spec : {0x00000010u, 0x20000010u})
        EXPECT_THROW(Spec::getSize(spec), pel::InvalidArgumentException) << spec;
    const std::pair<uint32_t, int> resolved[] = {
        {Spec::atMost(80), 80}, {Spec::exactly(120), 120}, {Spec::UNSPECIFIED, 100}, {0x20000050, 100}};
    for (const auto& c : resolved)
        EXPECT_EQ(c.second, afView::resolveSize(100, c.first)) << std::hex << c.first;
}

TEST(Measure, SkipsUnchangedSpecsAndInsistsOnAMeasuredSize) {
    ProbeView view;
    view.measure(Spec::AT_MOST, Spec::AT_MOST); // the specs a new view holds
    EXPECT_EQ(0, view.measures);
    view.setMinimumSize(7, 9); // asks for a layout: measured again until laid out
    view.measure(Spec::AT_MOST, Spec::AT_MOST);
    view.layout();
    view.measure(Spec::AT_MOST, Spec::AT_MOST);
    EXPECT_EQ(1, view.measures);
    EXPECT_EQ(0, view.getMeasuredWidth());
    view.measure(Spec::UNSPECIFIED, Spec::exactly(30));
    EXPECT_EQ(2, view.measures);
    EXPECT_EQ(7, view.getMeasuredWidth());
    EXPECT_EQ(30, view.getMeasuredHeight());
    EXPECT_THROW(view.measure(Spec::exactly(1), 0x20000001), pel::InvalidArgumentException);

    view.setsDimension = false;
    try {
        view.measure(Spec::exactly(5), Spec::exactly(5));
        ADD_FAILURE() << "no exception";
    } catch (const pel::IllegalStateException& e) {
        EXPECT_EQ(L"Measured dimensions not set properly in onMeasure().", e.message);
    }
}

TEST(Layout, CallsTheHandlersOnlyForWhatChanged) {
    ProbeView view;
    view.setBackground(new afDrawable);
    afDrawable* background = view.getBackground();
    view.setBackground(background); // what it holds: kept
    ASSERT_EQ(background, view.getBackground());
    view.setFrame(afRect(0, 0, 50, 20));
    EXPECT_EQ(1, view.sizeChanges);
    EXPECT_EQ(1, view.layouts);
    view.setFrame(afRect(10, 10, 60, 30)); // moved only
    EXPECT_EQ(1, view.sizeChanges);
    EXPECT_EQ(1, view.layouts);
    EXPECT_EQ(afRect(0, 0, 50, 20), background->getBounds());
    view.measure(Spec::exactly(1), Spec::exactly(1));
    view.setFrame(afRect(10, 10, 60, 30)); // unchanged, but measured: laid out again
    EXPECT_EQ(2, view.layouts);
    EXPECT_FALSE(view.getFlags() & (afView::FLAG_LAYOUT_REQUESTED | afView::FLAG_MEASURED));

    pel::Object* tag = new pel::Object;
    view.setTag(tag, true);
    view.setTag(tag, true); // what it holds: not deleted
    EXPECT_EQ(tag, view.getTag());
}

TEST(Layout, RequestsFromSiblingsClimbOnce) {
    std::unique_ptr<ProbeView> root(new ProbeView);
    auto* row = new ProbeView;
    root->addView(row);
    auto *a = new ProbeView, *b = new ProbeView;
    row->addView(a);
    row->addView(b);
    a->setPadding(1, 2, 3, 4);
    b->setPadding(5);
    b->setPadding(afRect(5, 5, 5, 5)); // unchanged: no request
    EXPECT_EQ(1, root->requests);
    EXPECT_EQ(1, row->requests);
    EXPECT_EQ(1, b->requests);
    EXPECT_TRUE(root->getFlags() & afView::FLAG_LAYOUT_REQUESTED);
    EXPECT_EQ(afRect(1, 2, 3, 4), a->getPadding());
}

clock_t s_now = 0;

TEST(ClickCount, CountsQuickPressesOfOneButtonInThePlaceUpToSeven) {
    const afTickSource previous = afSetTickSource([] { return s_now; });
    const clock_t quick = static_cast<clock_t>(::GetDoubleClickTime()) / 2, late = 2 * quick + 1;
    const struct {
        UINT message;
        POINT at;
        clock_t after;
        int count;
    } presses[] = {
        {WM_LBUTTONDOWN, {100, 100}, 1000, 1}, {WM_LBUTTONDOWN, {101, 101}, quick, 2},
        {WM_LBUTTONUP, {101, 101}, 0, 2},      {WM_LBUTTONDOWN, {100, 100}, quick, 3},
        {WM_RBUTTONDOWN, {100, 100}, quick, 1}, {WM_RBUTTONDOWN, {100, 100}, quick, 2},
        {WM_RBUTTONDOWN, {140, 100}, quick, 1}, {WM_RBUTTONDOWN, {140, 100}, late, 1},
    };
    ProbeView view;
    for (const auto& press : presses) {
        s_now += press.after;
        afMouseEvent event;
        event.message.message = press.message;
        event.position = press.at;
        press.message == WM_LBUTTONUP ? view.stampClickCount(event) : view.countClick(event);
        EXPECT_EQ(press.count, event.getClickCount()) << &press - presses;
    }
    afMouseEvent event;
    event.message.message = WM_RBUTTONDOWN;
    event.position = {140, 100};
    for (int i = 0; i < 10; ++i)
        view.countClick(event);
    EXPECT_EQ(7, event.getClickCount());
    afSetTickSource(previous);
}

} // namespace
