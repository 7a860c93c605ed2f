#pragma once
// The text layout as the framework tests use it: the test font set (DejaVu Sans Mono, then
// DejaVu Sans, 10 pt at 96 DPI: a space is 8 pixels) and layout records filled as the line
// cache fills them.

#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeFontManager.h"

#include <string>
#include <vector>

namespace tessel_test {

inline afFontSet* testFontSet(uint16_t pointSize = 10) {
    return afUnicodeFontManager::instance().getFontSet({L"DejaVu Sans Mono", L"DejaVu Sans"}, pointSize);
}

// The text with one attribute entry of style id 0 per character, its length without line
// ends, and where its blanks end and start again (indentation in columns of tabSize).
inline void fillRecord(afUnicodeData& data, const std::wstring& text, int tabSize = 4) {
    data.text = text;
    data.attributes.entries.assign(text.size(), 0);
    data.attributes.dirty = false;
    int length = static_cast<int>(text.size());
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n'))
        --length;
    data.lineLength = length;
    int first = 0, columns = 0;
    for (; first < length && (text[first] == L' ' || text[first] == L'\t'); ++first)
        columns = text[first] == L'\t' ? (columns / tabSize + 1) * tabSize : columns + 1;
    int last = length;
    while (last > first && (text[last - 1] == L' ' || text[last - 1] == L'\t'))
        --last;
    data.firstNonBlank = first;
    data.lastNonBlankEnd = last;
    data.indentation = first == length ? -1 : columns;
    data.highlightDirty = true;
}

} // namespace tessel_test
