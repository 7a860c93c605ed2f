// The vectorised probe scan for one vector width. ProbeKernels.cpp includes it once per width,
// inside that width's namespace, after the width's `Vec` (the vector type V, its UNITS units and
// its operations) and under the width's target options, which every function here then takes.

using V = Vec::V;

// All ones in the lanes of the units that are in a probe's set.
template <ProbeKind>
struct Lanes;

template <>
struct Lanes<ProbeKind::ONE> {
    explicit Lanes(const ProbeUnits& probe) : a(Vec::set1(probe.units[0])) {}
    V in(V x) const { return Vec::eq(x, a); }
    V a;
};

template <>
struct Lanes<ProbeKind::TWO> {
    explicit Lanes(const ProbeUnits& probe) : a(Vec::set1(probe.units[0])), b(Vec::set1(probe.units[1])) {}
    V in(V x) const { return Vec::orv(Vec::eq(x, a), Vec::eq(x, b)); }
    V a, b;
};

template <>
struct Lanes<ProbeKind::FORMS> {
    explicit Lanes(const ProbeUnits& probe)
        : a(Vec::set1(probe.units[0])), b(Vec::set1(probe.units[1])), c(Vec::set1(probe.units[2])),
          d(Vec::set1(probe.units[3])) {}
    V in(V x) const { return Vec::orv(Vec::orv(Vec::eq(x, a), Vec::eq(x, b)), Vec::orv(Vec::eq(x, c), Vec::eq(x, d))); }
    V a, b, c, d;
};

// Units below low wrap around to above the width.
inline V inRange(V x, V low, V width) {
    return Vec::eq(Vec::subs(Vec::sub(x, low), width), Vec::zero());
}

template <>
struct Lanes<ProbeKind::RANGE> {
    explicit Lanes(const ProbeUnits& probe) : low(Vec::set1(probe.units[0])), width(Vec::set1(probe.units[1])) {}
    V in(V x) const { return inRange(x, low, width); }
    V low, width;
};

// Xor-ed with low, the range gives [0, width], every other ASCII unit (width, 0x7F] and the
// units above ASCII stay above it: the set is what does not land in (width, 0x7F].
template <>
struct Lanes<ProbeKind::ABOVE> {
    explicit Lanes(const ProbeUnits& probe)
        : low(Vec::set1(probe.units[0])), past(Vec::set1(static_cast<wchar_t>(probe.units[1] + 1))),
          rest(Vec::set1(static_cast<wchar_t>(0x7F - probe.units[1] - 1))) {}
    V in(V x) const { return Vec::notv(inRange(Vec::xorv(x, low), past, rest)); }
    V low, past, rest;
};

template <>
struct Lanes<ProbeKind::RANGE_AND_ABOVE> {
    explicit Lanes(const ProbeUnits& probe)
        : low(Vec::set1(probe.units[0])), width(Vec::set1(probe.units[1])), ascii(Vec::set1(0x7F)) {}
    V in(V x) const {
        return Vec::orv(inRange(x, low, width), Vec::notv(Vec::eq(Vec::subs(x, ascii), Vec::zero())));
    }
    V low, width, ascii;
};

// Places a step tests: two blocks of hits, so that a step's loads cover whole cache lines.
constexpr int32_t STEP = 2 * ProbeHits::PLACES;
// How far ahead (behind, backwards) of a step its memory is asked for, in units: the hardware's
// own prefetching alone leaves a scan of a long text waiting on memory.
constexpr int32_t AHEAD = 2048;

// Both probes of a scan over one base.
template <ProbeKind Near, ProbeKind Far>
class Pair {
public:
    Pair(const ProbeHits& hits, const wchar_t* base)
        : m_near(hits.nearUnits()), m_far(hits.farUnits()), m_nearAt(base + hits.nearUnits().offset),
          m_farAt(base + hits.farUnits().offset) {}

    // Whether any of the STEP places from place hits.
    bool any(int32_t place) const {
        V hits = lanes(place);
#pragma GCC unroll 16
        for (int32_t k = Vec::UNITS; k < STEP; k += Vec::UNITS)
            hits = Vec::orv(hits, lanes(place + k));
        return Vec::any(hits);
    }

    // The hits among the ProbeHits::PLACES places from place.
    uint64_t bits(int32_t place) const {
        uint64_t bits = 0;
        for (int32_t k = 0; k < ProbeHits::PLACES; k += 2 * Vec::UNITS)
            bits |= static_cast<uint64_t>(Vec::bits(lanes(place + k), lanes(place + k + Vec::UNITS))) << k;
        return bits;
    }

