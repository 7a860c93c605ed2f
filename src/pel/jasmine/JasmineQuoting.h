#pragma once
// The texts that Jasmine and JSON writing puts out for strings, keys and regular-expression
// literals, each written so that the Jasmine reader gives back exactly the same text.

#include <string>
#include <string_view>

namespace pel {

// Appends text as a double-quoted literal. Backspace, TAB, LF, form feed, CR, the double quote
// and the backslash get their two-character escapes; every other character below 32 and the
// characters < and > are written as \u and four upper-case hexadecimal digits; everything else,
// non-ASCII and / included, stays as it is.
void quoteString(std::wstring_view text, std::wstring& out);

// Appends text between single quotes with every ' doubled and nothing else escaped, as long as
// the single-quoted form reads back as the same text. It does not when a backslash stands
// last or before a ' (the reader would take the pair as an escape); such text is appended
// by quoteString instead. Returns true when single-quoted.
bool quoteStringSingle(std::wstring_view text, std::wstring& out);

// Appends text bare when it reads back as the same key: at least one character, only symbol
// characters (A-Z a-z 0-9 _ - .) and none of the words null, true and false. Otherwise appends
// it by quoteString. Returns true when bare.
bool writeBareOrQuoted(std::wstring_view text, std::wstring& out);

// Whether text, standing alone, is one Jasmine number token (-12, 1.5e-3, 007).
bool lexesAsNumber(std::wstring_view text);

// Appends /pattern/options. The pattern keeps its escapes: a backslash and the character after
// it are copied as they are, and only a / that no backslash escapes is written as \/. Three
// patterns have no literal of their own and are written as the nearest one that reads back: a
// backslash left alone at the end is doubled, an empty pattern is written as (?:) and a leading
// * as \* (// and /* would open a comment).
void appendRegExpLiteral(std::wstring_view pattern, std::wstring_view options, std::wstring& out);

// Appends the shortest text that reads back as the same double, always with a point or an
// exponent and a digit before the point: 1.0, 0.25, -0.5, 1e+06. Infinities and NaN, which no
// number text reads back as, are written as null.
void appendDoubleText(double value, std::wstring& out);

} // namespace pel
