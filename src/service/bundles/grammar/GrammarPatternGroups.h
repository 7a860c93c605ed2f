#pragma once
// Capture groups of a grammar pattern that nothing reads made non-capturing before the pattern
// joins a rule's alternation: an alternation of hundreds of patterns otherwise carries thousands
// of groups, and the engine resets every one of them at each position it tries. The matches
// stay the same; only the numbers of the groups kept change.

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace tessel {

class GrammarPatternGroups {
public:
    // Rewrites the pattern so that only the groups in `keep` capture, and gives each kept
    // group's new number. False, nothing rewritten, for a pattern whose groups cannot be told
    // safely (back-references or subexpression calls, named groups, the extended syntax).
    static bool dropUnused(const std::wstring& pattern, const std::wstring& options, const std::set<uint32_t>& keep,
                           std::wstring* o_pattern, std::map<uint32_t, uint32_t>* o_numbers);
};

} // namespace tessel
