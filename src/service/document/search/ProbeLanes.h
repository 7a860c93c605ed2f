#pragma once
// Whether each of eight UTF-16 units lies in a small set, with SSE2 compares: one unit, two,
// up to four, or one range of units. The vectors live in registers while a probe scan runs;
// what the plain-text and regular-expression finders' scans test their probes with, with the
// block step and the choice of kinds that both scans share.

#include <emmintrin.h>

#include <cstdint>

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

// The units the probes whose sets reach above ASCII read in a block, gathered (OR-ed) through a
// mask per probe (all ones for such a probe, else zero): any above ASCII there shows in `units`.
struct WideUnits {
    __m128i nearMask, farMask, units;
};

// A bit per place of the thirty-two from place whose probe units both match, in lanes (four
// masks of eight places, from place on); true when any does. With io_wide, the units read are
// gathered there too.
template <ProbeKind Near, ProbeKind Far>
inline bool probeBlock(const ProbeLanes<Near>& nearLanes, const ProbeLanes<Far>& farLanes, const wchar_t* nearAt,
                       const wchar_t* farAt, __m128i (&o_lanes)[4], WideUnits* io_wide = nullptr) {
    __m128i hits = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k) {
        const __m128i x = loadUnits(nearAt + 8 * k), y = loadUnits(farAt + 8 * k);
        o_lanes[k] = _mm_and_si128(nearLanes.in(x), farLanes.in(y));
        hits = _mm_or_si128(hits, o_lanes[k]);
        if (io_wide)
            io_wide->units = _mm_or_si128(io_wide->units, _mm_or_si128(_mm_and_si128(x, io_wide->nearMask),
                                                                       _mm_and_si128(y, io_wide->farMask)));
    }
    // Hits are rare where probing pays: the loop over blocks goes on straight.
    return __builtin_expect(_mm_movemask_epi8(hits) != 0, 0);
}

// The first place of a block, in place order, whose bit is set in lanes (from probeBlock) and
// that accept(place) takes; -1 when none. Kept out of the scan loops, whose probe vectors then
// stay in registers from block to block.
template <class Accept>
__attribute__((noinline)) int32_t firstInBlock(const __m128i (&lanes)[4], int32_t place, const Accept& accept) {
    for (int k = 0; k < 4; ++k)
        for (int bits = laneBits(lanes[k]); bits; bits &= bits - 1)
            if (accept(place + 8 * k + __builtin_ctz(bits)))
                return place + 8 * k + __builtin_ctz(bits);
    return -1;
}

namespace probe_kinds {

template <ProbeKind Near, bool Ranges, class Run>
int32_t withFar(ProbeKind farKind, const Run& run) {
    switch (farKind) {
    case ProbeKind::ONE: return run.template scan<Near, ProbeKind::ONE>();
    case ProbeKind::TWO: return run.template scan<Near, ProbeKind::TWO>();
    case ProbeKind::FORMS: return run.template scan<Near, ProbeKind::FORMS>();
    case ProbeKind::RANGE: return run.template scan<Near, Ranges ? ProbeKind::RANGE : ProbeKind::FORMS>();
    default: return run.template scan<Near, Ranges ? ProbeKind::ABOVE : ProbeKind::FORMS>();
    }
}

} // namespace probe_kinds

// Runs run.scan<Near, Far>() with the kinds of two probes known only at run time. Without
// Ranges only the kinds of unit sets (ONE, TWO, FORMS) are made.
template <bool Ranges, class Run>
int32_t withProbeKinds(ProbeKind nearKind, ProbeKind farKind, const Run& run) {
    switch (nearKind) {
    case ProbeKind::ONE: return probe_kinds::withFar<ProbeKind::ONE, Ranges>(farKind, run);
    case ProbeKind::TWO: return probe_kinds::withFar<ProbeKind::TWO, Ranges>(farKind, run);
    case ProbeKind::FORMS: return probe_kinds::withFar<ProbeKind::FORMS, Ranges>(farKind, run);
    case ProbeKind::RANGE:
        return probe_kinds::withFar<Ranges ? ProbeKind::RANGE : ProbeKind::FORMS, Ranges>(farKind, run);
    default: return probe_kinds::withFar<Ranges ? ProbeKind::ABOVE : ProbeKind::FORMS, Ranges>(farKind, run);
    }
}

} // namespace tessel
