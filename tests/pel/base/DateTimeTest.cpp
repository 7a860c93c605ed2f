#include "pel/base/Assert.h"
#include "pel/base/DateTime.h"
#include "pel/base/DateTimeFormat.h"
#include "pel/base/DateTimeFormatter.h"
#include "pel/base/Exception.h"
#include "pel/base/LocalDateTime.h"
#include "pel/base/Stopwatch.h"
#include "pel/base/Timespan.h"
#include "pel/base/Timestamp.h"
#include "support/LogCapture.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

using namespace pel;

namespace {

// "Y-M-D h:m:s.mmmuuu": the fields in one comparable line.
std::string text(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                 int millisecond = 0, int microsecond = 0) {
    char line[64];
    std::snprintf(line, sizeof line, "%d-%d-%d %d:%d:%d.%03d%03d", year, month, day, hour, minute,
                  second, millisecond, microsecond);
    return line;
}

std::string fields(const DateTime& t) {
    return text(t.year(), t.month(), t.day(), t.hour(), t.minute(), t.second(), t.millisecond(),
                t.microsecond());
}

// The failed check of the date and time parts p, or "(valid)".
std::wstring violation(const int* p) {
    const std::wstring message = tessel_test::thrown<AssertionViolationException>(
        [p] { DateTime(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]); });
    return message == L"(nothing thrown)" ? L"(valid)" : message.substr(0, message.find(L" in file"));
}

int64_t g_fake_now = 0;
int64_t fakeClock() {
    return g_fake_now;
}

} // namespace

TEST(DateTime, EpochsAndJulianDays) {
    EXPECT_EQ(0, DateTime(1582, 10, 15).utcTime());
    EXPECT_DOUBLE_EQ(2299160.5, DateTime(1582, 10, 15).julianDay());
    EXPECT_EQ(122192928000000000LL, DateTime(1970, 1, 1).utcTime());
    EXPECT_EQ(0, DateTime(1970, 1, 1).timestamp().epochMicroseconds());
    EXPECT_DOUBLE_EQ(1721059.5, DateTime(0, 1, 1).julianDay());
    EXPECT_DOUBLE_EQ(2451545.0, DateTime(2000, 1, 1, 12).julianDay());
    EXPECT_DOUBLE_EQ(2456368.8125, DateTime::toJulianDay(2013, 3, 17, 7, 30));
    EXPECT_EQ(DateTime(1970, 1, 2).utcTime(), DateTime::toUtcTime(2440588.5));

    EXPECT_EQ(text(1582, 10, 15), fields(DateTime(2299160.5)));
    EXPECT_EQ(text(2000, 1, 1, 18), fields(DateTime(2451545.25)));
    DateTime t(2000, 1, 1);
    t = 2451545.75;
    EXPECT_EQ(text(2000, 1, 2, 6), fields(t));

    const Timestamp stamp(1362900609123456LL);
    EXPECT_EQ(text(2013, 3, 10, 7, 30, 9, 123, 456), fields(DateTime(stamp)));
    t = stamp;
    EXPECT_EQ(stamp, t.timestamp());
    EXPECT_EQ(DateTime(stamp), DateTime(DateTime(2013, 3, 10).utcTime(), 27009123456LL));
    EXPECT_GT(DateTime().year(), 2020); // the current time
}

TEST(DateTime, BeforeTheGregorianReform) {
    const DateTime t(1000, 1, 1, 7, 8, 9, 10, 11);
    EXPECT_LT(t.utcTime(), 0);
    EXPECT_EQ(text(1000, 1, 1, 7, 8, 9, 10, 11), fields(DateTime(t.utcTime(), 0)));
    EXPECT_EQ(text(1582, 10, 14, 23, 59, 59, 999, 999), fields(DateTime(1582, 10, 15) - Timespan(1)));
    EXPECT_EQ(6, DateTime(0, 1, 1).dayOfWeek()); // a Saturday, as 2000-01-01
    EXPECT_EQ(366, DateTime(0, 12, 31).dayOfYear());
    EXPECT_EQ(5, DateTime(1582, 10, 15).dayOfWeek());
    EXPECT_EQ(4, DateTime(1582, 10, 14).dayOfWeek());
}

