#include "pel/base/DateTime.h"
#include "pel/base/DateTimeFormat.h"
#include "pel/base/DateTimeFormatter.h"
#include "pel/base/Exception.h"
#include "pel/base/LocalDateTime.h"
#include "pel/base/Timespan.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace pel;

namespace {

void expectFields(const DateTime& t, int year, int month, int day, int hour = 0, int minute = 0,
                  int second = 0, int millisecond = 0, int microsecond = 0) {
    EXPECT_EQ(year, t.year());
    EXPECT_EQ(month, t.month());
    EXPECT_EQ(day, t.day());
    EXPECT_EQ(hour, t.hour());
    EXPECT_EQ(minute, t.minute());
    EXPECT_EQ(second, t.second());
    EXPECT_EQ(millisecond, t.millisecond());
    EXPECT_EQ(microsecond, t.microsecond());
}

std::wstring violation(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                       int millisecond = 0, int microsecond = 0) {
    try {
        DateTime(year, month, day, hour, minute, second, millisecond, microsecond);
    } catch (const AssertionViolationException& e) {
        return e.message.substr(0, e.message.find(L" in file"));
    }
    return L"(valid)";
}

} // namespace

TEST(DateTime, EpochsAndJulianDays) {
    const DateTime gregorian(1582, 10, 15);
    EXPECT_EQ(0, gregorian.utcTime());
    EXPECT_DOUBLE_EQ(2299160.5, gregorian.julianDay());
    EXPECT_EQ(122192928000000000LL, DateTime(1970, 1, 1).utcTime());
    EXPECT_EQ(0, DateTime(1970, 1, 1).timestamp().epochMicroseconds());
    EXPECT_DOUBLE_EQ(1721059.5, DateTime(0, 1, 1).julianDay());
    EXPECT_DOUBLE_EQ(2451545.0, DateTime(2000, 1, 1, 12).julianDay());

    expectFields(DateTime(2299160.5), 1582, 10, 15);
    expectFields(DateTime(2451545.25), 2000, 1, 1, 18);
    DateTime t(2000, 1, 1);
    t = 2451545.75;
    expectFields(t, 2000, 1, 2, 6);
    EXPECT_EQ(DateTime(1970, 1, 2).utcTime(), DateTime::toUtcTime(2440588.5));
    EXPECT_DOUBLE_EQ(2440588.5, DateTime::toJulianDay(DateTime(1970, 1, 2).utcTime()));
    EXPECT_DOUBLE_EQ(2456368.8125, DateTime::toJulianDay(2013, 3, 17, 7, 30));

    const Timestamp stamp(1362900609123456LL); // 2013-03-10 07:30:09.123456
    expectFields(DateTime(stamp), 2013, 3, 10, 7, 30, 9, 123, 456);
    t = stamp;
    EXPECT_EQ(stamp, t.timestamp());
    EXPECT_EQ(DateTime(stamp), DateTime(DateTime(2013, 3, 10).utcTime(), 27009123456LL));

    // The current time lies after 2020.
    EXPECT_GT(DateTime().year(), 2020);
}

TEST(DateTime, BeforeTheGregorianReform) {
    const DateTime t(1000, 1, 1, 7, 8, 9, 10, 11);
    EXPECT_LT(t.utcTime(), 0);
    expectFields(t, 1000, 1, 1, 7, 8, 9, 10, 11);
    expectFields(DateTime(t.utcTime(), 0), 1000, 1, 1, 7, 8, 9, 10, 11);
    expectFields(DateTime(1582, 10, 15) - Timespan(1), 1582, 10, 14, 23, 59, 59, 999, 999);
    expectFields(DateTime(0, 1, 1), 0, 1, 1);
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
    auto between = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int i = 0; i < 20000; ++i) {
        const int year = between(0, 9999);
        const int month = between(1, 12);
        const int day = between(1, DateTime::daysOfMonth(year, month));
        const int hour = between(0, 23), minute = between(0, 59), second = between(0, 59);
        const int millisecond = between(0, 999), microsecond = between(0, 999);
        const DateTime t(year, month, day, hour, minute, second, millisecond, microsecond);
        const DateTime again(t.utcTime(), 0);
        ASSERT_EQ(year, again.year());
        ASSERT_EQ(month, again.month());
        ASSERT_EQ(day, again.day());
        ASSERT_EQ(hour, again.hour());
        ASSERT_EQ(minute, again.minute());
        ASSERT_EQ(second, again.second());
        ASSERT_EQ(millisecond, again.millisecond());
        ASSERT_EQ(microsecond, again.microsecond());
        ASSERT_NEAR(DateTime::toJulianDay(year, month, day, hour, minute, second, millisecond, microsecond),
                    t.julianDay(), 1e-6)
            << year << "-" << month << "-" << day;
    }
    EXPECT_TRUE(log.lines().empty());
}

