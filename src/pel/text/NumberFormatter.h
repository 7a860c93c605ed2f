#pragma once
// Human-readable sizes of byte counts ("1.5 KB") and rough lengths of time spans ("3 hours"),
// as the file and progress displays show them. Stateless; safe on any thread.

#include <cstdint>
#include <string>

namespace pel {

class NumberFormatter {
public:
    // B below 1 KB; KB rounded to one decimal; MB, GB and TB truncated to whole units.
    static void splitSize(uint64_t bytes, double* o_size, const wchar_t** o_size_unit);
    // Appends the size, a blank and its unit: "512 B", "1.5 KB", "3 MB".
    static void appendSize(std::wstring* o_string, uint64_t bytes);

    // The span rounded to the nearest whole unit (seconds, minutes, hours, weeks, months of 28
    // days, years of 12 such months, decades), singular exactly for 1; a negative span gives 0
    // and "unknown". Spans under a week stay in hours, since there is no day unit.
    static void splitTime(int64_t seconds, int32_t* o_time, const wchar_t** o_time_unit);
    // Appends "45 seconds", "1 minute", "3 hours"; a negative span appends "unknown time".
    static void appendTime(int64_t seconds, std::wstring* o_string);
};

} // namespace pel
