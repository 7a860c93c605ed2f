#include "components/Hint.h"

#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessel_test;

namespace {

class HintTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        parent = openWindow(afRect(50, 50, 450, 350));
        hint.reset(Hint::create(parent.get()));
        ASSERT_NE(nullptr, hint);
    }
    void TearDown() override {
        hint->closeNow();
        hint.reset();
        ::DestroyWindow(parent->getHandle());
        afApp::shutdown();
    }
    afRect frame() const {
        afRect rect;
        ::GetWindowRect(hint->getHandle(), &rect);
        return rect;
    }

    std::unique_ptr<afTestWindow> parent;
    std::unique_ptr<Hint> hint;
};

TEST_F(HintTest, SizesItselfToTheWidestLine) {
    EXPECT_EQ(nullptr, Hint::create(nullptr));
    EXPECT_NE(nullptr, hint->getBackground()) << "drawn on the image pack's entry 0";
    hint->addText(L"source.c++");
    hint->addText(L"meta.function.c++ entity.name.function");
    hint->addText(L"x");
    hint->showAt(100, 100);
    EXPECT_TRUE(hint->isShown());
    const afRect three = frame();
    EXPECT_EQ(100, three.left);
    EXPECT_EQ(hint->measure().cx, three.width());
    EXPECT_EQ(hint->measure().cy, three.height());

    hint->clear();
    hint->addText(L"meta.function.c++ entity.name.function");
    EXPECT_EQ((std::vector<std::wstring>{L"meta.function.c++ entity.name.function"}), hint->getLines());
    const afRect one = frame();
    EXPECT_EQ(three.width(), one.width()) << "the widest line sets the width";
    EXPECT_LT(one.height(), three.height());
    hint->hide();
    EXPECT_FALSE(hint->isShown());
}

TEST_F(HintTest, StaysOnTheMonitorThatHoldsThePoint) {
    hint->addText(L"A hint long enough to stick out past the edge");
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    const POINT corner = {0, 0};
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromPoint(corner, MONITOR_DEFAULTTOPRIMARY), &monitor));
    const RECT work = monitor.rcWork;
    hint->showAt(work.right - 5, work.bottom - 3);
    const afRect shown = frame();
    EXPECT_EQ(work.right, shown.right);
    EXPECT_EQ(work.bottom, shown.bottom);
    EXPECT_GE(shown.left, work.left);
}

} // namespace
