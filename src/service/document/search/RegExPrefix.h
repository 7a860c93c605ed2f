#pragma once
// What every match of a regular expression starts with, read from the pattern when it is
// compiled: for each of its first units, a set that holds every unit the pattern can match
// there (or any unit). The regular-expression finder runs its engine only at places whose
// units lie in these sets, found by a vectorised scan (SSE2, eight units at a time) for the
// two sets that are rarest in text. The sets may hold more than the pattern matches, never
// less; where the pattern cannot be read that way (alternatives at the top, a leading
// optional part, an escape it does not know) the prefix is not usable and the finder runs
// its engine everywhere.

#include "service/document/GapBuffer.h"
#include "service/document/search/FoldingRegExTraits.h"

#include <emmintrin.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class RegExPrefix {
public:
    // The most units of a pattern read.
    static constexpr int MAX_UNITS = 16;

    // For the pattern as the finder compiles it (ECMAScript syntax, the folding traits).
    RegExPrefix(const std::wstring& pattern, bool ignoreCase, const FoldingRegExTraits& traits);

    bool usable() const { return m_probeCount > 0; }
    // How many units every match starts with.
    int32_t length() const { return static_cast<int32_t>(m_sets.size()); }

    // The first place in [first, last] whose units hold the prefix's sets; -1 when none.
    // last + length() must not pass the buffer's length.
    int32_t next(const GapBuffer& buffer, int32_t first, int32_t last) const;

    // The set of the unit at offset (tests): whether it holds the unit.
    bool holds(int32_t offset, wchar_t unit) const { return m_sets[offset].has(unit); }

private:
    // A set of units as 65,536 bits; no bits: any unit.
    struct UnitSet {
        std::vector<uint32_t> bits;
        bool any() const { return bits.empty(); }
        bool has(wchar_t unit) const { return bits.empty() || (bits[unit >> 5] >> (unit & 31)) & 1; }
    };
    // A set the vectorised scan looks for: up to four units, or one range of them.
    struct Probe {
        static constexpr int MAX_FORMS = 4;
        int32_t offset = 0;
        int forms = 0; // 0: the range [lanes[0], lanes[0] + lanes[1]]
        // Each form (or the range's low unit and width) eight times, for the vector compares;
        // loaded unaligned, since the heap does not align to 16 bytes here.
        wchar_t lanes[MAX_FORMS][8] = {};
        // Two bits per unit of the eight at units, set where the unit is in the set.
        int mask(const wchar_t* units) const {
            const __m128i loaded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
            if (!forms) {
                const __m128i above = _mm_subs_epu16(_mm_sub_epi16(loaded, lane(0)), lane(1));
                return _mm_movemask_epi8(_mm_cmpeq_epi16(above, _mm_setzero_si128()));
            }
            __m128i hits = _mm_cmpeq_epi16(loaded, lane(0));
            for (int i = 1; i < forms; ++i)
                hits = _mm_or_si128(hits, _mm_cmpeq_epi16(loaded, lane(i)));
            return _mm_movemask_epi8(hits);
        }
        __m128i lane(int i) const { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes[i])); }
    };
    class Reader;

    void chooseProbes(bool ignoreCase);
    // Whether the units from place on (read from base, indexed by position) hold every set.
    bool holdsAt(const wchar_t* base, int32_t place) const;
    bool holdsAt(const GapBuffer& buffer, int32_t place) const;
    int32_t scan(const wchar_t* base, int32_t first, int32_t last) const;

    std::vector<UnitSet> m_sets;
    Probe m_probes[2];
    int m_probeCount = 0;
};

} // namespace tessel
