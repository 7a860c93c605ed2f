#pragma once
// printf-style formatting with the Microsoft runtime's rules: in a wide format "%s" takes a
// wide string. Formats are always the program's own text, never text from outside.

#include <cstdarg>
#include <cstddef>
#include <string>

namespace pel {

// Writes at most capacity - 1 characters and a NUL. Returns the number of characters written,
// or -1 when the text did not fit; the buffer then holds its first capacity - 1 characters.
int vformatInto(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args);

// A new string, cut at 4095 characters.
std::wstring formatString(const wchar_t* format, ...);
std::wstring vformatString(const wchar_t* format, va_list args);

} // namespace pel