TEST(DateTime, Validity) {
    EXPECT_TRUE(DateTime::isLeapYear(2000));
    EXPECT_TRUE(DateTime::isLeapYear(2012));
    EXPECT_TRUE(DateTime::isLeapYear(0));
    EXPECT_FALSE(DateTime::isLeapYear(1900));
    EXPECT_FALSE(DateTime::isLeapYear(2013));
    EXPECT_EQ(29, DateTime::daysOfMonth(2000, 2));
    EXPECT_EQ(28, DateTime::daysOfMonth(1900, 2));
    EXPECT_EQ(31, DateTime::daysOfMonth(2013, 12));
    EXPECT_EQ(30, DateTime::daysOfMonth(2013, 4));
    EXPECT_THROW(DateTime::daysOfMonth(2013, 13), AssertionViolationException);

    EXPECT_TRUE(DateTime::isValid(2000, 2, 29));
    EXPECT_FALSE(DateTime::isValid(1900, 2, 29, 0, 0, 0, 0, 0));
    EXPECT_TRUE(DateTime::isValid(9999, 12, 31, 23, 59, 59, 999, 999));
    EXPECT_FALSE(DateTime::isValid(10000, 1, 1));
    EXPECT_FALSE(DateTime::isValid(-1, 1, 1));
    EXPECT_FALSE(DateTime::isValid(2013, 0, 1));
    EXPECT_FALSE(DateTime::isValid(2013, 1, 1, 24));
    EXPECT_FALSE(DateTime::isValid(2013, 1, 1, 0, 0, 0, 1000));

    EXPECT_EQ(L"(valid)", violation(2000, 2, 29));
    EXPECT_EQ(L"year >= 0 && year <= 9999", violation(10000, 1, 1));
    EXPECT_EQ(L"month >= 1 && month <= 12", violation(2013, 13, 1));
    EXPECT_EQ(L"day >= 1 && day <= daysOfMonth(year, month)", violation(1900, 2, 29));
    EXPECT_EQ(L"hour >= 0 && hour <= 23", violation(2013, 1, 1, -1));
    EXPECT_EQ(L"minute >= 0 && minute <= 59", violation(2013, 1, 1, 0, 60));
    EXPECT_EQ(L"second >= 0 && second <= 59", violation(2013, 1, 1, 0, 0, 60));
    EXPECT_EQ(L"millisecond >= 0 && millisecond <= 999", violation(2013, 1, 1, 0, 0, 0, 1000));
    EXPECT_EQ(L"microsecond >= 0 && microsecond <= 999", violation(2013, 1, 1, 0, 0, 0, 0, -1));

    DateTime t(2013, 1, 1);
    EXPECT_THROW(t.assign(2013, 2, 30), AssertionViolationException);
    t.assign(2013, 2, 28, 1, 2, 3, 4, 5);
    expectFields(t, 2013, 2, 28, 1, 2, 3, 4, 5);
}

TEST(DateTime, CalendarQuestions) {
    EXPECT_EQ(0, DateTime(2013, 3, 17).dayOfWeek());
    EXPECT_EQ(2, DateTime(2013, 3, 5).dayOfWeek());
    EXPECT_EQ(6, DateTime(2000, 1, 1).dayOfWeek());
    EXPECT_EQ(366, DateTime(2012, 12, 31).dayOfYear());
    EXPECT_EQ(365, DateTime(2013, 12, 31).dayOfYear());
    EXPECT_EQ(60, DateTime(2012, 2, 29).dayOfYear());
    EXPECT_EQ(60, DateTime(2013, 3, 1).dayOfYear());
    EXPECT_EQ(1, DateTime(2013, 1, 1).dayOfYear());

    EXPECT_EQ(12, DateTime(2013, 1, 1, 0).hourAMPM());
    EXPECT_EQ(12, DateTime(2013, 1, 1, 12).hourAMPM());
    EXPECT_EQ(1, DateTime(2013, 1, 1, 13).hourAMPM());
    EXPECT_EQ(11, DateTime(2013, 1, 1, 11).hourAMPM());
    EXPECT_TRUE(DateTime(2013, 1, 1, 11).isAM());
    EXPECT_TRUE(DateTime(2013, 1, 1, 12).isPM());

    // 2012 starts on a Sunday, 2013 on a Tuesday.
    EXPECT_EQ(1, DateTime(2012, 1, 1).week(0));
    EXPECT_EQ(1, DateTime(2012, 1, 7).week(0));
    EXPECT_EQ(2, DateTime(2012, 1, 8).week(0));
    EXPECT_EQ(0, DateTime(2012, 1, 1).week(1));
    EXPECT_EQ(1, DateTime(2012, 1, 2).week(1));
    EXPECT_EQ(53, DateTime(2012, 12, 31).week(1));
    EXPECT_EQ(1, DateTime(2013, 1, 1).week(1)); // the first Monday is the 7th, after the 4th
    EXPECT_EQ(2, DateTime(2013, 1, 7).week(1));
    EXPECT_EQ(1, DateTime(2013, 1, 1).week(2)); // a Tuesday itself starts week 1
    EXPECT_THROW(DateTime(2013, 1, 1).week(7), AssertionViolationException);
}

