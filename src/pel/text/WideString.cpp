#include "pel/text/WideString.h"

#include "pel/base/Assert.h"
#include "pel/text/FormatString.h"
#include "pel/text/TextDecoding.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <cstdlib>
#include <vector>

namespace pel {

bool containsNonBlank(const wchar_t* text, int n) {
    return text && containsNonBlankIn(text, n);
}

int leadingWhitespaceLength(const wchar_t* text, int n) {
    if (!text || n < 1)
        return 0;
    int i = 0;
    while (i < n && text[i] <= 32 && text[i] != L'\r' && text[i] != L'\n')
        ++i;
    return i;
}

int trailingWhitespaceStart(const wchar_t* text, int n) {
    if (!text || n < 1 || !*text)
        return n;
    return trailingWhitespaceStartIn(text, n);
}

void trimWhitespace(std::wstring& string) {
    const int n = static_cast<int>(string.size());
    const int lead = leadingWhitespaceLength(string.c_str(), n);
    const int end = trailingWhitespaceStart(string.c_str(), n);
    if (end <= lead)
        string.clear();
    else
        string = string.substr(lead, end - lead);
}

int indentationWidth(const wchar_t* text, int n, int tabSize, bool force) {
    // A zero tab size would divide by zero: a broken setting must not end the process.
    PEL_ASSERT(tabSize >= 1);
    if (!text)
        return force ? 0 : -1;
    return indentationWidthIn(text, n, tabSize, force);
}

void insertIndentation(int width, int tabSize, std::wstring& string) {
    if (width <= 0)
        return;
    std::wstring indent;
    if (tabSize <= 0) {
        indent.assign(width, L' ');
    } else {
        indent.assign(width / tabSize, L'\t');
        indent.append(width % tabSize, L' ');
    }
    string.insert(0, indent);
}

wchar_t toUpperChar(wchar_t c) {
    wchar_t buffer[1] = {c};
    ::CharUpperBuffW(buffer, 1);
    return buffer[0];
}

bool appendInteger(std::wstring& string, int value, int radix) {
    wchar_t buffer[40];
    ::_itow(value, buffer, radix);
    string += buffer;
    return true;
}

bool isInteger(const wchar_t* text) {
    if (!text || !*text)
        return false;
    wchar_t* end = nullptr;
    std::wcstol(text, &end, 10);
    return end != text && *end == 0;
}

void normalizeLineEndings(const wchar_t* text, size_t length, std::wstring& string) {
    string.reserve(string.size() + length);
    // The text between carriage returns goes in whole.
    const wchar_t* end = text + length;
    while (text < end) {
        const wchar_t* cr = std::find(text, end, L'\r');
        string.append(text, cr);
        if (cr == end)
            break;
        string += L'\n';
        text = cr + 1 < end && cr[1] == L'\n' ? cr + 2 : cr + 1;
    }
}

void normalizeLineEndings(const wchar_t* text, std::wstring& string) {
    if (text)
        normalizeLineEndings(text, std::wcslen(text), string);
}

void addCarriageReturns(const wchar_t* text, std::wstring& string) {
    string.clear();
    if (!text)
        return;
    for (; *text; ++text) {
        if (*text == L'\n')
            string += L'\r';
        string += *text;
    }
}

void escapeControlCharacters(const wchar_t* text, std::wstring& string) {
    if (!text)
        return;
    for (; *text; ++text) {
        switch (*text) {
        case L'\t':
            string += L"\\t";
            break;
        case L'\r':
            string += L"\\r";
            break;
        case L'\n':
            string += L"\\n";
            break;
        default:
            if (*text < 32)
                string += formatString(L"\\x%x", static_cast<unsigned>(*text));
            else
                string += *text;
        }
    }
}

void hexDump(const void* data, size_t size, std::wstring& string, const wchar_t* prefix) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!prefix)
        prefix = L"";
    for (size_t offset = 0; offset < size; offset += 16) {
        const size_t lineBytes = size - offset < 16 ? size - offset : 16;
        string += formatString(L"%s%04X:", prefix, static_cast<unsigned>(offset));
        for (size_t group = 0; group < 4; ++group) {
            for (size_t k = 0; k < 4; ++k) {
                const size_t i = group * 4 + k;
                string += i < lineBytes ? formatString(L" %02X", bytes[offset + i]) : std::wstring(L"   ");
            }
            string += L'|';
        }
        string += L"  ";
        for (size_t i = 0; i < lineBytes; ++i) {
            const unsigned char b = bytes[offset + i];
            string += (b >= 32 && b <= 127) ? static_cast<wchar_t>(b) : L'.';
        }
        string += L'\n';
    }
}

const wchar_t* skipWhitespace(const wchar_t* text) {
    // The runtime's isspace is only defined for byte values: other units are not white space.
    while (*text && *text < 128 && std::isspace(static_cast<int>(*text)))
        ++text;
    return text;
}

bool matchesFileType(const wchar_t* name, const wchar_t* type) {
    if (!name || !type)
        return false;
    const size_t nameLength = std::wcslen(name), typeLength = std::wcslen(type);
    if (typeLength > nameLength || std::wcscmp(name + nameLength - typeLength, type) != 0)
        return false;
    if (typeLength == nameLength)
        return true;
    const wchar_t before = name[nameLength - typeLength - 1];
    return before == L'.' || before == L'/' || before == L'\\';
}

uint32_t surrogatesToCodePoint(wchar_t high, wchar_t low) {
    PEL_SOFT_ASSERT(is_high_surrogate(high) && is_low_surrogate(low));
    return 0x10000 + ((uint32_t(high) & 0x3FF) << 10) + (uint32_t(low) & 0x3FF);
}

bool decodeText(const void* data, size_t size, uint32_t encoding, std::wstring& string) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    size_t skip = 0;
    if (encoding == 0) {
        const BomEntry& mark = detect_bom_encoding(bytes, size);
        if (mark.length > 0) {
            encoding = mark.code;
            skip = static_cast<size_t>(mark.length);
        } else if (is_utf8_text(bytes, size, true)) {
            encoding = ENCODING_UTF8_PLAIN;
        }
    }
    // Every byte gives at most one unit, except a whole four-byte sequence, which gives two.
    std::vector<wchar_t> buffer(size - skip + 1);
    size_t capacity = buffer.size();
    if (!decode_text(buffer.data(), bytes + skip, size - skip, encoding, &capacity))
        return false;
    // By count, not up to a NUL: text holding U+0000 must not lose what follows it.
    normalizeLineEndings(buffer.data(), capacity, string);
    return true;
}

} // namespace pel