    // Two cache lines of the near probe's units from place on (the far probe's lie close by).
    void prefetch(int32_t place) const {
        _mm_prefetch(reinterpret_cast<const char*>(m_nearAt + place), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(m_nearAt + place + 32), _MM_HINT_T0);
    }

private:
    V lanes(int32_t place) const {
        return Vec::andv(m_near.in(Vec::load(m_nearAt + place)), m_far.in(Vec::load(m_farAt + place)));
    }

    Lanes<Near> m_near;
    Lanes<Far> m_far;
    const wchar_t* m_nearAt;
    const wchar_t* m_farAt;
};

template <ProbeKind Near, ProbeKind Far>
bool forwardHits(const ProbeHits& hits, const wchar_t* base, int32_t first, int32_t last, ProbeHits::Block* o_block) {
    const Pair<Near, Far> pair(hits, base);
    int32_t place = first;
    for (; place <= last - (STEP - 1); place += STEP) {
        // Prefetching never faults, past the text's end too.
        pair.prefetch(place + AHEAD);
        // Hits are rare where probing pays: the loop goes on straight.
        if (__builtin_expect(!pair.any(place), 1))
            continue;
        for (int32_t half = place; half < place + STEP; half += ProbeHits::PLACES) {
            const uint64_t bits = pair.bits(half);
            if (bits) {
                o_block->place = half;
                o_block->bits = bits;
                return true;
            }
        }
    }
    return hits.forwardByUnits(base, place, last, o_block);
}

template <ProbeKind Near, ProbeKind Far>
bool backwardHits(const ProbeHits& hits, const wchar_t* base, int32_t first, int32_t last, ProbeHits::Block* o_block) {
    const Pair<Near, Far> pair(hits, base);
    int32_t place = last;
    for (; place >= first + (STEP - 1); place -= STEP) {
        const int32_t step = place - (STEP - 1);
        pair.prefetch(step - AHEAD);
        if (__builtin_expect(!pair.any(step), 1))
            continue;
        for (int32_t half = step + ProbeHits::PLACES; half >= step; half -= ProbeHits::PLACES) {
            const uint64_t bits = pair.bits(half);
            if (bits) {
                o_block->place = half;
                o_block->bits = bits;
                return true;
            }
        }
    }
    return hits.backwardByUnits(base, first, place, o_block);
}

constexpr bool isUnitSet(ProbeKind kind) {
    return kind == ProbeKind::ONE || kind == ProbeKind::TWO || kind == ProbeKind::FORMS;
}

template <ProbeKind Near, ProbeKind Far>
ProbeHits::Kernel kernelOf(bool backward) {
    if constexpr (isUnitSet(Near) && isUnitSet(Far))
        return backward ? &backwardHits<Near, Far> : &forwardHits<Near, Far>;
    else
        return backward ? nullptr : &forwardHits<Near, Far>;
}

template <ProbeKind Near>
ProbeHits::Kernel kernelWithFar(ProbeKind farKind, bool backward) {
    switch (farKind) {
    case ProbeKind::ONE: return kernelOf<Near, ProbeKind::ONE>(backward);
    case ProbeKind::TWO: return kernelOf<Near, ProbeKind::TWO>(backward);
    case ProbeKind::FORMS: return kernelOf<Near, ProbeKind::FORMS>(backward);
    case ProbeKind::RANGE: return kernelOf<Near, ProbeKind::RANGE>(backward);
    case ProbeKind::ABOVE: return kernelOf<Near, ProbeKind::ABOVE>(backward);
    default: return kernelOf<Near, ProbeKind::RANGE_AND_ABOVE>(backward);
    }
}

ProbeHits::Kernel kernel(ProbeKind nearKind, ProbeKind farKind, bool backward) {
    switch (nearKind) {
    case ProbeKind::ONE: return kernelWithFar<ProbeKind::ONE>(farKind, backward);
    case ProbeKind::TWO: return kernelWithFar<ProbeKind::TWO>(farKind, backward);
    case ProbeKind::FORMS: return kernelWithFar<ProbeKind::FORMS>(farKind, backward);
    case ProbeKind::RANGE: return kernelWithFar<ProbeKind::RANGE>(farKind, backward);
    case ProbeKind::ABOVE: return kernelWithFar<ProbeKind::ABOVE>(farKind, backward);
    default: return kernelWithFar<ProbeKind::RANGE_AND_ABOVE>(farKind, backward);
    }
}
