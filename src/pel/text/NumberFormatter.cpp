#include "pel/text/NumberFormatter.h"

#include "pel/base/Assert.h"
#include "pel/text/NumberText.h"

#include <climits>
#include <iterator>
#include <cmath>

namespace pel {

namespace {

struct TimeUnit {
    int64_t below;  // the unit serves spans shorter than this
    int64_t size;   // seconds in one unit
    const wchar_t* singular;
    const wchar_t* plural;
};

// Each range is counted in its own unit. Spans from a day to a week stay in hours: there is no
// day unit, and dividing them by a week would call a day "0 weeks".
const TimeUnit TIME_UNITS[] = {
    {60, 1, L"second", L"seconds"},
    {3600, 60, L"minute", L"minutes"},
    {604800, 3600, L"hour", L"hours"},
    {2419200, 604800, L"week", L"weeks"},
    {29030400, 2419200, L"month", L"months"},
    {290304000, 29030400, L"year", L"years"},
    {0, 290304000, L"decade", L"decades"}, // and every longer span
};

} // namespace

void NumberFormatter::splitSize(uint64_t bytes, double* o_size, const wchar_t** o_size_unit) {
    PEL_CHECK_PTR(o_size);
    PEL_CHECK_PTR(o_size_unit);
    if (bytes < 1024) {
        *o_size = static_cast<double>(bytes);
        *o_size_unit = L"B";
    } else if (bytes < 1024 * 1024) {
        *o_size = std::floor(static_cast<double>(bytes) / 1024.0 * 10.0 + 0.5) / 10.0;
        *o_size_unit = L"KB";
    } else if (bytes < (uint64_t(1) << 30)) {
        *o_size = static_cast<double>(bytes >> 20);
        *o_size_unit = L"MB";
    } else if (bytes < (uint64_t(1) << 40)) {
        *o_size = static_cast<double>(bytes >> 30);
        *o_size_unit = L"GB";
    } else {
        *o_size = static_cast<double>(bytes >> 40);
        *o_size_unit = L"TB";
    }
}

void NumberFormatter::appendSize(std::wstring* o_string, uint64_t bytes) {
    PEL_CHECK_PTR(o_string);
    double size = 0;
    const wchar_t* unit = nullptr;
    splitSize(bytes, &size, &unit);
    formatDouble(*o_string, size);
    *o_string += L' ';
    *o_string += unit;
}

void NumberFormatter::splitTime(int64_t seconds, int32_t* o_time, const wchar_t** o_time_unit) {
    PEL_CHECK_PTR(o_time);
    PEL_CHECK_PTR(o_time_unit);
    if (seconds < 0) {
        *o_time = 0;
        *o_time_unit = L"unknown";
        return;
    }
    const TimeUnit* unit = TIME_UNITS;
    while (seconds >= unit->below && unit + 1 != std::end(TIME_UNITS))
        ++unit;
    // Rounded to the nearest whole unit; unsigned, so the half unit cannot overflow.
    const uint64_t count = (static_cast<uint64_t>(seconds) + static_cast<uint64_t>(unit->size / 2)) /
                           static_cast<uint64_t>(unit->size);
    *o_time = count > INT32_MAX ? INT32_MAX : static_cast<int32_t>(count);
    *o_time_unit = *o_time == 1 ? unit->singular : unit->plural;
}

void NumberFormatter::appendTime(int64_t seconds, std::wstring* o_string) {
    PEL_CHECK_PTR(o_string);
    if (seconds < 0) {
        *o_string += L"unknown time";
        return;
    }
    int32_t count = 0;
    const wchar_t* unit = nullptr;
    splitTime(seconds, &count, &unit);
    formatInteger32(*o_string, count, 10);
    *o_string += L' ';
    *o_string += unit;
}

} // namespace pel
