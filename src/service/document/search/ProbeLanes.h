#pragma once
// Whether each of eight UTF-16 units lies in a small set, with SSE2 compares: one unit, two,
// up to four, or one range of units. The vectors live in registers while a probe scan runs;
// what the plain-text and regular-expression finders' scans test their probes with.

#include <emmintrin.h>

namespace tessel {

enum class ProbeKind { ONE, TWO, FORMS, RANGE, ABOVE };

inline __m128i loadUnits(const wchar_t* units) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
}

// In: all ones in the lanes of the units that are in the set.
template <ProbeKind>
struct ProbeLanes;

// units[0].
template <>
struct ProbeLanes<ProbeKind::ONE> {
    explicit ProbeLanes(const wchar_t* units) : a(_mm_set1_epi16(static_cast<short>(units[0]))) {}
    __m128i in(__m128i x) const { return _mm_cmpeq_epi16(x, a); }
    __m128i a;
};

// units[0..1].
template <>
struct ProbeLanes<ProbeKind::TWO> {
    explicit ProbeLanes(const wchar_t* units)
        : a(_mm_set1_epi16(static_cast<short>(units[0]))), b(_mm_set1_epi16(static_cast<short>(units[1]))) {}
    __m128i in(__m128i x) const { return _mm_or_si128(_mm_cmpeq_epi16(x, a), _mm_cmpeq_epi16(x, b)); }
    __m128i a, b;
};

// units[0..3] (repeat a unit to fill them).
template <>
struct ProbeLanes<ProbeKind::FORMS> {
    explicit ProbeLanes(const wchar_t* units)
        : a(_mm_set1_epi16(static_cast<short>(units[0]))), b(_mm_set1_epi16(static_cast<short>(units[1]))),
          c(_mm_set1_epi16(static_cast<short>(units[2]))), d(_mm_set1_epi16(static_cast<short>(units[3]))) {}
    __m128i in(__m128i x) const {
        return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, a), _mm_cmpeq_epi16(x, b)),
                            _mm_or_si128(_mm_cmpeq_epi16(x, c), _mm_cmpeq_epi16(x, d)));
    }
    __m128i a, b, c, d;
};

// [units[0], units[0] + units[1]].
template <>
struct ProbeLanes<ProbeKind::RANGE> {
    explicit ProbeLanes(const wchar_t* units)
        : low(_mm_set1_epi16(static_cast<short>(units[0]))), width(_mm_set1_epi16(static_cast<short>(units[1]))) {}
    // Units below low wrap around to above the width.
    __m128i in(__m128i x) const {
        return _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(x, low), width), _mm_setzero_si128());
    }
    __m128i low, width;
};

// [units[0], units[0] + units[1]] and every unit above ASCII, for a range whose units give
// [0, units[1]] when xor-ed with units[0] (such as the digits): every other ASCII unit then
// gives (units[1], 0x7F], and units above ASCII stay above it.
template <>
struct ProbeLanes<ProbeKind::ABOVE> {
    explicit ProbeLanes(const wchar_t* units)
        : low(_mm_set1_epi16(static_cast<short>(units[0]))), past(_mm_set1_epi16(static_cast<short>(units[1] + 1))),
          rest(_mm_set1_epi16(static_cast<short>(0x7F - units[1] - 1))), ones(_mm_set1_epi16(-1)) {}
    // Whether a range fits: every unit of it xor-ed with its low unit lies in [0, width].
    static bool fits(wchar_t low, wchar_t width) {
        for (unsigned unit = low; unit <= 0x7Fu && unit <= static_cast<unsigned>(low + width); ++unit)
            if ((unit ^ low) > width)
                return false;
        return low + width < 0x7F;
    }
    __m128i in(__m128i x) const {
        const __m128i otherAscii =
            _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(_mm_xor_si128(x, low), past), rest), _mm_setzero_si128());
        return _mm_xor_si128(otherAscii, ones);
    }
    __m128i low, past, rest, ones;
};

// One bit per unit of a mask from in() (its even bits, packed), for eight units.
inline int laneBits(__m128i lanes) {
    const int mask = _mm_movemask_epi8(_mm_packs_epi16(lanes, _mm_setzero_si128()));
    return mask & 0xFF;
}

} // namespace tessel

namespace tessel {

// The kind that tests a set of `count` units (1 to 4).
inline ProbeKind formsKind(int count) {
    return count == 1 ? ProbeKind::ONE : count == 2 ? ProbeKind::TWO : ProbeKind::FORMS;
}

} // namespace tessel
