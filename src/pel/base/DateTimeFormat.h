#pragma once
// The named date patterns of DateTimeFormatter and the English day and month names.

namespace pel {

class DateTimeFormat {
public:
    DateTimeFormat() = delete;

    static constexpr const wchar_t* ISO8601_FORMAT = L"%Y-%m-%dT%H:%M:%S%z";
    static constexpr const wchar_t* RFC822_FORMAT = L"%w, %e %b %y %H:%M:%S %Z";
    static constexpr const wchar_t* RFC1123_FORMAT = L"%w, %e %b %Y %H:%M:%S %Z";
    static constexpr const wchar_t* HTTP_FORMAT = L"%w, %d %b %Y %H:%M:%S %Z";
    static constexpr const wchar_t* RFC850_FORMAT = L"%W, %e-%b-%y %H:%M:%S %Z";
    static constexpr const wchar_t* RFC1036_FORMAT = L"%W, %e %b %y %H:%M:%S %Z";
    static constexpr const wchar_t* ASCTIME_FORMAT = L"%w %b %f %H:%M:%S %Y";
    static constexpr const wchar_t* SORTABLE_FORMAT = L"%Y-%m-%d %H:%M:%S";

    // Index 0 is Sunday.
    static constexpr const wchar_t* WEEKDAY_NAMES[7] = {
        L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday",
    };
    // Index 0 is January.
    static constexpr const wchar_t* MONTH_NAMES[12] = {
        L"January", L"February", L"March",     L"April",   L"May",      L"June",
        L"July",    L"August",   L"September", L"October", L"November", L"December",
    };
};

} // namespace pel
