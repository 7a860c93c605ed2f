#pragma once
// Strings of which a line must hold one for a grammar pattern to match on it (in the match or in
// what its look-arounds read), read from the pattern's text, so that the line matcher leaves the
// pattern out on a line holding none. What the reading does not know (case folding, extended
// mode, classes, optional parts) asks for nothing; it never asks for a string a match could do
// without.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class PatternLiterals {
public:
    // The most strings one pattern asks for; a pattern that would ask for more asks for none.
    static constexpr size_t MOST_STRINGS = 64;

    // Nothing asked for.
    PatternLiterals() = default;
    // Reads the pattern compiled with the option bits (pel::RegExOptions).
    PatternLiterals(const std::wstring& pattern, uint32_t options);

    // Whether the pattern asks for nothing.
    bool none() const { return m_strings.empty(); }
    // The strings (ASCII) one of which the line must hold.
    const std::vector<std::string>& strings() const { return m_strings; }
    // Whether the line, in UTF-8, holds one of them (or nothing is asked for). `bytes`, when
    // given, says which byte values the line holds, so that most strings it cannot hold are
    // passed over without looking.
    bool heldBy(const char* text, size_t length, const std::bitset<256>* bytes = nullptr) const;

private:
    std::vector<std::string> m_strings;
};

} // namespace tessel
