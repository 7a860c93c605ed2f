#include "service/parser/base/ScopeSelectorMatcher.h"

#include "pel/base/Assert.h"

#include <limits>

namespace tessel {

namespace {

uint64_t saturatingAdd(uint64_t a, uint64_t b) {
    const uint64_t sum = a + b;
    return sum < a ? std::numeric_limits<uint64_t>::max() : sum;
}

// Ties go to the left operand.
const ScopeRank& better(const ScopeRank& left, const ScopeRank& right) {
    return right.score > left.score ? right : left;
}

ScopeRank combine(uint32_t op, const ScopeRank& left, const ScopeRank& right) {
    const bool l = left.marker != 0;
    const bool r = right.marker != 0;
    switch (op) {
    case ScopeSelector::ITEM_AND: return l && r ? better(left, right) : ScopeRank();
    case ScopeSelector::ITEM_OR: return l && r ? better(left, right) : l ? left : right;
    default: return l && !r ? left : ScopeRank(); // exclusion
    }
}

// Programs of ordinary selectors evaluate within this many ranks on the call's own stack.
constexpr size_t INLINE_RANKS = 16;

} // namespace

ScopeSelectorMatcher::ScopeSelectorMatcher(const ScopeSelector& selector, ScopePath& path)
    : m_selector(selector), m_path(path) {
    path.compile();
}

bool ScopeSelectorMatcher::matchAtomWords(const uint32_t* atom, uint64_t* o_score,
                                          std::vector<uint32_t>* io_collect, bool anchored) const {
    const size_t segments = m_path.size();
    const uint32_t nameCount = atom[2];
    if (nameCount > segments)
        return false;
    const size_t collected = io_collect ? io_collect->size() : 0;
    uint64_t score = 0;
    // Own segments by index, as flat paths are; past them along the links, as a record's path
    // goes on into its ancestors'.
    const ScopeSegment* const* own = m_path.ownSegments();
    const size_t ownCount = m_path.ownSize();
    const ScopeSegment* segment = m_path.innermost();
    size_t at = 0; // segment index, innermost first
    // Names from the innermost (written last) outwards; each looks further out until it matches.
    for (uint32_t name = nameCount; name-- > 0;) {
        const uint32_t hash = atom[3 + 2 * name];
        const uint32_t partCount = atom[4 + 2 * name];
        for (;;) {
            if (segments - at <= name) {
                if (io_collect)
                    io_collect->resize(collected);
                return false;
            }
            const ScopeSegment& tried = *segment;
            const bool hit = tried.partCount >= partCount && tried.hashes[partCount - 1] == hash;
            if (!hit && anchored && at == 0)
                return false;
            ++at;
            segment = at < ownCount ? own[at] : tried.outer;
            if (hit) {
                score = saturatingAdd(score, saturatingAdd(tried.base, partCount));
                if (io_collect)
                    io_collect->push_back(tried.value);
                break;
            }
        }
    }
    *o_score = score;
    return true;
}

bool ScopeSelectorMatcher::matchAtom(uint32_t atom, uint64_t* o_score, std::vector<uint32_t>* io_collect,
                                     bool anchored) const {
    PEL_CHECK_PTR(o_score);
    const std::vector<uint32_t>& program = m_selector.program();
    PEL_ASSERT(atom > 0 && atom + 2 < program.size() && program[atom] == ScopeSelector::ITEM_ATOM);
    return matchAtomWords(program.data() + atom, o_score, io_collect, anchored);
}

ScopeRank ScopeSelectorMatcher::rankAtom(uint32_t atom, bool anchored) const {
    ScopeRank rank;
    if (matchAtomWords(m_selector.program().data() + atom, &rank.score, nullptr, anchored))
        rank.marker = atom;
    return rank;
}

bool ScopeSelectorMatcher::evaluate(ScopeRank* stack, ScopeRank* o_rank, bool anchored) const {
    const std::vector<uint32_t>& program = m_selector.program();
    const uint32_t* words = program.data();
    const size_t end = program.size();
    size_t top = 0;
    for (size_t at = 1; at < end;) {
        const uint32_t item = words[at];
        if (item == ScopeSelector::ITEM_ATOM) {
            stack[top++] = rankAtom(static_cast<uint32_t>(at), anchored);
            at += 3 + 2 * size_t(words[at + 2]);
        } else if (item == ScopeSelector::ITEM_EMPTY_GROUP) {
            stack[top++] = ScopeRank();
            ++at;
        } else {
            // The parser gives every operator two operands.
            PEL_ASSERT(top >= 2);
            --top;
            stack[top - 1] = combine(item, stack[top - 1], stack[top]);
            ++at;
        }
    }
    PEL_ASSERT(top == 1);
    *o_rank = stack[0];
    return o_rank->marker != 0;
}

bool ScopeSelectorMatcher::match(ScopeRank* o_rank, bool anchored) const {
    PEL_CHECK_PTR(o_rank);
    const std::vector<uint32_t>& program = m_selector.program();
    if (program[0] == 0) {
        o_rank->score = 1;
        o_rank->marker = 0;
        return !anchored;
    }
    if (program[0] == 1 && program[1] == ScopeSelector::ITEM_ATOM) {
        // A lone atom, as most theme rules are: no evaluation stack.
        *o_rank = rankAtom(1, anchored);
        return o_rank->marker != 0;
    }
    const size_t depth = m_selector.stackDepth();
    if (depth <= INLINE_RANKS) {
        // Left uninitialised: evaluation writes each rank before reading it.
        union Inline {
            Inline() {}
            ScopeRank ranks[INLINE_RANKS];
        } stack;
        return evaluate(stack.ranks, o_rank, anchored);
    }
    std::vector<ScopeRank> stack(depth);
    return evaluate(stack.data(), o_rank, anchored);
}

} // namespace tessel
