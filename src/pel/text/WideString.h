#pragma once
// Small helpers over UTF-16 text shared by documents, indentation, the clipboard, debug output
// and file types. White space for the trims is any unit at or below 32.

#include <cstddef>
#include <cstdint>
#include <string>

namespace pel {

// True when one of the first n units (stopping at a NUL) is above 32.
bool containsNonBlank(const wchar_t* text, int n);
// Leading units at or below 32 that are neither CR nor LF.
int leadingWhitespaceLength(const wchar_t* text, int n);
// n less the trailing units at or below 32 (CR and LF included); n for a text starting with a NUL.
int trailingWhitespaceStart(const wchar_t* text, int n);
void trimWhitespace(std::wstring& string);

// Visual width of the leading blanks (a tab moves to the next multiple of tabSize); -1 for a
// line without any unit above 32 unless force is set. tabSize must be at least 1.
int indentationWidth(const wchar_t* text, int n, int tabSize, bool force);

// The same questions of n units read in place by index (text[i]), such as a document's line
// through its iterator: each reads only as far as its answer needs, so a caller need not copy a
// line of many megabytes to ask about its ends. The pointer forms above add their checks of a
// null or NUL-led text.
template <class Units>
bool containsNonBlankIn(const Units& text, int n) {
    for (int i = 0; i < n; ++i) {
        const wchar_t unit = text[i];
        if (unit == 0)
            return false;
        if (unit > 32)
            return true;
    }
    return false;
}
template <class Units>
int trailingWhitespaceStartIn(const Units& text, int n) {
    int end = n;
    while (end > 0 && text[end - 1] <= 32)
        --end;
    return end;
}
template <class Units>
int indentationWidthIn(const Units& text, int n, int tabSize, bool force) {
    if (!force && !containsNonBlankIn(text, n))
        return -1;
    int width = 0;
    for (int i = 0; i < n; ++i) {
        const wchar_t unit = text[i];
        if (unit == L' ')
            ++width;
        else if (unit == L'\t')
            width += tabSize - width % tabSize;
        else
            break;
    }
    return width;
}
// Inserts at the front width / tabSize tabs and width % tabSize spaces, or width spaces when
// tabSize is 0.
void insertIndentation(int width, int tabSize, std::wstring& string);

wchar_t toUpperChar(wchar_t c);
bool appendInteger(std::wstring& string, int value, int radix);
// Non-empty, and wholly consumed by a base-10 wcstol (leading blanks and a sign allowed).
bool isInteger(const wchar_t* text);

// Appends text with CR LF, lone CR and lone LF each written as LF (LF CR is two breaks).
void normalizeLineEndings(const wchar_t* text, std::wstring& string);
void normalizeLineEndings(const wchar_t* text, size_t length, std::wstring& string);
// Replaces string with text, a CR inserted before every LF.
void addCarriageReturns(const wchar_t* text, std::wstring& string);
// Appends text with TAB, CR, LF as "\t", "\r", "\n" and other controls as "\x%x".
void escapeControlCharacters(const wchar_t* text, std::wstring& string);
// Appends a dump of 16 bytes a line: offset, four groups of four, the printable bytes.
void hexDump(const void* data, size_t size, std::wstring& string, const wchar_t* prefix);
// The first unit that is not ASCII white space.
const wchar_t* skipWhitespace(const wchar_t* text);

// name ends with type and is type itself or has '.', '/' or '\' before it.
bool matchesFileType(const wchar_t* name, const wchar_t* type);

inline bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// The code point of a surrogate pair; an invalid pair is logged and the same sum returned.
uint32_t surrogatesToCodePoint(wchar_t high, wchar_t low);

// Decodes a loaded byte buffer and appends it with LF line endings. Code 0 detects the
// encoding: byte-order mark, then UTF-8 without a mark, else the system code page. A non-zero
// code is used as given and skips no mark. Returns false, leaving string unchanged, on failure.
bool decodeText(const void* data, size_t size, uint32_t encoding, std::wstring& string);

} // namespace pel
