#pragma once
// Binds a scope selector to one scope path and answers whether it matches and with what rank.
// A match against a deeper segment, or with a longer name, scores higher; themes compare the
// scores, key bindings and menus pick the highest.

#include "service/parser/base/ScopePath.h"
#include "service/parser/base/ScopeSelector.h"

#include <cstdint>
#include <vector>

namespace tessel {

struct ScopeRank {
    uint64_t score = 0;
    // Non-zero when matched: the program offset of the atom that produced the score.
    uint32_t marker = 0;
};

class ScopeSelectorMatcher {
public:
    // Compiles the path. The selector and the path must outlive the matcher.
    ScopeSelectorMatcher(const ScopeSelector& selector, ScopePath& path);

    // Evaluates the selector. With anchored, the innermost name of every atom must match the
    // innermost segment. The empty selector ranks {1, 0} and matches only when not anchored.
    bool match(ScopeRank* o_rank, bool anchored) const;
    // Matches the atom at a program offset. With io_collect, the values of the segments its
    // names matched are appended, innermost first (nothing when it does not match).
    bool matchAtom(uint32_t atom, uint64_t* o_score, std::vector<uint32_t>* io_collect, bool anchored) const;

private:
    bool matchAtomWords(const uint32_t* atom, uint64_t* o_score, std::vector<uint32_t>* io_collect,
                        bool anchored) const;
    ScopeRank rankAtom(uint32_t atom, bool anchored) const;
    bool evaluate(ScopeRank* stack, ScopeRank* o_rank, bool anchored) const;

    const ScopeSelector& m_selector;
    const ScopePath& m_path;
};

} // namespace tessel
