#pragma once
// The one log call of the program: a level, a source identifier (CRC-32 of the source name)
// and a wide printf format. Each line goes to the debugger output and then to the log
// manager, which hands it to the registered listeners.

#include <cstdint>

namespace pel {

enum LogLevel : int {
    LOG_DEBUG = 0,
    LOG_INFO = 1,
    LOG_WARNING = 2,
    LOG_ERROR = 3,
    LOG_CRITICAL = 4,
};

constexpr uint32_t LOG_ALL_SOURCE = 0xADBF3357;      // "ALL"
constexpr uint32_t LOG_INTERNAL_SOURCE = 0x960DABD4; // "LogManager"
constexpr uint32_t LOG_UNKNOWN_SOURCE = 0x629B9E5B;  // "Unknown"
constexpr uint32_t LOG_ASSERT_SOURCE = 0xB1EF4FAB;   // "assert", never registered

// Longest formatted text of one line; the newline comes on top.
constexpr int LOG_MAX_TEXT = 4093;

// The format is always the program's own text: outside text goes in as a "%s" argument.
void log_printf(int level, uint32_t source, const wchar_t* format, ...);
// Formats like log_printf but only writes to the debugger output; for code the log manager
// itself runs, which must not re-enter it.
void debug_printf(const wchar_t* format, ...);

} // namespace pel