TEST(DateTime, Arithmetic) {
    expectFields(DateTime(2012, 2, 28, 12) + Timespan(86400000000LL), 2012, 2, 29, 12);
    expectFields(DateTime(2013, 2, 28, 12) + Timespan(Timespan::DAYS), 2013, 3, 1, 12);
    expectFields(DateTime(2012, 12, 31, 23, 59, 59, 999, 999) + Timespan(1), 2013, 1, 1);
    expectFields(DateTime(2013, 1, 1) - Timespan(1), 2012, 12, 31, 23, 59, 59, 999, 999);
    expectFields(DateTime(2013, 3, 31) + Timespan(30 * Timespan::DAYS), 2013, 4, 30);

    DateTime t(2013, 1, 31, 22);
    t += Timespan(3 * Timespan::HOURS);
    expectFields(t, 2013, 2, 1, 1);
    t -= Timespan(2 * Timespan::HOURS);
    expectFields(t, 2013, 1, 31, 23);

    EXPECT_EQ(Timespan(366 * Timespan::DAYS), DateTime(2013, 1, 1) - DateTime(2012, 1, 1));
    EXPECT_EQ(Timespan(-Timespan::DAYS - 1), DateTime(2012, 2, 28) - DateTime(2012, 2, 29, 0, 0, 0, 0, 1));

    DateTime local(2013, 3, 5, 0, 30);
    local.makeUTC(3600);
    expectFields(local, 2013, 3, 4, 23, 30);
    local.makeLocal(-5400);
    expectFields(local, 2013, 3, 4, 22);

    EXPECT_TRUE(DateTime(2013, 1, 1) < DateTime(2013, 1, 2));
    EXPECT_TRUE(DateTime(2013, 1, 1) <= DateTime(2013, 1, 1));
    EXPECT_TRUE(DateTime(2013, 1, 2) > DateTime(2013, 1, 1));
    EXPECT_TRUE(DateTime(2013, 1, 1) != DateTime(2013, 1, 1, 0, 0, 0, 0, 1));
    DateTime a(2013, 1, 1);
    DateTime b(1999, 9, 9);
    a.swap(b);
    expectFields(a, 1999, 9, 9);
    expectFields(b, 2013, 1, 1);
}

TEST(DateTime, LocalDateTime) {
    const LocalDateTime local(3600, 2013, 3, 5, 1, 30);
    EXPECT_EQ(3600, local.tzd());
    expectFields(local, 2013, 3, 5, 1, 30);
    expectFields(DateTime(local.utcTime(), 0), 2013, 3, 5, 0, 30);

    const LocalDateTime fromUtc(-18000, DateTime(2013, 1, 1, 2));
    expectFields(fromUtc, 2012, 12, 31, 21);
    EXPECT_EQ(DateTime(2013, 1, 1, 2).utcTime(), fromUtc.utcTime());
    EXPECT_TRUE(fromUtc == LocalDateTime(0, DateTime(2013, 1, 1, 2)));
    EXPECT_TRUE(fromUtc < local);
}

