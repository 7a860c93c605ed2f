#include "service/document/search/RegExPrefix.h"

#include "pel/text/Utf16Characters.h"
#include "service/document/search/CaseFolding.h"
#include "service/document/search/ProbeScan.h"
#include "service/document/search/RegExSyntax.h"

#include <algorithm>

namespace tessel {

namespace {

constexpr uint32_t UNITS = 0x10000;

bool isAsciiAlnum(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Whether the pattern has an alternative at its top level: then no start is common to all.
bool alternativeAtTop(const std::wstring& pattern, const UnicodeRegExTraits& traits) {
    bool found = false;
    visitGroupSyntax(pattern, traits, [&](wchar_t c, int depth) { found = found || (c == L'|' && depth <= 0); });
    return found;
}

} // namespace

// Reads the pattern's atoms from its start while each one must match units at known offsets;
// stops before the first one that may be left out, repeated, grouped or is not understood, and
// after one whose characters may be one unit or a pair (the units behind it have no fixed place).
class RegExPrefix::Reader {
public:
    Reader(const std::wstring& pattern, bool ignoreCase, const UnicodeRegExTraits& traits)
        : m_pattern(pattern), m_ignoreCase(ignoreCase), m_traits(traits) {}

    std::vector<UnitSet> read() {
        std::vector<UnitSet> sets;
        if (alternativeAtTop(m_pattern, m_traits))
            return sets;
        const size_t n = m_pattern.size();
        const auto full = [&] { return sets.size() >= static_cast<size_t>(MAX_UNITS); };
        const auto append = [&](const Atom& atom) {
            for (size_t k = 0; k < atom.sets.size() && !full(); ++k)
                sets.push_back(atom.sets[k]);
        };
        size_t i = 0;
        while (i < n && !full()) {
            const wchar_t c = m_pattern[i];
            // Assertions take no unit.
            if (c == L'^' || c == L'$') {
                ++i;
                continue;
            }
            if (c == L'\\' && i + 1 < n && (m_pattern[i + 1] == L'b' || m_pattern[i + 1] == L'B')) {
                i += 2;
                continue;
            }
            Atom atom;
            size_t next = 0;
            if (!readAtom(i, &atom, &next))
                break;
            // A quantifier: only a required first repetition counts, and nothing after it.
            const wchar_t q = next < n ? m_pattern[next] : 0;
            if (q == L'*' || q == L'?')
                break;
            if (q == L'+' || q == L'{') {
                const int times = q == L'+' ? 1 : minimumCount(next);
                for (int k = 0; k < times && !full(); ++k) {
                    append(atom);
                    if (!atom.fixed)
                        break;
                }
                break;
            }
            append(atom);
            if (!atom.fixed)
                break;
            i = next;
        }
        return sets;
    }

private:
    // What one atom matches: a set for each unit at a known offset, and whether its width in
    // units is fixed (else only its first unit's set is known).
    struct Atom {
        std::vector<UnitSet> sets;
        bool fixed = true;
    };

    // One atom at i that matches one character: its sets and where it ends. False to stop.
    bool readAtom(size_t i, Atom* o_atom, size_t* o_next) {
        const size_t n = m_pattern.size();
        const wchar_t c = m_pattern[i];
        *o_next = i + 1;
        if (c == L'.') {
            *o_atom = variable(UnitSet());
            return true;
        }
        if (c == L'[')
            return bracket(i, o_atom, o_next);
        if (c == L'\\') {
            if (i + 1 >= n || pel::isSurrogateUnit(m_pattern[i + 1]))
                return false;
            *o_next = i + 2;
            return escape(m_pattern[i + 1], o_atom);
        }
        if (std::wstring(L"()|*+?{}]").find(c) != std::wstring::npos)
            return false;
        const auto length = static_cast<int32_t>(n);
        *o_next = i + static_cast<size_t>(pel::characterUnits(m_pattern, static_cast<int32_t>(i), length));
        *o_atom = character(pel::codePointAt(m_pattern, static_cast<int32_t>(i), length));
        return true;
    }

    // An escape of one character: a class, a control character or an escaped symbol.
    bool escape(wchar_t e, Atom* o_atom) {
        if (isClassLetter(e)) {
            // Only white space lies wholly inside the BMP.
            *o_atom = e == L's' ? fixed(classSet(e)) : variable(classSet(e));
            return true;
        }
        const wchar_t unit = controlUnit(e);
        if (unit)
            *o_atom = character(unit);
        return unit != 0;
    }

