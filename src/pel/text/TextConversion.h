#pragma once
// Conversions between wide (UTF-16) text and 8-bit strings: ASCII, Latin-1 widening and UTF-8.

#include <cstddef>
#include <string>

namespace pel {

// Appends the low 7 bits of each UTF-16 unit as one byte.
void toAscii(const std::wstring& text, std::string& out);
// Appends each byte of a NUL-terminated string as one UTF-16 unit (bytes read as Latin-1).
void appendNarrow(const char* text, std::wstring& out);
// Append the UTF-8 form of the text, or the text of UTF-8 bytes. A byte-order mark is data
// (U+FEFF); lone surrogates and ill-formed bytes become U+FFFD.
void toUtf8(const wchar_t* text, size_t length, std::string& out);
void fromUtf8(const char* bytes, size_t length, std::wstring& out);

} // namespace pel
