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
    // Whether a match may begin anywhere on a line (UTF-8) that holds the byte values `bytes`.
    bool mayBeginOnLine(const std::bitset<256>& bytes) const { return m_any || (m_bytes & bytes).any(); }
    // Whether a match may begin at text[at] (a high surrogate for a pair; in UTF-8 text the first
    // byte of a character), \G holding there or not.
    bool mayBeginAt(const wchar_t* text, int at, bool anchor) const {
        return mayBegin(static_cast<uint32_t>(text[at]), at > 0 && text[at - 1] != L'\n', anchor);
    }
    bool mayBeginAt(const char* text, int at, bool anchor) const {
        return mayBegin(static_cast<unsigned char>(text[at]), at > 0 && text[at - 1] != '\n', anchor);
    }

private:
    // A unit or byte from 128 on stands for every character above ASCII.
    bool mayBegin(uint32_t unit, bool midLine, bool anchor) const {
        if (m_lineStart && !anchor && midLine)
            return false;
        return m_any || m_bytes[unit < 256 ? unit : 255];
    }

    // The ASCII characters a match may begin with, and the bytes from 128 on when it may begin
    // with a character above ASCII: the byte values of its UTF-8 form.
    std::bitset<256> m_bytes;
    bool m_lineStart = false; // each branch begins with \G, ^ or \A
    bool m_any = true;
};

} // namespace tessel