    static bool isClassLetter(wchar_t e) {
        return e == L'd' || e == L'D' || e == L'w' || e == L'W' || e == L's' || e == L'S';
    }
    // The unit an escape of a control letter or a symbol stands for; 0 for other escapes.
    static wchar_t controlUnit(wchar_t e) {
        switch (e) {
        case L'n': return L'\n';
        case L't': return L'\t';
        case L'r': return L'\r';
        case L'f': return L'\f';
        case L'v': return L'\v';
        default: return isAsciiAlnum(e) || e == L'_' || e == 0 ? 0 : e;
        }
    }

    // A bracket expression of single units, escaped units, class escapes and ranges, all in the
    // BMP; with anything else inside (or ignoring case, or negated) it is read as any character.
    bool bracket(size_t i, Atom* o_atom, size_t* o_next) {
        const size_t n = m_pattern.size();
        size_t j = i + 1;
        bool any = m_ignoreCase, wide = false;
        if (j < n && m_pattern[j] == L'^') {
            any = true;
            ++j;
        }
        if (j < n && m_pattern[j] == L']')
            return false; // an empty set or a literal "]": read differently by different engines
        UnitSet set = empty();
        while (j < n && m_pattern[j] != L']') {
            wchar_t low = m_pattern[j];
            if (pel::isSurrogateUnit(low))
                return false;
            if (low == L'[' && j + 1 < n && (m_pattern[j + 1] == L':' || m_pattern[j + 1] == L'=' || m_pattern[j + 1] == L'.'))
                return false; // a class by name: its end is not read here
            if (low == L'\\') {
                if (j + 1 >= n)
                    return false;
                const wchar_t e = m_pattern[j + 1];
                j += 2;
                if (isClassLetter(e)) {
                    unite(&set, classSet(e));
                    wide = wide || e != L's';
                    continue;
                }
                low = controlUnit(e);
                if (!low || pel::isSurrogateUnit(low))
                    return false;
            } else {
                ++j;
            }
            wchar_t high = low;
            if (j + 1 < n && m_pattern[j] == L'-' && m_pattern[j + 1] != L']') {
                high = m_pattern[j + 1];
                if (high == L'\\' || high == L'[' || pel::isSurrogateUnit(high))
                    return false;
                j += 2;
            }
            if (high < low)
                return false;
            for (uint32_t u = low; u <= high; ++u)
                add(&set, static_cast<wchar_t>(u));
        }
        if (j >= n)
            return false;
        *o_next = j + 1;
        *o_atom = any ? variable(UnitSet()) : wide ? variable(std::move(set)) : fixed(std::move(set));
        return true;
    }

    // A character of the pattern; ignoring case, with every character that folds as it does:
    // what the engine compares. Its units' sets, fixed while all those take as many units.
    Atom character(char32_t c) const {
        const std::vector<char32_t> forms = m_ignoreCase ? caseVariants(c) : std::vector<char32_t>{c};
        UnitSet first = empty(), second = empty();
        bool inBmp = false, outside = false;
        for (const char32_t form : forms) {
            if (form < 0x10000) {
                inBmp = true;
                add(&first, static_cast<wchar_t>(form));
            } else {
                outside = true;
                add(&first, pel::highUnitOf(form));
                add(&second, pel::lowUnitOf(form));
            }
        }
        if (inBmp && outside)
            return variable(std::move(first));
        Atom atom = fixed(std::move(first));
        if (outside)
            atom.sets.push_back(std::move(second));
        return atom;
    }

    // The BMP units of a class escape, and the high units of every pair where the class reaches
    // outside the BMP (a superset: the sets may hold more than the pattern matches).
    UnitSet classSet(wchar_t letter) const {
        const wchar_t name[2] = {static_cast<wchar_t>(letter | 0x20), 0};
        const UnicodeRegExTraits::char_class_type kind = m_traits.lookup_classname(name, name + 1, false);
        const bool negated = letter < L'a';
        UnitSet set = empty();
        for (uint32_t u = 0; u < UNITS; ++u)
            if (m_traits.isctype(static_cast<char32_t>(u), kind) != negated)
                add(&set, static_cast<wchar_t>(u));
        if (letter != L's')
            for (uint32_t u = 0xD800; u < 0xDC00; ++u)
                add(&set, static_cast<wchar_t>(u));
        return set;
    }

    static Atom fixed(UnitSet set) {
        Atom atom;
        atom.sets.push_back(std::move(set));
        return atom;
    }
    static Atom variable(UnitSet set) {
        Atom atom = fixed(std::move(set));
        atom.fixed = false;
        return atom;
    }

    // The least count of "{n}", "{n,}" or "{n,m}" at i; 0 when it cannot be read.
    int minimumCount(size_t i) const {
        int count = 0;
        size_t j = i + 1;
        for (; j < m_pattern.size() && m_pattern[j] >= L'0' && m_pattern[j] <= L'9' && count < MAX_UNITS; ++j)
            count = count * 10 + (m_pattern[j] - L'0');
        return j > i + 1 && j < m_pattern.size() && (m_pattern[j] == L',' || m_pattern[j] == L'}') ? count : 0;
    }

