#include "service/document/search/FinderBoyerMoore.h"

#include "pel/base/CharacterProperties.h"
#include "service/document/Document.h"
#include "service/document/search/CaseFolding.h"
#include "service/document/search/GapText.h"
#include "service/document/search/ProbeScan.h"

#include <algorithm>

namespace tessel {

namespace {

// One pass of the search over a reading order of the text: read(i) is the i-th unit in that
// order. Windows run from `from` while they end by `to`; accept(i) says whether a full match
// at i counts (whole words). Returns the first accepted window, or -1.
template <bool IgnoreCase, class Read, class Accept>
int32_t scan(const Read& read, int32_t from, int32_t to, const std::wstring& pattern,
             const FinderBoyerMoore::Tables& tables, const Accept& accept) {
    const wchar_t* p = pattern.data();
    const int32_t m = static_cast<int32_t>(pattern.size());
    const int32_t* badChar = tables.badChar.data();
    const int32_t* goodSuffix = tables.goodSuffix.data();
    const wchar_t* upper = IgnoreCase ? upperCaseTable() : nullptr;
    const auto unit = [&](int32_t at) {
        const wchar_t c = read(at);
        return IgnoreCase ? upper[static_cast<unsigned short>(c)] : c;
    };
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
        // The bad-character entry looks at the compared (upper-cased) unit: a raw lower-case
        // letter would index another entry and could shift past a match.
        at += std::max(j - badChar[c & 0xFF], goodSuffix[j]);
    }
    return -1;
}

bool classChange(wchar_t a, wchar_t b) {
    return pel::isCharacterClassChange(pel::getCharacterProperties(a), pel::getCharacterProperties(b));
}

} // namespace

// A search over one document range: the reading order of each direction and the whole-word
// test on document positions.
class FinderBoyerMoore::Search {
public:
    Search(const FinderBoyerMoore& finder, const GapText& text, int32_t rangeBegin, int32_t rangeEnd)
        : m_finder(finder), m_text(text), m_rangeBegin(rangeBegin), m_rangeEnd(rangeEnd) {}

    // The start of the match in [from, to), or -1.
    int32_t forward(const Tables& tables, int32_t from, int32_t to) const {
        const auto read = [this](int32_t at) { return m_text[at]; };
        const auto accept = [this](int32_t at) { return isWholeWord(at); };
        return run(read, from, to, m_finder.m_pattern, tables, accept);
    }

    // The start of the last match in [from, to), or -1: the forward search over the text read
    // from `to` down, with the reversed pattern.
    int32_t backward(const Tables& tables, int32_t from, int32_t to) const {
        const int32_t m = static_cast<int32_t>(m_finder.m_pattern.size());
        const auto read = [this, to](int32_t at) { return m_text[to - 1 - at]; };
        const auto accept = [this, to, m](int32_t at) { return isWholeWord(to - at - m); };
        const int32_t found = run(read, 0, to - from, m_finder.m_reversed, tables, accept);
        return found < 0 ? -1 : to - found - m;
    }

    // A match of the whole pattern at start that counts: what the probe scan's places must pass.
    bool accepts(int32_t start) const {
        const std::wstring& pattern = m_finder.m_pattern;
        const wchar_t* upper = m_finder.m_ignoreCase ? upperCaseTable() : nullptr;
        for (size_t j = pattern.size(); j-- > 0;) {
            const wchar_t c = m_text[start + static_cast<int32_t>(j)];
            if ((upper ? upper[static_cast<unsigned short>(c)] : c) != pattern[j])
                return false;
        }
        return isWholeWord(start);
    }

private:
    template <class Read, class Accept>
    int32_t run(const Read& read, int32_t from, int32_t to, const std::wstring& pattern, const Tables& tables,
                const Accept& accept) const {
        return m_finder.m_ignoreCase ? scan<true>(read, from, to, pattern, tables, accept)
                                     : scan<false>(read, from, to, pattern, tables, accept);
    }

    bool isWholeWord(int32_t start) const {
        if (!m_finder.m_wholeWord)
            return true;
        const int32_t end = start + m_finder.m_last + 1;
        return (start == m_rangeBegin || classChange(m_text[start - 1], m_text[start])) &&
               (end == m_rangeEnd || classChange(m_text[end - 1], m_text[end]));
    }

    const FinderBoyerMoore& m_finder;
    const GapText& m_text;
    int32_t m_rangeBegin;
    int32_t m_rangeEnd;
};

FinderBoyerMoore::FinderBoyerMoore(const std::wstring& pattern, bool ignoreCase, bool wholeWord)
    : m_pattern(pattern), m_last(static_cast<int32_t>(pattern.size()) - 1), m_ignoreCase(ignoreCase),
      m_wholeWord(wholeWord) {
    if (ignoreCase)
        for (wchar_t& unit : m_pattern)
            unit = foldUpper(unit);
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
        m_probes.reset(new ProbeScan(m_pattern, m_ignoreCase));
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
