#include "pel/log/Log.h"

#include "pel/log/LogManager.h"
#include "pel/text/FormatString.h"

#include <cstdarg>
#include <windows.h>

namespace pel {

namespace {

// Formats into buffer (LOG_MAX_TEXT + 2 units): the text, cut to LOG_MAX_TEXT, always ending
// in exactly the newline it had or one added.
void formatLine(wchar_t* buffer, const wchar_t* format, va_list args) {
    const int written = vformatInto(buffer, LOG_MAX_TEXT + 1, format, args);
    if (written < 0) {
        buffer[LOG_MAX_TEXT] = L'\n';
        buffer[LOG_MAX_TEXT + 1] = L'\0';
    } else if (written == 0 || buffer[written - 1] != L'\n') {
        buffer[written] = L'\n';
        buffer[written + 1] = L'\0';
    }
}

} // namespace

void log_printf(int level, uint32_t source, const wchar_t* format, ...) {
    wchar_t buffer[LOG_MAX_TEXT + 2];
    va_list args;
    va_start(args, format);
    formatLine(buffer, format, args);
    va_end(args);
    LogManager_Impl::getInstance()->log(buffer, level, source);
}

void debug_printf(const wchar_t* format, ...) {
    wchar_t buffer[LOG_MAX_TEXT + 2];
    va_list args;
    va_start(args, format);
    formatLine(buffer, format, args);
    va_end(args);
    ::OutputDebugStringW(buffer);
}

} // namespace pel
