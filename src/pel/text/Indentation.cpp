#include "pel/text/Indentation.h"

#include "pel/base/Assert.h"

#include <algorithm>

namespace pel {

namespace {

// Characters of one step: 1 for a tab, size for spaces.
int stepWidth(const Indentation& in) { return (in.size - 1) * (in.soft ? 1 : 0) + 1; }

Indentation::Split wholeStepsAndSpaces(int width, const Indentation& in) {
    return {width / in.size * stepWidth(in), width % in.size};
}

Indentation::Split roundedUp(int width, const Indentation& in) {
    return {(width + in.size - 1) / in.size * stepWidth(in), 0};
}

Indentation::Split roundedDown(int width, const Indentation& in) { return {width / in.size * stepWidth(in), 0}; }

} // namespace

Indentation::Indentation() : modeFunction(&wholeStepsAndSpaces) {}

void Indentation::set(int width, int softTabs, unsigned indentMode) {
    static const ModeFunction functions[] = {&wholeStepsAndSpaces, &roundedUp, &roundedDown};
    if (indentMode > 2)
        PEL_NOT_REACHED();
    soft = softTabs;
    indentChar = softTabs ? L' ' : L'\t';
    size = std::clamp(width, 1, 16);
    mode = indentMode;
    modeFunction = functions[indentMode];
}

int Indentation::measure(const wchar_t* text, size_t length, const Indentation& in, size_t* o_consumed) {
    int width = 0;
    size_t i = 0;
    for (; i < length; ++i) {
        if (text[i] == L' ')
            ++width;
        else if (text[i] == L'\t')
            width += in.size - width % in.size;
        else
            break;
    }
    if (o_consumed)
        *o_consumed = i;
    return width;
}

int Indentation::append(int width, std::wstring* o_string, const Indentation& in) {
    if (!o_string)
        assertionViolation(L"o_string != NULL", PEL_FILE, __LINE__);
    const Split split = in.modeFunction(width, in);
    o_string->append(split.stepChars, in.indentChar);
    o_string->append(split.spaces, L' ');
    return split.stepChars + split.spaces;
}

size_t Indentation::convertLine(std::wstring* o_line, const wchar_t* text, size_t length, const Indentation& in) {
    PEL_CHECK_PTR(o_line);
    size_t blanks = 0;
    const int width = measure(text, length, in, &blanks);
    if (width != 0)
        append(width, o_line, in);
    size_t end = blanks;
    while (end < length && text[end] != L'\r' && text[end] != L'\n')
        ++end;
    o_line->append(text + blanks, end - blanks);
    return end;
}

} // namespace pel
