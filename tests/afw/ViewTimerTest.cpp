#include "afw/afHelperWindow.h"
#include "afw/afViewTimer.h"
#include "afw/support/TestViews.h"
#include "support/LogCapture.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

// A timer's owner whose callback runs the test's step on every tick.
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

TEST(ViewTimer, CountsTheTicksItsCallbackKeeps) {
    Ticker stopping;
    stopping.step = [](Ticker&) { return false; };
    startTimer(stopping.timer);
    ASSERT_TRUE(pumpUntil([&] { return stopping.calls > 0; }));
    EXPECT_EQ(0u, stopping.timer.getTickCount());
    EXPECT_FALSE(stopping.timer.isRunning());
    EXPECT_FALSE(afViewTimer::hasRegistry()) << "the last stop deletes the registry";

    Ticker running;
    startTimer(running.timer);
    ASSERT_TRUE(pumpUntil([&] { return running.timer.getTickCount() >= 2; }));
    startTimer(running.timer);
    EXPECT_EQ(0u, running.timer.getTickCount());
    EXPECT_TRUE(running.timer.isRunning());
    stopTimer(running.timer);
}

TEST(ViewTimer, TicksOfStoppedTimersAreIgnoredOrLogged) {
    LogCapture log;
    ErrorRecorder errors;
    Ticker first, second;
    startTimer(first.timer);
    const UINT_PTR id = first.timer.getId();
    stopTimer(first.timer);
    afViewTimer::procedure(nullptr, WM_TIMER, id, 0); // no registry: nothing happens
    EXPECT_FALSE(log.contains(L"Timer called"));

    startTimer(first.timer);
    startTimer(second.timer);
    const UINT_PTR late = first.timer.getId();
    stopTimer(first.timer);
    afViewTimer::procedure(nullptr, WM_TIMER, late, 0);
    EXPECT_TRUE(log.contains(L"Timer called, but not registered."));
    EXPECT_TRUE(errors.texts.empty()) << "logged, not thrown";
    EXPECT_TRUE(second.timer.isRunning());
    stopTimer(second.timer);
}

TEST(ViewTimer, CallbacksMayDeleteTheirOwnerOrThrow) {
    bool gone = false;
    auto* leaving = new Leaving;
    leaving->gone = &gone;
    startTimer(leaving->timer);
    ASSERT_TRUE(pumpUntil([&] { return gone; }));
    EXPECT_FALSE(afViewTimer::hasRegistry());

    ErrorRecorder errors;
    Ticker throwing;
    throwing.step = [](Ticker&) -> bool { throw pel::IllegalStateException(L"tick failed"); };
    startTimer(throwing.timer);
    ASSERT_TRUE(pumpUntil([&] { return throwing.calls > 0; }));
    EXPECT_FALSE(throwing.timer.isRunning());
    EXPECT_EQ(std::vector<std::wstring>{L"tick failed"}, errors.texts);
}

// Paints at the size it chooses, and remembers what it was asked to paint.
class PaintedHelper : public afHelperWindow {
public:
    void adjustSize(SIZE& io_size) override { io_size = SIZE{40, 20}; }
    void paint(afCanvas& canvas, const afRect& rect) override {
        painted.push_back(rect);
        canvas.fillRect(rect, RGB(10, 20, 30));
    }
    std::vector<afRect> painted;
};

TEST_F(WindowTest, HelperWindowPaintsAtItsSizeAndMovesWithoutPainting) {
    PaintedHelper helper;
    helper.build();
    ASSERT_EQ(1u, helper.painted.size());
    EXPECT_EQ(afRect(0, 0, 40, 20), helper.painted[0]);
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
