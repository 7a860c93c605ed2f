#pragma once
// How a document indents: tabs or spaces, the step width, and how a width that is not a whole
// number of steps is written (0 whole steps plus spaces, 1 rounded up, 2 rounded down).

#include <cstddef>
#include <string>

namespace pel {

struct Indentation {
    // Characters of whole steps and of extra spaces for a width in columns.
    struct Split {
        int stepChars;
        int spaces;
    };
    using ModeFunction = Split (*)(int width, const Indentation& indentation);

    wchar_t indentChar = L'\t';
    int size = 4; // columns per step, 1..16
    int soft = 0; // non-zero: steps are spaces
    unsigned mode = 0;
    ModeFunction modeFunction = nullptr;

    Indentation();
    // width is clamped into 1..16; a mode outside 0..2 is a not-reached violation.
    void set(int width, int softTabs, unsigned indentMode);
    void set(int width, int softTabs) { set(width, softTabs, 0); }

    // Width in columns of the leading spaces and tabs; their count goes to o_consumed when given.
    static int measure(const wchar_t* text, size_t length, const Indentation& indentation, size_t* o_consumed);
    // Appends the indentation for width columns; returns the characters appended.
    static int append(int width, std::wstring* o_string, const Indentation& indentation);
    // Appends the line at the start of text with its leading blanks rewritten; returns the index
    // of its first CR or LF, or length.
    static size_t convertLine(std::wstring* o_line, const wchar_t* text, size_t length,
                              const Indentation& indentation);
};

} // namespace pel