    static UnitSet empty() {
        UnitSet set;
        set.bits.assign(UNITS / 32, 0);
        return set;
    }
    static void add(UnitSet* set, wchar_t unit) { set->bits[unit >> 5] |= 1u << (unit & 31); }
    static void unite(UnitSet* set, const UnitSet& other) {
        for (size_t k = 0; k < set->bits.size(); ++k)
            set->bits[k] |= other.bits[k];
    }

    const std::wstring& m_pattern;
    bool m_ignoreCase;
    const UnicodeRegExTraits& m_traits;
};

RegExPrefix::RegExPrefix(const std::wstring& pattern, bool ignoreCase, const UnicodeRegExTraits& traits) {
    m_sets = Reader(pattern, ignoreCase, traits).read();
    chooseProbes(ignoreCase);
}

void RegExPrefix::chooseProbes(bool ignoreCase) {
    struct Candidate {
        ProbeUnits probe;
        long score;
    };
    std::vector<Candidate> candidates;
    for (int32_t offset = 0; offset < length(); ++offset) {
        const UnitSet& set = m_sets[offset];
        if (set.any())
            continue;
        std::vector<wchar_t> units, ascii;
        long score = 0;
        for (uint32_t u = 0; u < UNITS; ++u)
            if (set.has(static_cast<wchar_t>(u))) {
                units.push_back(static_cast<wchar_t>(u));
                if (u < 0x80) {
                    ascii.push_back(static_cast<wchar_t>(u));
                    score += commonness(static_cast<wchar_t>(u), ignoreCase);
                }
            }
        Candidate candidate{ProbeUnits(), score};
        ProbeUnits& probe = candidate.probe;
        probe.offset = offset;
        if (units.size() <= static_cast<size_t>(ProbeUnits::MAX_FORMS)) {
            probe.kind = formsKind(static_cast<int>(units.size()));
            candidate.score = 0;
            for (int i = 0; i < ProbeUnits::MAX_FORMS; ++i) {
                probe.units[i] = units[i < static_cast<int>(units.size()) ? i : 0];
                if (i < static_cast<int>(units.size()))
                    candidate.score += commonness(units[i], ignoreCase);
            }
        } else if (!ascii.empty() && ascii.size() == size_t(ascii.back() - ascii.front()) + 1) {
            const bool above = units.size() > ascii.size();
            probe.units[0] = ascii.front();
            probe.units[1] = static_cast<wchar_t>(ascii.back() - ascii.front());
            // Units above ASCII in one test where the range allows, else in a test of their own.
            if (!above)
                probe.kind = ProbeKind::RANGE;
            else if (ProbeUnits::fitsAbove(probe.units[0], probe.units[1]))
                probe.kind = ProbeKind::ABOVE;
            else
                probe.kind = ProbeKind::RANGE_AND_ABOVE;
            candidate.score += above ? 10 : 0;
        } else {
            continue;
        }
        candidates.push_back(candidate);
    }
    if (candidates.empty())
        return;
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score < b.score; });
    m_hits.reset(new ProbeHits(candidates[0].probe, candidates[std::min<size_t>(1, candidates.size() - 1)].probe));
}

template <class Text>
bool RegExPrefix::holdsAt(const Text& text, int32_t place) const {
    for (int32_t i = 0; i < length(); ++i)
        if (!m_sets[i].has(unitAt(text, place + i)))
            return false;
    return true;
}

int32_t RegExPrefix::scan(const wchar_t* base, int32_t first, int32_t last) const {
    const auto holds = [&](int32_t at) { return holdsAt(base, at); };
    ProbeHits::Block block;
    for (int32_t place = first; place <= last && m_hits->forward(base, place, last, &block);
         place = block.place + ProbeHits::PLACES) {
        const int32_t found = ProbeHits::firstAccepted(block, holds);
        if (found >= 0)
            return found;
    }
    return -1;
}

int32_t RegExPrefix::next(const GapBuffer& buffer, int32_t first, int32_t last) const {
    const int32_t gap = buffer.gapStart();
    int32_t place = first;
    // Places whose units all lie before the gap, those across it, those behind it.
    const int32_t before = std::min(last, gap - length());
    if (place <= before) {
        const int32_t found = scan(buffer.firstHalf(), place, before);
        if (found >= 0)
            return found;
        place = before + 1;
    }
    for (; place <= last && place < gap; ++place)
        if (holdsAt(buffer, place))
            return place;
    return place <= last ? scan(buffer.secondHalf() - gap, place, last) : -1;
}

} // namespace tessel
