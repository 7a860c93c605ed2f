#include "pel/base/DateTimeFormatter.h"

#include "pel/base/DateTimeFormat.h"
#include "pel/text/NumberText.h"

#include <cstdlib>

namespace pel {

namespace {

void appendNumber(std::wstring& str, int64_t value, int width = 0) {
    formatInteger(str, value, 10, width);
}

void appendAbbreviation(std::wstring& str, const wchar_t* name) {
    str.append(name, 3);
}

// The sign and the absolute offset in hours and minutes.
void splitTzd(int tzd, wchar_t* o_sign, int* o_hours, int* o_minutes) {
    *o_sign = tzd < 0 ? L'-' : L'+';
    const int offset = std::abs(tzd);
    *o_hours = offset / 3600;
    *o_minutes = offset % 3600 / 60;
}

} // namespace

std::wstring DateTimeFormatter::format(const DateTime& dateTime, const std::wstring& pattern, int tzd) {
    std::wstring result;
    append(result, dateTime, pattern, tzd);
    return result;
}

std::wstring DateTimeFormatter::format(const LocalDateTime& dateTime, const std::wstring& pattern) {
    return format(static_cast<const DateTime&>(dateTime), pattern, dateTime.tzd());
}

std::wstring DateTimeFormatter::format(const Timestamp& timestamp, const std::wstring& pattern, int tzd) {
    return format(DateTime(timestamp), pattern, tzd);
}

std::wstring DateTimeFormatter::format(const Timespan& span, const std::wstring& pattern) {
    std::wstring result;
    append(result, span, pattern);
    return result;
}

void DateTimeFormatter::append(std::wstring& str, const DateTime& dateTime, const std::wstring& pattern,
                               int tzd) {
    for (size_t i = 0; i < pattern.length(); ++i) {
        if (pattern[i] != L'%') {
            str += pattern[i];
            continue;
        }
        if (++i == pattern.length())
            break;
        switch (pattern[i]) {
        case L'w': appendAbbreviation(str, DateTimeFormat::WEEKDAY_NAMES[dateTime.dayOfWeek()]); break;
        case L'W': str += DateTimeFormat::WEEKDAY_NAMES[dateTime.dayOfWeek()]; break;
        case L'b': appendAbbreviation(str, DateTimeFormat::MONTH_NAMES[dateTime.month() - 1]); break;
        case L'B': str += DateTimeFormat::MONTH_NAMES[dateTime.month() - 1]; break;
        case L'd':
        case L'e':
        case L'f': appendNumber(str, dateTime.day()); break;
        case L'm':
        case L'n':
        case L'o': appendNumber(str, dateTime.month()); break;
        case L'y': appendNumber(str, dateTime.year() % 100); break;
        case L'Y': appendNumber(str, dateTime.year()); break;
        case L'H': appendNumber(str, dateTime.hour()); break;
        case L'h': appendNumber(str, dateTime.hourAMPM()); break;
        case L'a': str += dateTime.isAM() ? L"am" : L"pm"; break;
        case L'A': str += dateTime.isAM() ? L"AM" : L"PM"; break;
        case L'M': appendNumber(str, dateTime.minute()); break;
        case L'S': appendNumber(str, dateTime.second()); break;
        case L'i': appendNumber(str, dateTime.millisecond()); break;
        case L'c': appendNumber(str, dateTime.millisecond() / 100); break;
        case L'F': appendNumber(str, dateTime.millisecond() * 1000 + dateTime.microsecond()); break;
        case L'z': str += tzdISO(tzd); break;
        case L'Z': str += tzdRFC(tzd); break;
        default: str += pattern[i];
        }
    }
}

void DateTimeFormatter::append(std::wstring& str, const LocalDateTime& dateTime, const std::wstring& pattern) {
    append(str, static_cast<const DateTime&>(dateTime), pattern, dateTime.tzd());
}

void DateTimeFormatter::append(std::wstring& str, const Timestamp& timestamp, const std::wstring& pattern,
                               int tzd) {
    append(str, DateTime(timestamp), pattern, tzd);
}

void DateTimeFormatter::append(std::wstring& str, const Timespan& span, const std::wstring& pattern) {
    const int64_t t = span.totalMicroseconds();
    for (size_t i = 0; i < pattern.length(); ++i) {
        if (pattern[i] != L'%') {
            str += pattern[i];
            continue;
        }
        if (++i == pattern.length())
            break;
        switch (pattern[i]) {
        case L'd': appendNumber(str, t / Timespan::DAYS); break;
        case L'H': appendNumber(str, t / Timespan::HOURS % 24); break;
        case L'h': appendNumber(str, t / Timespan::HOURS); break;
        case L'M': appendNumber(str, t / Timespan::MINUTES % 60); break;
        case L'm': appendNumber(str, t / Timespan::MINUTES); break;
        case L'S': appendNumber(str, t / Timespan::SECONDS % 60); break;
        case L's': appendNumber(str, t / Timespan::SECONDS); break;
        case L'i': appendNumber(str, t / Timespan::MILLISECONDS % 1000); break;
        case L'c': appendNumber(str, t / Timespan::MILLISECONDS % 1000 / 100); break;
        case L'F': appendNumber(str, t % Timespan::SECONDS); break;
        default: str += pattern[i];
        }
    }
}

std::wstring DateTimeFormatter::tzdISO(int tzd) {
    std::wstring text;
    text.reserve(8);
    if (tzd == UTC) {
        text += L'Z';
        return text;
    }
    wchar_t sign = L'+';
    int hours = 0;
    int minutes = 0;
    splitTzd(tzd, &sign, &hours, &minutes);
    text += sign;
    appendNumber(text, hours);
    text += L':';
    appendNumber(text, minutes);
    return text;
}

std::wstring DateTimeFormatter::tzdRFC(int tzd) {
    std::wstring text;
    text.reserve(8);
    if (tzd == UTC) {
        text += L"GMT";
        return text;
    }
    wchar_t sign = L'+';
    int hours = 0;
    int minutes = 0;
    splitTzd(tzd, &sign, &hours, &minutes);
    text += sign;
    // Unpadded digits would read "+10" for both +1:00 and +10:00.
    appendNumber(text, hours, 2);
    appendNumber(text, minutes, 2);
    return text;
}

} // namespace pel