// Fields give an instant that gives the same fields, and the instant agrees with the Julian
// day formula, for dates from the year 0 to 9999.
TEST(DateTime, RoundTripsFieldsAndInstants) {
    tessel_test::LogCapture log; // any soft assertion would be logged
    std::mt19937 random(20130305);
    auto between = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int i = 0; i < 20000; ++i) {
        const int year = between(0, 9999), month = between(1, 12);
        const int day = between(1, DateTime::daysOfMonth(year, month));
        const int hour = between(0, 23), minute = between(0, 59), second = between(0, 59);
        const int millisecond = between(0, 999), microsecond = between(0, 999);
        const DateTime t(year, month, day, hour, minute, second, millisecond, microsecond);
        ASSERT_EQ(text(year, month, day, hour, minute, second, millisecond, microsecond), fields(t));
        ASSERT_NEAR(DateTime::toJulianDay(year, month, day, hour, minute, second, millisecond, microsecond),
                    t.julianDay(), 1e-6)
            << fields(t);
    }
    EXPECT_TRUE(log.lines().empty());
}

TEST(DateTime, Validity) {
    // {year, month, days of the month}: leap years by 4, not by 100, again by 400
    const int months[][3] = {{2000, 2, 29}, {2012, 2, 29}, {0, 2, 29}, {1900, 2, 28}, {2013, 2, 28}, {2013, 4, 30}};
    for (const auto& m : months)
        EXPECT_EQ(m[2], DateTime::daysOfMonth(m[0], m[1])) << m[0] << "-" << m[1];
    EXPECT_FALSE(DateTime::isLeapYear(1900));
    EXPECT_THROW(DateTime::daysOfMonth(2013, 13), AssertionViolationException);

    const struct {
        int parts[8];
        const wchar_t* failed;
    } rows[] = {
        {{9999, 12, 31, 23, 59, 59, 999, 999}, L"(valid)"}, {{10000, 1, 1}, L"year >= 0 && year <= 9999"},
        {{-1, 1, 1}, L"year >= 0 && year <= 9999"}, {{2013, 13, 1}, L"month >= 1 && month <= 12"},
        {{1900, 2, 29}, L"day >= 1 && day <= daysOfMonth(year, month)"},
        {{2013, 1, 1, -1}, L"hour >= 0 && hour <= 23"}, {{2013, 1, 1, 24}, L"hour >= 0 && hour <= 23"},
        {{2013, 1, 1, 0, 60}, L"minute >= 0 && minute <= 59"},
        {{2013, 1, 1, 0, 0, 60}, L"second >= 0 && second <= 59"},
        {{2013, 1, 1, 0, 0, 0, 1000}, L"millisecond >= 0 && millisecond <= 999"},
        {{2013, 1, 1, 0, 0, 0, 0, -1}, L"microsecond >= 0 && microsecond <= 999"},
    };
    for (const auto& row : rows) {
        const int* p = row.parts;
        EXPECT_EQ(row.failed, violation(p));
        const bool valid = DateTime::isValid(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
        EXPECT_EQ(row.failed == std::wstring(L"(valid)"), valid) << row.failed;
    }
}

TEST(DateTime, CalendarQuestions) {
    EXPECT_EQ(0, DateTime(2013, 3, 17).dayOfWeek());
    EXPECT_EQ(2, DateTime(2013, 3, 5).dayOfWeek());
    EXPECT_EQ(366, DateTime(2012, 12, 31).dayOfYear());
    EXPECT_EQ(60, DateTime(2012, 2, 29).dayOfYear());
    EXPECT_EQ(60, DateTime(2013, 3, 1).dayOfYear());

    const int clock[][2] = {{0, 12}, {11, 11}, {12, 12}, {13, 1}};
    for (const auto& hour : clock)
        EXPECT_EQ(hour[1], DateTime(2013, 1, 1, hour[0]).hourAMPM()) << hour[0];
    EXPECT_TRUE(DateTime(2013, 1, 1, 11).isAM());
    EXPECT_TRUE(DateTime(2013, 1, 1, 12).isPM());

    // 2012 starts on a Sunday, 2013 on a Tuesday.
    // {year, month, day, first day of the week, week}
    const int weeks[][5] = {
        {2012, 1, 1, 0, 1}, {2012, 1, 7, 0, 1}, {2012, 1, 8, 0, 2},   {2012, 1, 1, 1, 0},  {2012, 1, 2, 1, 1},
        {2012, 12, 31, 1, 53}, {2013, 1, 1, 1, 1}, // the first Monday is the 7th, after the 4th
        {2013, 1, 7, 1, 2}, {2013, 1, 1, 2, 1},    // a Tuesday itself starts week 1
    };
    for (const auto& w : weeks)
        EXPECT_EQ(w[4], DateTime(w[0], w[1], w[2]).week(w[3])) << w[0] << "-" << w[1] << "-" << w[2] << "/" << w[3];
    EXPECT_THROW(DateTime(2013, 1, 1).week(7), AssertionViolationException);
}

TEST(DateTime, Arithmetic) {
    EXPECT_EQ(text(2012, 2, 29, 12), fields(DateTime(2012, 2, 28, 12) + Timespan(Timespan::DAYS)));
    EXPECT_EQ(text(2013, 1, 1), fields(DateTime(2012, 12, 31, 23, 59, 59, 999, 999) + Timespan(1)));

    DateTime t(2013, 1, 31, 22);
    t += Timespan(3 * Timespan::HOURS);
    EXPECT_EQ(text(2013, 2, 1, 1), fields(t));
    t -= Timespan(2 * Timespan::HOURS);
    EXPECT_EQ(text(2013, 1, 31, 23), fields(t));
    t.makeUTC(3600);
    EXPECT_EQ(text(2013, 1, 31, 22), fields(t));
    t.makeLocal(-5400);
    EXPECT_EQ(text(2013, 1, 31, 20, 30), fields(t));

    EXPECT_EQ(Timespan(366 * Timespan::DAYS), DateTime(2013, 1, 1) - DateTime(2012, 1, 1));
    EXPECT_EQ(Timespan(-Timespan::DAYS - 1), DateTime(2012, 2, 28) - DateTime(2012, 2, 29, 0, 0, 0, 0, 1));
    EXPECT_TRUE(DateTime(2013, 1, 1) < DateTime(2013, 1, 1, 0, 0, 0, 0, 1));
}

TEST(DateTime, LocalDateTime) {
    const LocalDateTime local(3600, 2013, 3, 5, 1, 30);
    EXPECT_EQ(text(2013, 3, 5, 1, 30), fields(local));
    EXPECT_EQ(text(2013, 3, 5, 0, 30), fields(DateTime(local.utcTime(), 0)));

    const LocalDateTime fromUtc(-18000, DateTime(2013, 1, 1, 2));
    EXPECT_EQ(text(2012, 12, 31, 21), fields(fromUtc));
    EXPECT_EQ(DateTime(2013, 1, 1, 2).utcTime(), fromUtc.utcTime());
    EXPECT_TRUE(fromUtc == LocalDateTime(0, DateTime(2013, 1, 1, 2)));
    EXPECT_TRUE(fromUtc < local);
}

TEST(DateTimeFormatter, NamedPatterns) {
    const DateTime t(2013, 3, 5, 7, 8, 9);
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {DateTimeFormat::SORTABLE_FORMAT, L"2013-3-5 7:8:9"},
        {DateTimeFormat::ISO8601_FORMAT, L"2013-3-5T7:8:9Z"},
        {DateTimeFormat::RFC822_FORMAT, L"Tue, 5 Mar 13 7:8:9 GMT"},
        {DateTimeFormat::RFC1123_FORMAT, L"Tue, 5 Mar 2013 7:8:9 GMT"},
        {DateTimeFormat::HTTP_FORMAT, L"Tue, 5 Mar 2013 7:8:9 GMT"},
        {DateTimeFormat::RFC850_FORMAT, L"Tuesday, 5-Mar-13 7:8:9 GMT"},
        {DateTimeFormat::RFC1036_FORMAT, L"Tuesday, 5 Mar 13 7:8:9 GMT"},
        {DateTimeFormat::ASCTIME_FORMAT, L"Tue Mar 5 7:8:9 2013"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.second, DateTimeFormatter::format(t, row.first)) << row.first;
    EXPECT_EQ(L"2013-3-5T7:8:9+1:0", DateTimeFormatter::format(t, DateTimeFormat::ISO8601_FORMAT, 3600));
}

TEST(DateTimeFormatter, EveryDirective) {
    const DateTime morning(2013, 3, 5, 7, 8, 9, 12, 345);
    EXPECT_EQ(L"Tue|Tuesday|Mar|March|5|5|5|3|3|3|13|2013|7|7|am|AM|8|9|12|0|12345|Z|GMT|%|q|",
              DateTimeFormatter::format(morning, L"%w|%W|%b|%B|%d|%e|%f|%m|%n|%o|%y|%Y|%H|%h|%a|%A|"
                                                 L"%M|%S|%i|%c|%F|%z|%Z|%%|%q|%"));
    const DateTime evening(2009, 12, 27, 0, 0, 0, 987, 6);
    EXPECT_EQ(L"Sun Dec 9 0 12 am 9 987006", DateTimeFormatter::format(evening, L"%w %b %y %H %h %a %c %F"));
    EXPECT_EQ(L"13 1 pm PM", DateTimeFormatter::format(DateTime(2013, 1, 1, 13), L"%H %h %a %A"));

    std::wstring line = L"at ";
    DateTimeFormatter::append(line, morning, L"%H:%M", -5400);
    DateTimeFormatter::append(line, morning, L" %z %Z", -5400);
    EXPECT_EQ(L"at 7:8 -1:30 -0130", line);
    EXPECT_EQ(L"7:8 +1:0 +0100", DateTimeFormatter::format(LocalDateTime(3600, 2013, 3, 5, 7, 8, 9), L"%H:%M %z %Z"));
    EXPECT_EQ(L"2013-3-10 7:30:9",
              DateTimeFormatter::format(Timestamp(1362900609123456LL), DateTimeFormat::SORTABLE_FORMAT));
}

TEST(DateTimeFormatter, TimeZones) {
    const std::pair<int, const wchar_t*> rows[] = {
        {3600, L"+1:0 +0100"}, {-5400, L"-1:30 -0130"}, {0, L"+0:0 +0000"}, {36000, L"+10:0 +1000"},
        {DateTimeFormatter::UTC, L"Z GMT"},
    };
    for (const auto& [tzd, shown] : rows)
        EXPECT_EQ(shown, DateTimeFormatter::tzdISO(tzd) + L" " + DateTimeFormatter::tzdRFC(tzd)) << tzd;
}

TEST(DateTimeFormatter, Timespans) {
    // 1 day, 2 hours, 3 minutes, 4 seconds, 5 milliseconds and 6 microseconds.
    EXPECT_EQ(L"1 2 26 3 1563 4 93784 5 0 5006 %",
              DateTimeFormatter::format(Timespan(93784005006LL), L"%d %H %h %M %m %S %s %i %c %F %%"));
    EXPECT_EQ(L"7 x", DateTimeFormatter::format(Timespan(789 * Timespan::MILLISECONDS), L"%c %x%"));
    std::wstring line = L">";
    DateTimeFormatter::append(line, Timespan(90 * Timespan::SECONDS), L"%m:%S");
    EXPECT_EQ(L">1:30", line);
}

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
}

TEST(Timestamp, Arithmetic) {
    Timestamp t(1000);
    EXPECT_EQ(400, (t + 500 - 1100).epochMicroseconds());
    EXPECT_EQ(700, t - Timestamp(300));
    t += 10;
    t -= 5;
    EXPECT_EQ(1005, t.epochMicroseconds());
    EXPECT_TRUE(Timestamp(7) < t);

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
    EXPECT_EQ(0, watch.elapsed());
    watch.start();
    g_fake_now += 2000000;
    watch.stop();
    g_fake_now += 777; // stopped: not counted
    watch.start();
    g_fake_now += 3000000;
    EXPECT_EQ(5000000, watch.elapsed()); // running: includes the open interval
    watch.stop();
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
