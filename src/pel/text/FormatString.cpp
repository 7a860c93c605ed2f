#include "pel/text/FormatString.h"

#include <cwchar>
#include <stdio.h>

namespace pel {

int vformatInto(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
    if (capacity == 0)
        return -1;
    // msvcrt's own _vsnwprintf: mingw's ANSI-stdio layer would read a wide "%s" as narrow.
    // It leaves the buffer unterminated when the text fills it, so it gets one unit less.
    const int written = ::_vsnwprintf(buffer, capacity - 1, format, args);
    if (written < 0) {
        buffer[capacity - 1] = L'\0';
        return -1;
    }
    buffer[written] = L'\0';
    return written;
}

std::wstring vformatString(const wchar_t* format, va_list args) {
    wchar_t buffer[4096];
    const int written = vformatInto(buffer, 4096, format, args);
    return std::wstring(buffer, written < 0 ? 4095 : written);
}

std::wstring formatString(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = vformatString(format, args);
    va_end(args);
    return text;
}

} // namespace pel
