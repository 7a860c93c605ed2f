#pragma once
// A UTC instant with its Gregorian calendar fields. The instant counts 100-nanosecond units
// from 1582-10-15 00:00 UTC (Julian day 2299160.5), the first day of the Gregorian calendar;
// earlier dates, back to the year 0, are negative instants of the proleptic calendar. The
// fields are recomputed whenever the instant changes.

#include "pel/base/Timespan.h"
#include "pel/base/Timestamp.h"

#include <cstdint>

namespace pel {

class DateTime {
public:
    // 100-nanosecond units in a day.
    static constexpr int64_t UNITS_PER_DAY = 864000000000LL;

    // The current system time.
    DateTime();
    // Stops with an assertion violation when a part is out of range (see isValid).
    DateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
             int millisecond = 0, int microsecond = 0);
    explicit DateTime(double julianDay);
    // utcTime plus diff microseconds.
    DateTime(int64_t utcTime, int64_t diff);
    explicit DateTime(const Timestamp& timestamp);
    DateTime(const DateTime& other) = default;

    DateTime& operator=(const DateTime& other) = default;
    DateTime& operator=(const Timestamp& timestamp);
    DateTime& operator=(double julianDay);
    DateTime& assign(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                     int millisecond = 0, int microsecond = 0);
    void swap(DateTime& other);

    int year() const { return m_year; }
    int month() const { return m_month; }
    int day() const { return m_day; }
    int hour() const { return m_hour; }
    // 12 for midnight and noon, 1-11 for the other hours of either half.
    int hourAMPM() const;
    bool isAM() const { return m_hour < 12; }
    bool isPM() const { return m_hour >= 12; }
    int minute() const { return m_minute; }
    int second() const { return m_second; }
    int millisecond() const { return m_millisecond; }
    int microsecond() const { return m_microsecond; }
    // 0 Sunday to 6 Saturday.
    int dayOfWeek() const;
    // 1 to 366.
    int dayOfYear() const;
    // Week of the year when weeks start on firstDayOfWeek (0 Sunday to 6 Saturday): days before
    // the first such day of January belong to week 0, or to week 1 when that day comes after
    // January 4.
    int week(int firstDayOfWeek) const;
    double julianDay() const;
    int64_t utcTime() const { return m_utcTime; }
    Timestamp timestamp() const;

    static bool isLeapYear(int year);
    static int daysOfMonth(int year, int month);
    static bool isValid(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                        int millisecond = 0, int microsecond = 0);
    static double toJulianDay(int64_t utcTime);
    static int64_t toUtcTime(double julianDay);
    static double toJulianDay(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0, int millisecond = 0, int microsecond = 0);

    DateTime operator+(const Timespan& span) const;
    DateTime operator-(const Timespan& span) const;
    Timespan operator-(const DateTime& other) const;
    DateTime& operator+=(const Timespan& span);
    DateTime& operator-=(const Timespan& span);
    // Take a local time with offset tzd (seconds east of UTC) to UTC, and back.
    void makeUTC(int tzd);
    void makeLocal(int tzd);

    bool operator==(const DateTime& other) const { return m_utcTime == other.m_utcTime; }
    bool operator!=(const DateTime& other) const { return m_utcTime != other.m_utcTime; }
    bool operator<(const DateTime& other) const { return m_utcTime < other.m_utcTime; }
    bool operator<=(const DateTime& other) const { return m_utcTime <= other.m_utcTime; }
    bool operator>(const DateTime& other) const { return m_utcTime > other.m_utcTime; }
    bool operator>=(const DateTime& other) const { return m_utcTime >= other.m_utcTime; }

protected:
    // Sets the instant and recomputes the fields.
    void setUtcTime(int64_t utcTime);

private:
    void computeFields();

    int64_t m_utcTime;
    int16_t m_year;
    int16_t m_month;
    int16_t m_day;
    int16_t m_hour;
    int16_t m_minute;
    int16_t m_second;
    int16_t m_millisecond;
    int16_t m_microsecond;
};

} // namespace pel
