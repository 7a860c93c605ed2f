#pragma once
// The character classes of the value-tree text format, shared by its parser and its writer, and
// the writer's tests of whether a text reads back as written.

#include "pel/base/Ascii.h"

#include <cstddef>

namespace tessel {
namespace value_node_text {

inline bool isDigit(wchar_t c) { return pel::Ascii::isDigit(c); }
// What a bare symbol starts with (besides "--").
inline bool isSymbolStart(wchar_t c) { return pel::Ascii::isAlpha(c) || c == L'_'; }
// What a bare symbol, a regular expression's options or a number key is made of.
inline bool isSymbolUnit(wchar_t c) { return pel::Ascii::isAlphaNumeric(c) || c == L'_' || c == L'-' || c == L'.'; }

// What a number token is made of: digits, ".", "e", "E", "-", and a "+" directly after the
// exponent mark ("1e+20" is how the writer prints large doubles).
inline bool isNumberUnit(wchar_t c) { return isDigit(c) || c == L'.' || c == L'e' || c == L'E' || c == L'-'; }
inline bool continuesNumber(wchar_t c, wchar_t previous) {
    return isNumberUnit(c) || (c == L'+' && (previous == L'e' || previous == L'E'));
}

// Whether the text, written bare as a dictionary key, reads back as that key: one bare symbol,
// or one number token (a key keeps a number's text as it is).
bool readsBackAsKey(const wchar_t* text, size_t length);
// Whether the text, written bare, reads back as a String of that text: one bare symbol other
// than "true", "false" and "null".
bool readsBackAsSymbol(const wchar_t* text, size_t length);

} // namespace value_node_text
} // namespace tessel
