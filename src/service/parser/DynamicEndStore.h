#pragma once
// The end patterns a parse job completed from begin matches (back-references filled with the
// matched text), each compiled once and found again by its rule and text. Line states refer to
// them by a 16-bit index counted from 1: 0 stays "none", so at most 65535 per job. Used only
// under the job's Document lock; dropped whole when the grammar changes, since it is keyed by
// rules.

#include "pel/text/search/RegEx.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessel {

class ParserRule;
struct DynamicEndSource;

class DynamicEndStore {
public:
    static constexpr size_t MAX_PATTERNS = 65535;

    struct Pattern {
        std::unique_ptr<pel::RegEx> regex;
        bool anchored;
    };

    // The index of the rule's end completed with the captures (begin-match groups by number),
    // compiled and stored when new; 0 when it does not compile or the store is full.
    uint16_t find(const ParserRule& rule, const DynamicEndSource& source, const std::vector<std::wstring>& captures);
    // The pattern of an index, none for 0 or an index not handed out.
    const Pattern* get(uint16_t index) const {
        return index >= 1 && index <= m_patterns.size() ? &m_patterns[index - 1] : nullptr;
    }
    size_t size() const { return m_patterns.size(); }
    void clear();

private:
    std::vector<Pattern> m_patterns;
    std::map<std::pair<const ParserRule*, std::wstring>, uint16_t> m_index;
};

} // namespace tessel
