#pragma once
// Line endings: 0 CR LF, 1 LF, 2 CR, with their texts ("\r\n") and names ("CR+LF").

#include <cstddef>
#include <string>

namespace pel {

class LineEnding {
public:
    enum Type : int { CRLF = 0, LF = 1, CR = 2 };

    // "CR+LF" or "CRLF" 0, "LF" 1, "CR" 2, anything else (case counts) 0.
    static int fromName(const std::wstring& name);
    // The name of a code; a code outside 0..2 is a not-reached violation.
    static const wchar_t* toName(int lineEnding);
    static const wchar_t* toText(int lineEnding);

    // Reads the run of CR and LF units at the start of text (at most length units), appends one
    // LF per line break in it (CR LF is one break, LF CR two) and returns the units read.
    static size_t appendLineBreaks(const wchar_t* text, size_t length, std::wstring& io_out);
    // Appends length units of text with each line break in it (CR LF, CR or LF) made one LF.
    static void appendWithLineFeeds(const wchar_t* text, size_t length, std::wstring& io_out);
};

} // namespace pel
