#include "pel/base/Assert.h"
#include "pel/base/Stopwatch.h"
#include "pel/base/Timestamp.h"

#include <gtest/gtest.h>

using namespace pel;

namespace {

int64_t g_fake_now = 0;
int64_t fakeClock() {
    return g_fake_now;
}

} // namespace

TEST(Timestamp, Conversions) {
    EXPECT_EQ(1, Timestamp::fromEpochTime(1).epochTime());
    EXPECT_EQ(1, Timestamp(1999999).epochTime()); // truncated

    uint32_t low = 0, high = 0;
    Timestamp(0).toFileTimeNP(&low, &high);
    EXPECT_EQ(116444736000000000ULL, (static_cast<uint64_t>(high) << 32) | low);
    EXPECT_EQ(0, Timestamp::fromFileTimeNP(low, high).epochMicroseconds());

    // 2001-09-09 01:46:40 UTC as a FILETIME.
    const uint64_t fileTime = 116444736000000000ULL + 1000000000ULL * 10000000ULL;
    const Timestamp billennium = Timestamp::fromFileTimeNP(static_cast<uint32_t>(fileTime),
                                                           static_cast<uint32_t>(fileTime >> 32));
    EXPECT_EQ(1000000000, billennium.epochTime());

    EXPECT_EQ(122192928000000000LL, Timestamp(0).utcTime());
    EXPECT_EQ(123456789, Timestamp::fromUtcTime(Timestamp(123456789).utcTime()).epochMicroseconds());
    EXPECT_THROW(Timestamp(0).toFileTimeNP(nullptr, &high), NullPointerException);
}

TEST(Timestamp, Arithmetic) {
    Timestamp t(1000);
    EXPECT_EQ(400, (t + 500 - 1100).epochMicroseconds());
    EXPECT_EQ(700, t - Timestamp(300));
    t += 10;
    t -= 5;
    Timestamp other(7);
    t.swap(other);
    EXPECT_EQ(1005, other.epochMicroseconds());
    EXPECT_TRUE(t < other);

    // The clock is after 2020 and a timestamp from 1970 has long elapsed.
    EXPECT_GT(Timestamp().epochTime(), 1577836800);
    EXPECT_TRUE(Timestamp(0).isElapsed(1000000));
    EXPECT_FALSE(Timestamp().isElapsed(3600LL * 1000000));
    EXPECT_NEAR(static_cast<double>(currentTimeMillis()), static_cast<double>(Timestamp().epochTime() * 1000), 5000.0);
    EXPECT_GE(elapsedMicroseconds(0), Timestamp().epochMicroseconds() - 5000000);
}

TEST(Stopwatch, AccumulatesIntervals) {
    g_fake_now = 100;
    Stopwatch watch(&fakeClock);
    EXPECT_FALSE(watch.isRunning());
    EXPECT_EQ(0, watch.elapsed());
    EXPECT_EQ(100, watch.getStart().epochMicroseconds());

    watch.start();
    g_fake_now += 2000000;
    watch.stop();
    g_fake_now += 777; // stopped: not counted
    watch.start();
    g_fake_now += 3000000;
    EXPECT_EQ(5000000, watch.elapsed()); // running: includes the open interval
    watch.stop();
    EXPECT_EQ(5000000, watch.elapsed());
    EXPECT_EQ(5, watch.elapsedSeconds());
    EXPECT_EQ(5000, watch.elapsedMilliseconds());

    watch.start();
    const int64_t started = g_fake_now;
    g_fake_now += 10;
    watch.start(); // already running: the start stays
    EXPECT_EQ(started, watch.getStart().epochMicroseconds());
    watch.reset(); // stops it
    EXPECT_FALSE(watch.isRunning());
    g_fake_now += 50;
    EXPECT_EQ(0, watch.elapsed());
    EXPECT_EQ(started, watch.getStart().epochMicroseconds());

    watch.restart();
    g_fake_now += 42;
    EXPECT_TRUE(watch.isRunning());
    EXPECT_EQ(42, watch.elapsed());
}
