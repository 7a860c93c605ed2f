#pragma once
// What a line must hold for a grammar pattern to match on it (in the match or in what its
// look-arounds read), read from the pattern's text, so that the line matcher leaves the pattern
// out on a line lacking it: a few clauses of strings, the line holding one string of each, and
// maybe the characters of which its last one that is not white space must be one (a pattern that
// matches only before a line's end that way). What the reading does not know (case folding,
// extended mode, classes, optional parts) asks for nothing; it never asks for what a match could
// do without.

#include "service/parser/LineBytes.h"
#include "service/parser/PatternNeed.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class PatternLiterals {
public:
    // The most strings one clause holds; a clause that would hold more is not asked for.
    static constexpr size_t MOST_STRINGS = 64;
    // The most clauses one pattern asks for (the ones that rule out most lines are kept).
    static constexpr size_t MOST_CLAUSES = 6;

    using Clause = PatternNeed::Clause;

    // Nothing asked for.
    PatternLiterals() = default;
    // Reads the pattern compiled with the option bits (pel::RegExOptions).
    PatternLiterals(const std::wstring& pattern, uint32_t options);

    // Whether the pattern asks for nothing.
    bool none() const { return m_clauses.empty() && !m_asksLineEnd; }
    // The clauses, those that rule out most lines first: of each, the line must hold one of its
    // strings (ASCII).
    const std::vector<Clause>& clauses() const { return m_clauses; }
    // Whether the line's last character that is not white space must be one of lineEnds()
    // (ASCII, none of them white space).
    bool asksLineEnd() const { return m_asksLineEnd; }
    std::string lineEnds() const;

    // Bytes of which a line must hold one for what is asked to be held, when something is: the
    // first bytes of the best clause's strings, or all bytes when only a line end is asked for
    // (a line of none ends in no character): most lines are passed over by them alone.
    const std::bitset<256>& leadBytes() const { return m_leadBytes; }
    // Whether the line holds what is asked for (or nothing is asked for): the lead bytes first.
    bool heldBy(LineBytes& line) const;
    // The same of a line in UTF-8, read for this one question.
    bool heldBy(const char* text, size_t length) const;

private:
    // A clause as it is checked: its one-byte strings, which the line's byte values tell alone,
    // and its longer ones.
    struct Check {
        std::bitset<256> bytes;
        std::vector<std::string> longer;
    };

    std::vector<Clause> m_clauses;
    std::vector<Check> m_checks; // of the clauses, in their order
    std::bitset<256> m_leadBytes;
    bool m_asksLineEnd = false;
    std::bitset<128> m_lineEnds;
};

} // namespace tessel
