#include "service/parser/PatternNeed.h"
#include "service/parser/PatternLiterals.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <iterator>

namespace tessel {

namespace {

using Clause = PatternNeed::Clause;

// The most pairs of strings compared for one clause's strings holding one another; past it only
// equal strings count, so that a pattern of many long alternations reads in little time.
constexpr size_t MOST_COMPARISONS = 1024;

size_t shortest(const Clause& clause) {
    size_t least = SIZE_MAX;
    for (const std::string& s : clause)
        least = std::min(least, s.size());
    return least;
}

// Whether clause a rules out more lines than b: longer strings, then fewer.
bool better(const Clause& a, const Clause& b) {
    const size_t sa = shortest(a);
    const size_t sb = shortest(b);
    return sa != sb ? sa > sb : a.size() < b.size();
}

// The clause's one-character strings.
std::bitset<256> singlesOf(const Clause& clause) {
    std::bitset<256> singles;
    for (const std::string& t : clause)
        if (t.size() == 1)
            singles.set(static_cast<unsigned char>(t[0]));
    return singles;
}

bool holdsOneOf(const std::string& s, const std::bitset<256>& chars) {
    return std::any_of(s.begin(), s.end(), [&](char c) { return chars[static_cast<unsigned char>(c)]; });
}

// Whether a line holding one string of strong holds one of weak too.
bool implies(const Clause& strong, const Clause& weak) {
    if (strong.size() * weak.size() > MOST_COMPARISONS)
        return std::includes(weak.begin(), weak.end(), strong.begin(), strong.end());
    const std::bitset<256> singles = singlesOf(weak);
    return std::all_of(strong.begin(), strong.end(), [&](const std::string& s) {
        return holdsOneOf(s, singles) ||
               std::any_of(weak.begin(), weak.end(), [&](const std::string& t) { return t.size() > 1 && s.find(t) != std::string::npos; });
    });
}

// Sorts the strings and leaves out those holding another one: a line holding the longer one
// holds the shorter. Most of the shorter ones are single characters, told by their set.
void tidy(Clause& clause) {
    std::sort(clause.begin(), clause.end());
    clause.erase(std::unique(clause.begin(), clause.end()), clause.end());
    const std::bitset<256> singles = singlesOf(clause);
    const size_t longer = clause.size() - singles.count();
    const bool compareLonger = longer * longer <= MOST_COMPARISONS;
    const auto holdsShorter = [&](const std::string& s) {
        if (s.size() == 1)
            return false;
        if (holdsOneOf(s, singles))
            return true;
        return compareLonger && std::any_of(clause.begin(), clause.end(), [&](const std::string& t) {
                   return t.size() > 1 && t.size() < s.size() && s.find(t) != std::string::npos;
               });
    };
    std::vector<bool> drop(clause.size());
    for (size_t i = 0; i < clause.size(); ++i)
        drop[i] = holdsShorter(clause[i]);
    size_t kept = 0;
    for (size_t i = 0; i < clause.size(); ++i) {
        if (drop[i])
            continue;
        if (kept != i)
            clause[kept] = std::move(clause[i]);
        ++kept;
    }
    clause.resize(kept);
}

// Keeps the best few clauses, none of them implied by another.
void keepBest(std::vector<Clause>& clauses) {
    if (clauses.size() <= 1) {
        if (!clauses.empty() && (clauses[0].empty() || clauses[0].size() > PatternLiterals::MOST_STRINGS))
            clauses.clear();
        return;
    }
    std::stable_sort(clauses.begin(), clauses.end(), better);
    std::vector<Clause> kept;
    for (Clause& clause : clauses) {
        if (clause.empty() || clause.size() > PatternLiterals::MOST_STRINGS)
            continue;
        if (std::any_of(kept.begin(), kept.end(), [&](const Clause& k) { return implies(k, clause); }))
            continue;
        kept.erase(std::remove_if(kept.begin(), kept.end(), [&](const Clause& k) { return implies(clause, k); }), kept.end());
        if (kept.size() < PatternLiterals::MOST_CLAUSES)
            kept.push_back(std::move(clause));
    }
    clauses.swap(kept);
}

} // namespace

PatternNeed PatternNeed::ofString(const std::string& text) {
    PatternNeed need;
    need.clauses.push_back({text});
    return need;
}

PatternNeed PatternNeed::ofEachChar(const std::string& chars) {
    PatternNeed need;
    Clause clause;
    for (const char c : chars)
        clause.emplace_back(1, c);
    tidy(clause);
    need.clauses.push_back(std::move(clause));
    return need;
}

PatternNeed PatternNeed::ofLineEnd(const std::bitset<128>& chars) {
    PatternNeed need;
    need.lineEnd = true;
    need.lineEnds = chars;
    return need;
}

void PatternNeed::addAll(PatternNeed&& other) {
    if (!other.clauses.empty()) {
        clauses.insert(clauses.end(), std::make_move_iterator(other.clauses.begin()), std::make_move_iterator(other.clauses.end()));
        if (clauses.size() > 4 * PatternLiterals::MOST_CLAUSES)
            keepBest(clauses);
    }
    if (other.lineEnd) {
        lineEnds = lineEnd ? lineEnds & other.lineEnds : other.lineEnds;
        lineEnd = true;
    }
}

void PatternNeed::settle() { keepBest(clauses); }

void PatternNeed::orElse(const PatternNeed& other) {
    std::vector<Clause> product;
    for (const Clause& a : clauses)
        for (const Clause& b : other.clauses) {
            Clause either = a;
            either.insert(either.end(), b.begin(), b.end());
            tidy(either);
            product.push_back(std::move(either));
        }
    keepBest(product);
    clauses.swap(product);
    lineEnd = lineEnd && other.lineEnd;
    lineEnds = lineEnd ? lineEnds | other.lineEnds : std::bitset<128>();
}

} // namespace tessel
