#include "afw/support/TestViews.h"
#include "afw/view/afViewTimer.h"
#include "afw/window/afHelperWindow.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

// A timer's owner whose callback runs the test's step on every tick; by default it keeps going.
struct Ticker {
    bool onTick(afViewTimer*) {
        ++calls;
        return step(*this);
    }
    afViewTimer timer{1, afViewTimer::Callback::bind<Ticker, &Ticker::onTick>(this)};
    std::function<bool(Ticker&)> step = [](Ticker&) { return true; };
    int calls = 0;
};

// Deletes itself, and with it its timer, on its first tick.
struct Leaving {
    bool onTick(afViewTimer*) {
        *gone = true;
        delete this;
        return true;
    }
    afViewTimer timer{1, afViewTimer::Callback::bind<Leaving, &Leaving::onTick>(this)};
    bool* gone;
};

TEST(ViewTimer, CountsTheTicksItsCallbackKeepsAndStopsOnFalseOrThrow) {
    ErrorRecorder errors;
    Ticker stopping, throwing, running;
    stopping.step = [](Ticker&) { return false; };
    throwing.step = [](Ticker&) -> bool { throw pel::IllegalStateException(L"tick failed"); };
    for (Ticker* ticker : {&stopping, &throwing}) {
        startTimer(ticker->timer);
        ASSERT_TRUE(pumpUntil([&] { return ticker->calls > 0; }));
        EXPECT_EQ(0u, ticker->timer.getTickCount());
        EXPECT_FALSE(ticker->timer.isRunning());
    }
    EXPECT_EQ(std::vector<std::wstring>{L"tick failed"}, errors.texts);
    EXPECT_FALSE(afViewTimer::hasRegistry()) << "the last stop deletes the registry";
    startTimer(running.timer);
    ASSERT_TRUE(pumpUntil([&] { return running.timer.getTickCount() >= 2; }));
    startTimer(running.timer);
    EXPECT_EQ(0u, running.timer.getTickCount()) << "a restart begins the count again";
    stopTimer(running.timer);

    bool gone = false;
    auto* leaving = new Leaving;
    leaving->gone = &gone;
    startTimer(leaving->timer);
    ASSERT_TRUE(pumpUntil([&] { return gone; }));
    EXPECT_FALSE(afViewTimer::hasRegistry());
}

TEST(ViewTimer, TicksOfStoppedTimersAreIgnoredOrLoggedNeverThrown) {
    LogCapture log;
    ErrorRecorder errors;
    Ticker first, second;
    startTimer(first.timer);
    UINT_PTR late = first.timer.getId();
    stopTimer(first.timer);
    afViewTimer::procedure(nullptr, WM_TIMER, late, 0); // no registry: ignored
    EXPECT_FALSE(log.contains(L"Timer called"));
    startTimer(first.timer);
    startTimer(second.timer);
    late = first.timer.getId();
    stopTimer(first.timer);
    afViewTimer::procedure(nullptr, WM_TIMER, late, 0);
    EXPECT_TRUE(log.contains(L"Timer called, but not registered."));
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_TRUE(second.timer.isRunning());
}

// Paints at the size it chooses, and remembers what it was asked to paint.
struct PaintedHelper : afHelperWindow {
    void adjustSize(SIZE& io_size) override { io_size = SIZE{40, 20}; }
    void paint(afCanvas&, const afRect& rect) override { painted.push_back(rect); }
    std::vector<afRect> painted;
};

TEST_F(WindowTest, HelperWindowPaintsAtItsSizeAndMovesWithoutPainting) {
    PaintedHelper helper;
    helper.build();
    EXPECT_EQ(std::vector<afRect>{afRect(0, 0, 40, 20)}, helper.painted);
    helper.moveTo(30, 40);
    EXPECT_EQ(1u, helper.painted.size());
    afRect frame;
    ::GetWindowRect(helper.getHandle(), &frame);
    EXPECT_EQ(afRect(30, 40, 70, 60), frame);
    EXPECT_FALSE(helper.isDisplayed());
    helper.setVisible(true);
    EXPECT_TRUE(helper.isDisplayed());
    EXPECT_NE(helper.getHandle(), ::GetActiveWindow()) << "a helper never takes the activation";
    ::DestroyWindow(helper.getHandle());
}

} // namespace
