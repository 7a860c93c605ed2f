#pragma once
// What a part of a grammar pattern needs of its line, as PatternLiterals reads it, and how the
// needs of a sequence's parts and of an alternation's branches combine. Kept small: of the
// clauses, only a few that rule out most lines are kept, as leaving one out is always sound.

#include <bitset>
#include <cstddef>
#include <string>
#include <vector>

namespace tessel {

struct PatternNeed {
    using Clause = std::vector<std::string>; // sorted

    // The line must hold one string of each clause; the ones that rule out most lines first.
    std::vector<Clause> clauses;
    // Whether the line's last character that is not white space must be one of lineEnds.
    bool lineEnd = false;
    std::bitset<128> lineEnds;

    static PatternNeed ofString(const std::string& text);
    // One of the characters.
    static PatternNeed ofEachChar(const std::string& chars);
    static PatternNeed ofLineEnd(const std::bitset<128>& chars);

    bool none() const { return clauses.empty() && !lineEnd; }
    // Adds what other needs: both needs hold on the line. The clauses are cut down to the best
    // few only past a bound, as a sequence adds many: settle() cuts them down.
    void addAll(PatternNeed&& other);
    void settle();
    // Keeps what this or other needs, whichever holds: a clause of either of the two for each
    // pair of their clauses (both settled).
    void orElse(const PatternNeed& other);
};

} // namespace tessel
