#include "service/document/detectors/FormatDetector.h"

#include "service/document/Document.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

namespace {

const wchar_t MARKER[] = L"-*-";
const size_t MARKER_LENGTH = 3;

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

// The value of a key: found at its first occurrence, then blanks, ':', blanks, and the text up to
// the next ';', which must be there. False when the key is absent by that rule.
bool findValue(const std::wstring& mode, const wchar_t* key, std::wstring& o_value) {
    size_t at = mode.find(key);
    if (at == std::wstring::npos)
        return false;
    at += std::wcslen(key);
    while (at < mode.size() && isBlank(mode[at]))
        ++at;
    if (at >= mode.size() || mode[at] != L':')
        return false;
    ++at;
    while (at < mode.size() && isBlank(mode[at]))
        ++at;
    const size_t end = mode.find(L';', at);
    if (end == std::wstring::npos)
        return false;
    o_value = mode.substr(at, end - at);
    return true;
}

} // namespace

bool EmacsDetector::parseLine(const std::wstring& line, DetectorAnswer& answer) {
    const size_t first = line.find(MARKER);
    if (first == std::wstring::npos)
        return false;
    const size_t second = line.find(MARKER, first + MARKER_LENGTH);
    if (second == std::wstring::npos || second == first + MARKER_LENGTH)
        return false;
    std::wstring mode = line.substr(first + MARKER_LENGTH, second - first - MARKER_LENGTH);
    // The last pair may lack its ';'. The first character is never looked at.
    for (size_t i = mode.size() - 1; i >= 1; --i) {
        if (isBlank(mode[i]))
            continue;
        if (mode[i] != L';')
            mode += L';';
        break;
    }

    std::wstring value;
    const bool tabsMode = findValue(mode, L"indent-tabs-mode", value);
    answer.softTabsConfidence = 0.0f;
    if (tabsMode && !value.empty()) {
        answer.softTabsConfidence = 1.0f;
        answer.softTabs = value[0] != L't' && value[0] != L'T';
    }
    int width = 0;
    const bool tabWidth = findValue(mode, L"tab-width", value) && std::swscanf(value.c_str(), L"%d", &width) == 1;
    answer.tabWidthConfidence = tabWidth ? 1.0f : 0.0f;
    answer.tabWidth = tabWidth ? width : 0;
    return tabsMode || tabWidth;
}

bool EmacsDetector::detect(const Document& document, DetectorAnswer& answer) {
    const int32_t lines = document.getLineCount();
    if (lines == 0)
        return false;
    if (parseLine(document.getText(0, std::min(SCAN_UNITS, document.getLineLengthWithBreak(0))), answer))
        return true;
    const int32_t lastStart = std::max(document.getLineStart(lines - 1), document.getLength() - SCAN_UNITS);
    return parseLine(document.getText(lastStart, document.getLength() - lastStart), answer);
}

} // namespace tessel
