#pragma once
// Checks what the pattern readers (PatternFirstChars, PatternLiterals) rule out against the
// engine: wherever the engine matches a pattern, compiled as a grammar's is, on a line, the
// readers must let the line matcher try it there.

#include "pel/text/search/RegEx.h"
#include "service/parser/PatternFirstChars.h"
#include "service/parser/PatternLiterals.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tessel_test {

class PatternReadersCheck {
public:
    // The pattern with the option bits of pel::RegExOptions (IGNORE_CASE, EXTENDED, MULTILINE).
    PatternReadersCheck(const std::wstring& pattern, uint32_t options);

    bool compiled() const { return m_regex->isCompiled(); }
    const tessel::PatternFirstChars& firstChars() const { return m_firstChars; }
    const tessel::PatternLiterals& literals() const { return m_literals; }

    // Tries the line (no line feed but maybe one at its end): the number of places the engine
    // matches at, and in *o_fault what a reader ruled out there ("" when nothing).
    int tryLine(const std::wstring& line, std::string* o_fault) const;

private:
    std::wstring m_pattern;
    std::unique_ptr<pel::RegEx> m_regex;
    bool m_usesG;
    tessel::PatternFirstChars m_firstChars;
    tessel::PatternLiterals m_literals;
};

// Text for a message: ASCII as it is, every other unit as \x{...}.
std::string printable(const std::wstring& text);

} // namespace tessel_test
