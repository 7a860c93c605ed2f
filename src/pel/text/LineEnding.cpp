#include "pel/text/LineEnding.h"

#include "pel/base/Assert.h"

#include <algorithm>

namespace pel {

namespace {
const wchar_t* const kNames[] = {L"CR+LF", L"LF", L"CR"};
const wchar_t* const kTexts[] = {L"\r\n", L"\n", L"\r"};

int checked(int lineEnding) {
    if (lineEnding < 0 || lineEnding > 2)
        PEL_NOT_REACHED();
    return lineEnding;
}
} // namespace

int LineEnding::fromName(const std::wstring& name) {
    if (name == L"LF")
        return LF;
    if (name == L"CR")
        return CR;
    return CRLF; // "CR+LF", "CRLF" and anything unknown
}

const wchar_t* LineEnding::toName(int lineEnding) { return kNames[checked(lineEnding)]; }

const wchar_t* LineEnding::toText(int lineEnding) { return kTexts[checked(lineEnding)]; }

size_t LineEnding::appendLineBreaks(const wchar_t* text, size_t length, std::wstring& io_out) {
    size_t read = 0, breaks = 0;
    for (; read < length && (text[read] == L'\r' || text[read] == L'\n'); ++read)
        if (text[read] == L'\r' || read == 0 || text[read - 1] != L'\r')
            ++breaks;
    io_out.reserve(io_out.size() + breaks);
    io_out.append(breaks, L'\n');
    return read;
}

void LineEnding::appendWithLineFeeds(const wchar_t* text, size_t length, std::wstring& io_out) {
    io_out.reserve(io_out.size() + length);
    for (size_t at = 0; at < length;) {
        const size_t lineEnd = std::find_if(text + at, text + length, [](wchar_t unit) {
                                   return unit == L'\r' || unit == L'\n';
                               }) - text;
        io_out.append(text + at, lineEnd - at);
        at = lineEnd + appendLineBreaks(text + lineEnd, length - lineEnd, io_out);
    }
}

} // namespace pel
