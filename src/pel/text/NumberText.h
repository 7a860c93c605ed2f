#pragma once
// Numbers to and from wide text: exact-length decimal parsing and integer formatting in any
// radix from 2 to 32 with leading zeros. Stateless; safe on any thread.

#include <cstdint>
#include <string>

namespace pel {

// Parse the decimal number that fills exactly the first `length` characters of `text`. The text
// must end (NUL or a non-number character) right there: "12" with length 1 fails, because the
// number runs past the length. A leading blank, TAB, LF, VT, FF or CR fails; "+" and "-" are
// accepted. The out-parameter receives the conversion's value even when the parse fails.
bool parseInt(int* o_int, int length, const wchar_t* text);
bool parseInt(int* o_int, const std::wstring& text);
// "-1" gives 4294967295, as wcstoul does.
bool parseUnsigned(unsigned int* o_uint, int length, const wchar_t* text);
bool parseUnsigned(unsigned int* o_uint, const std::wstring& text);
// A value beyond the double range, or a non-zero one that rounds to zero, fails; values in the
// subnormal range are read as such.
bool parseDouble(double* o_double, int length, const wchar_t* text);
bool parseDouble(double* o_double, const std::wstring& text);
// Throws StringNotAValidInteger carrying the whole NUL-terminated text.
int parseIntOrThrow(int length, const wchar_t* text);

// Appends the value in `base` (2..32, digits 0-9 then A-V) with at least `width` digits,
// zero-padded; a minus sign counts towards the width. Out-of-range bases and widths are
// soft-asserted, then clamped (width to 0..64; a base above 32 to 32, one below 2 to 10).
void formatInteger(std::wstring& out, int64_t value, int base, int width);
void formatInteger32(std::wstring& out, int32_t value, int base);
void formatUnsigned(std::wstring& out, uint32_t value, int base, int width);
// Writes the digits of a non-negative value backwards, ending just before `bufferEnd`, and
// returns the first digit. The buffer needs 64 characters for base 2.
wchar_t* formatDigits(int64_t i_i64, wchar_t* bufferEnd, int base);
// Appends the shortest text that reads back as the same double (".5", "1e+06", "-0").
void formatDouble(std::wstring& out, double value);

} // namespace pel
