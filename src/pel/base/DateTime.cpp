#include "pel/base/DateTime.h"

#include "pel/base/Assert.h"

#include <cmath>
#include <utility>

namespace pel {

namespace {

// Days from 1582-10-15 to 1970-01-01.
constexpr int64_t GREGORIAN_TO_UNIX_DAYS = 141427;
// Julian day of 1582-10-15 00:00.
constexpr double GREGORIAN_JULIAN_DAY = 2299160.5;
constexpr int64_t UNITS_PER_MICROSECOND = 10;

// Division and remainder rounding towards minus infinity, so that instants before 1582 give
// the same fields as later ones.
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t floorMod(int64_t a, int64_t b) {
    return a - floorDiv(a, b) * b;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back, counted in 400-year eras of
// 146097 days that start on March 1st.
int64_t daysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = floorDiv(year, 400);
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, int64_t* o_year, int* o_month, int* o_day) {
    days += 719468;
    const int64_t era = floorDiv(days, 146097);
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153; // 0 is March
    *o_day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *o_month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *o_year = yearOfEra + era * 400 + (*o_month <= 2);
}

int64_t microsecondsOfDay(int hour, int minute, int second, int millisecond, int microsecond) {
    return (((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond) * 1000 +
           microsecond;
}

int daysOfMonth(int year, int month) {
    return DateTime::daysOfMonth(year, month);
}

void checkParts(int year, int month, int day, int hour, int minute, int second, int millisecond,
                int microsecond) {
    PEL_ASSERT(year >= 0 && year <= 9999);
    PEL_ASSERT(month >= 1 && month <= 12);
    PEL_ASSERT(day >= 1 && day <= daysOfMonth(year, month));
    PEL_ASSERT(hour >= 0 && hour <= 23);
    PEL_ASSERT(minute >= 0 && minute <= 59);
    PEL_ASSERT(second >= 0 && second <= 59);
    PEL_ASSERT(millisecond >= 0 && millisecond <= 999);
    PEL_ASSERT(microsecond >= 0 && microsecond <= 999);
}

int64_t utcTimeOf(int year, int month, int day, int hour, int minute, int second, int millisecond,
                  int microsecond) {
    const int64_t days = daysFromCivil(year, month, day) + GREGORIAN_TO_UNIX_DAYS;
    return days * DateTime::UNITS_PER_DAY +
           UNITS_PER_MICROSECOND * microsecondsOfDay(hour, minute, second, millisecond, microsecond);
}

int64_t utcTimeOf(const Timestamp& timestamp) {
    return (timestamp.epochMicroseconds() + Timestamp::UTC_EPOCH_OFFSET) * UNITS_PER_MICROSECOND;
}

} // namespace

DateTime::DateTime() {
    setUtcTime(utcTimeOf(Timestamp()));
}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second, int millisecond,
                   int microsecond) {
    assign(year, month, day, hour, minute, second, millisecond, microsecond);
}

DateTime::DateTime(double julianDay) {
    setUtcTime(toUtcTime(julianDay));
}

DateTime::DateTime(int64_t utcTime, int64_t diff) {
    setUtcTime(utcTime + diff * UNITS_PER_MICROSECOND);
}

DateTime::DateTime(const Timestamp& timestamp) {
    setUtcTime(utcTimeOf(timestamp));
}

DateTime& DateTime::operator=(const Timestamp& timestamp) {
    setUtcTime(utcTimeOf(timestamp));
    return *this;
}

DateTime& DateTime::operator=(double julianDay) {
    setUtcTime(toUtcTime(julianDay));
    return *this;
}

DateTime& DateTime::assign(int year, int month, int day, int hour, int minute, int second,
                           int millisecond, int microsecond) {
    checkParts(year, month, day, hour, minute, second, millisecond, microsecond);
    setUtcTime(utcTimeOf(year, month, day, hour, minute, second, millisecond, microsecond));
    return *this;
}

void DateTime::swap(DateTime& other) {
    std::swap(m_utcTime, other.m_utcTime);
    std::swap(m_year, other.m_year);
    std::swap(m_month, other.m_month);
    std::swap(m_day, other.m_day);
    std::swap(m_hour, other.m_hour);
    std::swap(m_minute, other.m_minute);
    std::swap(m_second, other.m_second);
    std::swap(m_millisecond, other.m_millisecond);
    std::swap(m_microsecond, other.m_microsecond);
}

int DateTime::hourAMPM() const {
    if (m_hour < 1)
        return 12;
    return m_hour > 12 ? m_hour - 12 : m_hour;
}

int DateTime::dayOfWeek() const {
    // floor(julianDay + 1.5) mod 7, in whole days: 1582-10-15 was a Friday.
    const int64_t days = floorDiv(m_utcTime, UNITS_PER_DAY);
    return static_cast<int>(floorMod(days + 2299162, 7));
}

int DateTime::dayOfYear() const {
    int days = 0;
    for (int month = 1; month < m_month; ++month)
        days += daysOfMonth(m_year, month);
    return days + m_day;
}

int DateTime::week(int firstDayOfWeek) const {
    PEL_ASSERT(firstDayOfWeek >= 0 && firstDayOfWeek <= 6);
    // The first day of January (1-7) that falls on firstDayOfWeek.
    const int januaryFirst = DateTime(m_year, 1, 1).dayOfWeek();
    const int baseDay = 1 + (firstDayOfWeek - januaryFirst + 7) % 7;
    const int offset = baseDay > 4 ? 1 : 0;
    const int day = dayOfYear();
    if (day < baseDay)
        return offset;
    return (day - baseDay) / 7 + 1 + offset;
}

double DateTime::julianDay() const {
    return toJulianDay(m_utcTime);
}

Timestamp DateTime::timestamp() const {
    return Timestamp(floorDiv(m_utcTime, UNITS_PER_MICROSECOND) - Timestamp::UTC_EPOCH_OFFSET);
}

bool DateTime::isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DateTime::daysOfMonth(int year, int month) {
    PEL_ASSERT(month >= 1 && month <= 12);
    static const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : DAYS[month - 1];
}

bool DateTime::isValid(int year, int month, int day, int hour, int minute, int second,
                       int millisecond, int microsecond) {
    return year >= 0 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysOfMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
           minute <= 59 && second >= 0 && second <= 59 && millisecond >= 0 &&
           millisecond <= 999 && microsecond >= 0 && microsecond <= 999;
}

double DateTime::toJulianDay(int64_t utcTime) {
    return static_cast<double>(utcTime) / static_cast<double>(UNITS_PER_DAY) + GREGORIAN_JULIAN_DAY;
}

int64_t DateTime::toUtcTime(double julianDay) {
    return static_cast<int64_t>((julianDay - GREGORIAN_JULIAN_DAY) * static_cast<double>(UNITS_PER_DAY));
}

double DateTime::toJulianDay(int year, int month, int day, int hour, int minute, int second,
                             int millisecond, int microsecond) {
    // Day offsets of March to February, the year starting in March.
    static const int MONTH_OFFSETS[12] = {0, 31, 61, 92, 122, 153, 184, 214, 245, 275, 306, 337};
    if (month < 3) {
        month += 12;
        --year;
    }
    const double dayFraction =
        static_cast<double>(microsecondsOfDay(hour, minute, second, millisecond, microsecond)) /
        86400000000.0;
    const double y = year;
    return day + dayFraction + MONTH_OFFSETS[month - 3] + 365.0 * year + std::floor(y / 4) -
           std::floor(y / 100) + std::floor(y / 400) + 1721118.5;
}

DateTime DateTime::operator+(const Timespan& span) const {
    return DateTime(m_utcTime, span.totalMicroseconds());
}

DateTime DateTime::operator-(const Timespan& span) const {
    return DateTime(m_utcTime, -span.totalMicroseconds());
}

Timespan DateTime::operator-(const DateTime& other) const {
    return Timespan((m_utcTime - other.m_utcTime) / UNITS_PER_MICROSECOND);
}

DateTime& DateTime::operator+=(const Timespan& span) {
    setUtcTime(m_utcTime + span.totalMicroseconds() * UNITS_PER_MICROSECOND);
    return *this;
}

DateTime& DateTime::operator-=(const Timespan& span) {
    setUtcTime(m_utcTime - span.totalMicroseconds() * UNITS_PER_MICROSECOND);
    return *this;
}

void DateTime::makeUTC(int tzd) {
    operator-=(Timespan(static_cast<int64_t>(tzd) * Timespan::SECONDS));
}

void DateTime::makeLocal(int tzd) {
    operator+=(Timespan(static_cast<int64_t>(tzd) * Timespan::SECONDS));
}

void DateTime::setUtcTime(int64_t utcTime) {
    m_utcTime = utcTime;
    computeFields();
}

void DateTime::computeFields() {
    const int64_t days = floorDiv(m_utcTime, UNITS_PER_DAY);
    int64_t year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(days - GREGORIAN_TO_UNIX_DAYS, &year, &month, &day);
    const int64_t microseconds = floorDiv(m_utcTime - days * UNITS_PER_DAY, UNITS_PER_MICROSECOND);
    m_year = static_cast<int16_t>(year);
    m_month = static_cast<int16_t>(month);
    m_day = static_cast<int16_t>(day);
    m_hour = static_cast<int16_t>(microseconds / Timespan::HOURS);
    m_minute = static_cast<int16_t>(microseconds / Timespan::MINUTES % 60);
    m_second = static_cast<int16_t>(microseconds / Timespan::SECONDS % 60);
    m_millisecond = static_cast<int16_t>(microseconds / Timespan::MILLISECONDS % 1000);
    m_microsecond = static_cast<int16_t>(microseconds % 1000);

    // Reported without stopping; only an instant far outside the years 0-9999 can trip them.
    const struct {
        bool holds;
        const wchar_t* text;
    } checks[] = {
        {m_month >= 1 && m_month <= 12, L"_month >= 1 && _month <= 12"},
        {m_month < 1 || m_month > 12 || (m_day >= 1 && m_day <= daysOfMonth(m_year, m_month)),
         L"_day >= 1 && _day <= daysOfMonth(_year, _month)"},
        {m_hour >= 0 && m_hour <= 23, L"_hour >= 0 && _hour <= 23"},
        {m_minute >= 0 && m_minute <= 59, L"_minute >= 0 && _minute <= 59"},
        {m_second >= 0 && m_second <= 59, L"_second >= 0 && _second <= 59"},
        {m_millisecond >= 0 && m_millisecond <= 999, L"_millisecond >= 0 && _millisecond <= 999"},
        {m_microsecond >= 0 && m_microsecond <= 999, L"_microsecond >= 0 && _microsecond <= 999"},
    };
    for (const auto& check : checks) {
        if (!check.holds)
            softAssertion(check.text, PEL_FILE, __LINE__);
    }
}

} // namespace pel
