#pragma once
// The characters a match of a grammar pattern can begin with, and whether it begins only where \G
// holds or a line starts, read from the pattern's text, so that the line matcher tries the
// pattern only where it may match. What the reading
// does not know (extended mode, properties, back-references first, a pattern that can match
// empty) leaves every character possible; it never leaves out one the engine could match.

#include <bitset>
#include <cstdint>
#include <string>

namespace tessel {

class PatternFirstChars {
public:
    // Nothing ruled out.
    PatternFirstChars() = default;
    // Reads the pattern compiled with the option bits (pel::RegExOptions).
    PatternFirstChars(const std::wstring& pattern, uint32_t options);

    // Whether no place is ruled out.
    bool any() const { return m_any; }
    // Whether a match may begin at text[at] (a high surrogate for a pair), \G holding there or not.
    bool mayBeginAt(const wchar_t* text, int at, bool anchor) const {
        if (m_lineStart && !anchor && at > 0 && text[at - 1] != L'\n')
            return false;
        const wchar_t c = text[at];
        return m_any || (c < 128 ? m_ascii[c] : m_other);
    }

private:
    std::bitset<128> m_ascii;
    bool m_other = false;     // units from 128 on
    bool m_lineStart = false; // each branch begins with \G, ^ or \A
    bool m_any = true;
};

} // namespace tessel