TEST(DateTimeFormatter, NamedPatterns) {
    const DateTime t(2013, 3, 5, 7, 8, 9);
    EXPECT_EQ(L"2013-3-5 7:8:9", DateTimeFormatter::format(t, DateTimeFormat::SORTABLE_FORMAT));
    EXPECT_EQ(L"Tue Tuesday Mar March", DateTimeFormatter::format(t, L"%w %W %b %B"));
    EXPECT_EQ(L"13", DateTimeFormatter::format(t, L"%y"));
    EXPECT_EQ(L"100%", DateTimeFormatter::format(t, L"100%%"));
    EXPECT_EQ(L"2013-3-5T7:8:9Z", DateTimeFormatter::format(t, DateTimeFormat::ISO8601_FORMAT));
    EXPECT_EQ(L"2013-3-5T7:8:9+1:0", DateTimeFormatter::format(t, DateTimeFormat::ISO8601_FORMAT, 3600));
    EXPECT_EQ(L"Tue, 5 Mar 13 7:8:9 GMT", DateTimeFormatter::format(t, DateTimeFormat::RFC822_FORMAT));
    EXPECT_EQ(L"Tue, 5 Mar 2013 7:8:9 GMT", DateTimeFormatter::format(t, DateTimeFormat::RFC1123_FORMAT));
    EXPECT_EQ(L"Tue, 5 Mar 2013 7:8:9 GMT", DateTimeFormatter::format(t, DateTimeFormat::HTTP_FORMAT));
    EXPECT_EQ(L"Tuesday, 5-Mar-13 7:8:9 GMT", DateTimeFormatter::format(t, DateTimeFormat::RFC850_FORMAT));
    EXPECT_EQ(L"Tuesday, 5 Mar 13 7:8:9 GMT", DateTimeFormatter::format(t, DateTimeFormat::RFC1036_FORMAT));
    EXPECT_EQ(L"Tue Mar 5 7:8:9 2013", DateTimeFormatter::format(t, DateTimeFormat::ASCTIME_FORMAT));
    EXPECT_STREQ(L"Sunday", DateTimeFormat::WEEKDAY_NAMES[0]);
    EXPECT_STREQ(L"December", DateTimeFormat::MONTH_NAMES[11]);
}

TEST(DateTimeFormatter, EveryDirective) {
    const DateTime morning(2013, 3, 5, 7, 8, 9, 12, 345);
    EXPECT_EQ(L"Tue|Tuesday|Mar|March|5|5|5|3|3|3|13|2013|7|7|am|AM|8|9|12|0|12345|Z|GMT|%|q|",
              DateTimeFormatter::format(morning, L"%w|%W|%b|%B|%d|%e|%f|%m|%n|%o|%y|%Y|%H|%h|%a|%A|"
                                                 L"%M|%S|%i|%c|%F|%z|%Z|%%|%q|%"));
    const DateTime evening(2009, 12, 27, 0, 0, 0, 987, 6);
    EXPECT_EQ(L"Sun Dec 9 0 12 am 9 987006",
              DateTimeFormatter::format(evening, L"%w %b %y %H %h %a %c %F"));
    EXPECT_EQ(L"13 1 pm PM", DateTimeFormatter::format(DateTime(2013, 1, 1, 13), L"%H %h %a %A"));

    std::wstring text = L"at ";
    DateTimeFormatter::append(text, morning, L"%H:%M", -5400);
    DateTimeFormatter::append(text, morning, L" %z %Z", -5400);
    EXPECT_EQ(L"at 7:8 -1:30 -0130", text);

    const LocalDateTime local(3600, 2013, 3, 5, 7, 8, 9);
    EXPECT_EQ(L"7:8 +1:0 +0100", DateTimeFormatter::format(local, L"%H:%M %z %Z"));
    EXPECT_EQ(L"2013-3-10 7:30:9",
              DateTimeFormatter::format(Timestamp(1362900609123456LL), DateTimeFormat::SORTABLE_FORMAT));
}

TEST(DateTimeFormatter, TimeZones) {
    EXPECT_EQ(L"+1:0", DateTimeFormatter::tzdISO(3600));
    EXPECT_EQ(L"-1:30", DateTimeFormatter::tzdISO(-5400));
    EXPECT_EQ(L"+0:0", DateTimeFormatter::tzdISO(0));
    EXPECT_EQ(L"Z", DateTimeFormatter::tzdISO(0xFFFF));
    EXPECT_EQ(L"GMT", DateTimeFormatter::tzdRFC(0xFFFF));
    EXPECT_EQ(L"+0100", DateTimeFormatter::tzdRFC(3600));
    EXPECT_EQ(L"+1000", DateTimeFormatter::tzdRFC(36000));
    EXPECT_EQ(L"-0130", DateTimeFormatter::tzdRFC(-5400));
}

TEST(DateTimeFormatter, Timespans) {
    // 1 day, 2 hours, 3 minutes, 4 seconds, 5 milliseconds and 6 microseconds.
    const Timespan span(93784005006LL);
    EXPECT_EQ(L"1 2 26 3 1563 4 93784 5 0 5006 %",
              DateTimeFormatter::format(span, L"%d %H %h %M %m %S %s %i %c %F %%"));
    EXPECT_EQ(L"7 x", DateTimeFormatter::format(Timespan(789 * Timespan::MILLISECONDS), L"%c %x%"));
    std::wstring text = L">";
    DateTimeFormatter::append(text, Timespan(90 * Timespan::SECONDS), L"%m:%S");
    EXPECT_EQ(L">1:30", text);
}
