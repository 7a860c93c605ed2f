#include "service/document/search/FinderBoyerMoore.h"

#include "pel/base/CharacterProperties.h"
#include "pel/text/Utf16Characters.h"
#include "service/document/Document.h"
#include "service/document/search/CaseFolding.h"
#include "service/document/search/GapText.h"
#include "service/document/search/ProbeScan.h"

#include <algorithm>

namespace tessel {

namespace {

// One pass of the search over a reading order of the text: unit(i) is the i-th unit in that
// order as compared (folded when ignoring case). Windows run from `from` while they end by `to`;
// accept(i) says whether a full match at i counts (whole words, character boundaries). Returns
// the first accepted window, or -1.
template <class Unit, class Accept>
int32_t scan(const Unit& unit, int32_t from, int32_t to, const std::wstring& pattern,
             const FinderBoyerMoore::Tables& tables, const Accept& accept) {
    const wchar_t* p = pattern.data();
    const int32_t m = static_cast<int32_t>(pattern.size());
    const int32_t* badChar = tables.badChar.data();
    const int32_t* goodSuffix = tables.goodSuffix.data();
    int32_t at = from;
    while (at <= to - m) {
        int32_t j = m - 1;
        wchar_t c = unit(at + j);
        while (c == p[j] && j > 0)
            c = unit(at + --j);
        if (j == 0 && c == p[0]) {
            if (accept(at))
                return at;
            ++at;
            continue;
        }
        // The bad-character entry looks at the compared (folded) unit: a raw upper-case
        // letter would index another entry and could shift past a match.
        at += std::max(j - badChar[c & 0xFF], goodSuffix[j]);
    }
    return -1;
}

bool classChange(uint32_t a, uint32_t b) {
    return pel::isCharacterClassChange(pel::getCharacterProperties(a), pel::getCharacterProperties(b));
}

} // namespace

// A search over one document range: the units as compared, the reading order of each
// direction, and what a match must pass on document positions (whole words, and never a start
// or an end between the halves of a pair).
class FinderBoyerMoore::Search {
public:
    Search(const FinderBoyerMoore& finder, const GapText& text, int32_t rangeBegin, int32_t rangeEnd)
        : m_finder(finder), m_text(text), m_rangeBegin(rangeBegin), m_rangeEnd(rangeEnd),
          m_fold(finder.m_ignoreCase ? foldTable() : nullptr) {}

private:
    // Calls `use` with the reader of the units as compared (unit(position)), chosen once for a
    // whole pass rather than at every unit: a table's lookup alone unless pairs are folded.
    // Defined before its callers, which take its type from it.
    template <class Use>
    auto withCompared(const Use& use) const {
        if (!m_fold)
            return use([this](int32_t at) { return m_text[at]; });
        if (!m_finder.m_foldsPairs) {
            const wchar_t* fold = m_fold;
            return use([this, fold](int32_t at) { return fold[static_cast<unsigned short>(m_text[at])]; });
        }
        return use([this](int32_t at) { return compared(at); });
    }

public:
    // The start of the match in [from, to), or -1.
    int32_t forward(const Tables& tables, int32_t from, int32_t to) const {
        const auto accept = [this](int32_t at) { return counts(at); };
        return run([](int32_t at) { return at; }, from, to, m_finder.m_pattern, tables, accept);
    }

    // The start of the last match in [from, to), or -1: the forward search over the text read
    // from `to` down, with the reversed pattern.
    int32_t backward(const Tables& tables, int32_t from, int32_t to) const {
        const int32_t m = static_cast<int32_t>(m_finder.m_pattern.size());
        const auto accept = [this, to, m](int32_t at) { return counts(to - at - m); };
        const int32_t found = run([to](int32_t at) { return to - 1 - at; }, 0, to - from, m_finder.m_reversed, tables, accept);
        return found < 0 ? -1 : to - found - m;
    }

    // A match of the whole pattern at start that counts: what the probe scan's places must pass.
    bool accepts(int32_t start) const {
        const std::wstring& pattern = m_finder.m_pattern;
        const bool whole = withCompared([&](const auto& unit) {
            for (size_t j = pattern.size(); j-- > 0;)
                if (unit(start + static_cast<int32_t>(j)) != pattern[j])
                    return false;
            return true;
        });
        return whole && counts(start);
    }

private:
    // The unit at a position as compared. Ignoring case, a unit is folded by itself, but for
    // the halves of a pair whose character has other case forms, which only a pattern holding
    // such a character must look at.
    wchar_t compared(int32_t position) const {
        const wchar_t c = m_text[position];
        if (!m_fold)
            return c;
        if (!m_finder.m_foldsPairs || !pel::isSurrogateUnit(c))
            return m_fold[static_cast<unsigned short>(c)];
        return foldedHalf(position, c);
    }
    wchar_t foldedHalf(int32_t position, wchar_t c) const {
        if (pel::isLowSurrogateUnit(c) && position > 0 && pel::isHighSurrogateUnit(m_text[position - 1]))
            return foldLowUnit(m_text[position - 1], c);
        return c; // a high half keeps its unit, and so does a lone half
    }

    // Runs the pass over the units of the reading order (position(i) is the document position
    // of the i-th), compared as the finder compares them.
    template <class Position, class Accept>
    int32_t run(const Position& position, int32_t from, int32_t to, const std::wstring& pattern, const Tables& tables,
                const Accept& accept) const {
        return withCompared([&](const auto& unit) {
            return scan([&](int32_t at) { return unit(position(at)); }, from, to, pattern, tables, accept);
        });
    }

