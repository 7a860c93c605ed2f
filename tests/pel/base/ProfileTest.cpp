#include "pel/base/Profile.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace pel;

TEST(Profile, ScopesAddUpIntoTheCounter) {
    initProfileTimer();
    initProfileTimer();
    ProfileCounter counter(L"parse");
    for (int i = 0; i < 3; ++i) {
        ScopedProfile scope(counter);
    }
    EXPECT_EQ(3u, counter.count.load());

    ProfileScope idle;
    idle.counter = &counter;
    profileTimerStop(&idle); // never started: nothing counted
    EXPECT_EQ(3u, counter.count.load());
    profileTimerStart(&idle);
    const int64_t started = idle.start;
    EXPECT_NE(0, started);
    profileTimerStart(&idle); // already measuring
    EXPECT_EQ(started, idle.start);
    profileTimerStop(&idle);
    EXPECT_EQ(0, idle.start);
    EXPECT_EQ(4u, counter.count.load());
}

TEST(Profile, PrintedLine) {
    ProfileCounter counter(L"parse");
    counter.total = 12345;
    counter.count = 7;
    ProfileCounter wide(L"a name of twenty-five ch");
    tessel_test::LogCapture capture;
    printProfileCounter(counter);
    printProfileCounter(wide);
    const auto lines = capture.lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(LOG_DEBUG, lines[0].level);
    EXPECT_EQ(LOG_UNKNOWN_SOURCE, lines[0].source);
    EXPECT_EQ(L"  parse                  :         7 @  12.345 ms\n", lines[0].text);
    EXPECT_EQ(L"  a name of twenty-five ch:         0 @  0.000 ms\n", lines[1].text);
}
