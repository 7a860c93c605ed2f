#pragma once
// Dates, times and time spans as text by a pattern: each "%" and a directive letter is replaced
// by a field (see DateTimeFormat for the named patterns); "%" and any other character writes
// that character, so "%%" writes "%". Numbers are written in decimal without padding.
//
// DateTime directives: %w %W weekday (three letters, full), %b %B month name (three letters,
// full), %d %e %f day, %m %n %o month, %y year of the century, %Y year, %H hour (0-23),
// %h hour (1-12), %a %A "am"/"pm" and "AM"/"PM", %M minute, %S second, %i millisecond,
// %c tenth of a second, %F microseconds of the second, %z %Z the zone (tzdISO, tzdRFC).
// Timespan directives: %d days, %H %h hours of the day and in all, %M %m minutes of the hour
// and in all, %S %s seconds of the minute and in all, %i millisecond, %c tenth of a second,
// %F microseconds of the second.

#include "pel/base/DateTime.h"
#include "pel/base/LocalDateTime.h"
#include "pel/base/Timespan.h"
#include "pel/base/Timestamp.h"

#include <string>

namespace pel {

class DateTimeFormatter {
public:
    // The zone offset that stands for UTC itself ("Z", "GMT").
    static constexpr int UTC = 0xFFFF;

    DateTimeFormatter() = delete;

    static std::wstring format(const DateTime& dateTime, const std::wstring& pattern, int tzd = UTC);
    static std::wstring format(const LocalDateTime& dateTime, const std::wstring& pattern);
    static std::wstring format(const Timestamp& timestamp, const std::wstring& pattern, int tzd = UTC);
    static std::wstring format(const Timespan& span, const std::wstring& pattern);

    static void append(std::wstring& str, const DateTime& dateTime, const std::wstring& pattern,
                       int tzd = UTC);
    static void append(std::wstring& str, const LocalDateTime& dateTime, const std::wstring& pattern);
    static void append(std::wstring& str, const Timestamp& timestamp, const std::wstring& pattern,
                       int tzd = UTC);
    static void append(std::wstring& str, const Timespan& span, const std::wstring& pattern);

    // "Z" for UTC, else the sign, the hours, ':' and the minutes of the offset ("+1:0", "-1:30").
    static std::wstring tzdISO(int tzd);
    // "GMT" for UTC, else the sign and the offset as four digits, hours then minutes ("+0100").
    static std::wstring tzdRFC(int tzd);
};

} // namespace pel