    // Whether a full match at start counts.
    bool counts(int32_t start) const {
        const int32_t end = start + m_finder.m_last + 1;
        if (m_finder.m_mayCutPairs && (pel::splitsPair(m_text, start, m_text.length()) ||
                                       pel::splitsPair(m_text, end, m_text.length())))
            return false;
        return isWholeWord(start, end);
    }

    // The characters on each side of a boundary are whole ones: a letter outside the BMP is a
    // word character, not two halves.
    bool isWholeWord(int32_t start, int32_t end) const {
        if (!m_finder.m_wholeWord)
            return true;
        const int32_t length = m_text.length();
        const auto change = [&](int32_t at) {
            return classChange(pel::codePointBefore(m_text, at), pel::codePointAt(m_text, at, length));
        };
        return (start == m_rangeBegin || change(start)) && (end == m_rangeEnd || change(end));
    }

    const FinderBoyerMoore& m_finder;
    const GapText& m_text;
    int32_t m_rangeBegin;
    int32_t m_rangeEnd;
    const wchar_t* m_fold; // null: units compared as they are
};

FinderBoyerMoore::FinderBoyerMoore(const std::wstring& pattern, bool ignoreCase, bool wholeWord)
    : m_pattern(ignoreCase ? foldText(pattern) : pattern), m_last(static_cast<int32_t>(pattern.size()) - 1),
      m_ignoreCase(ignoreCase), m_wholeWord(wholeWord) {
    const auto length = static_cast<int32_t>(m_pattern.size());
    for (int32_t at = 0; ignoreCase && at < length && !m_foldsPairs; at += pel::characterUnits(m_pattern, at, length))
        m_foldsPairs = pel::characterUnits(m_pattern, at, length) == 2 && hasCaseVariants(pel::codePointAt(m_pattern, at, length));
    // A pattern that starts with the low half of a pair or ends with a high half would match
    // halves of the text's pairs.
    m_mayCutPairs = length > 0 && (pel::isLowSurrogateUnit(m_pattern.front()) || pel::isHighSurrogateUnit(m_pattern.back()));
    m_reversed.assign(m_pattern.rbegin(), m_pattern.rend());
}

FinderBoyerMoore::~FinderBoyerMoore() = default;

FinderBoyerMoore::Tables FinderBoyerMoore::buildTables(const wchar_t* p, int32_t m) {
    Tables tables;
    tables.badChar.assign(256, 0);
    for (int32_t i = 0; i < m; ++i)
        tables.badChar[p[i] & 0xFF] = i;
    // The strong good-suffix rule: border[i] is where the widest border of p[i, m) starts;
    // shift[j] the shift for a mismatch just before position j.
    std::vector<int32_t> shift(static_cast<size_t>(m) + 1, 0), border(static_cast<size_t>(m) + 1, 0);
    int32_t i = m, j = m + 1;
    border[i] = j;
    while (i > 0) {
        while (j <= m && p[i - 1] != p[j - 1]) {
            if (shift[j] == 0)
                shift[j] = j - i;
            j = border[j];
        }
        border[--i] = --j;
    }
    j = border[0];
    for (i = 0; i <= m; ++i) {
        if (shift[i] == 0)
            shift[i] = j;
        if (i == j)
            j = border[j];
    }
    // One place lower: goodSuffix[j] is the shift for a mismatch at position j.
    tables.goodSuffix.assign(static_cast<size_t>(m) + 1, 0);
    for (i = 1; i <= m; ++i)
        tables.goodSuffix[i - 1] = shift[i];
    tables.goodSuffix[m] = shift[0];
    return tables;
}

const FinderBoyerMoore::Tables& FinderBoyerMoore::tables(bool backward) {
    std::unique_ptr<Tables>& tables = backward ? m_backwardTables : m_forwardTables;
    if (!tables) {
        const std::wstring& pattern = backward ? m_reversed : m_pattern;
        tables.reset(new Tables(buildTables(pattern.data(), static_cast<int32_t>(pattern.size()))));
    }
    return *tables;
}

bool FinderBoyerMoore::find(const DocumentIterator& rangeBegin, const DocumentIterator& rangeEnd,
                            const DocumentIterator& searchStart, const DocumentIterator& searchEnd, bool backward) {
    m_results.clear();
    const Document* document = rangeBegin.container();
    if (m_pattern.empty() || !document)
        return false;
    const int32_t begin = std::max(rangeBegin.position(), 0);
    const int32_t end = std::min(rangeEnd.position(), document->getLength());
    const int32_t from = std::max(searchStart.position(), begin);
    const int32_t to = std::min(searchEnd.position(), end);
    if (to - from <= m_last)
        return false;
    const GapBuffer& buffer = document->getBuffer();
    const GapText text(buffer);
    const Search search(*this, text, begin, end);
    if (!m_probes)
        m_probes.reset(new ProbeScan(m_pattern, m_ignoreCase, m_foldsPairs));
    // The probe scan first; Boyer-Moore alone when it cannot be used or gives up.
    int32_t start = -1, stopped = backward ? to - m_last - 1 : from;
    const auto accepts = [&search](int32_t place) { return search.accepts(place); };
    if (m_probes->usable())
        start = backward ? m_probes->backward(buffer, from, to - m_last - 1, accepts, &stopped)
                         : m_probes->forward(buffer, from, to - m_last - 1, accepts, &stopped);
    if (start < 0 && stopped >= 0)
        start = backward ? search.backward(tables(true), from, stopped + m_last + 1)
                         : search.forward(tables(false), stopped, to);
    if (start < 0)
        return false;
    m_results.add(start - begin, start - begin + m_last + 1);
    return true;
}

} // namespace tessel
