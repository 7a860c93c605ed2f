#include "service/document/search/ProbeHits.h"

#include "service/document/search/ProbeKernels.h"

#include <algorithm>
#include <atomic>

namespace tessel {

namespace {

std::atomic<int> g_vectorLimit{static_cast<int>(VectorWidth::AVX2)};

// Where no vectorised scan is made (backwards over a range): unit by unit.
bool backwardByUnitsOnly(const ProbeHits& hits, const wchar_t* base, int32_t first, int32_t last,
                         ProbeHits::Block* o_block) {
    return hits.backwardByUnits(base, first, last, o_block);
}

} // namespace

bool ProbeUnits::has(wchar_t unit) const {
    const unsigned fromLow = static_cast<uint16_t>(unit - units[0]);
    switch (kind) {
    case ProbeKind::RANGE: return fromLow <= units[1];
    case ProbeKind::ABOVE:
    case ProbeKind::RANGE_AND_ABOVE: return fromLow <= units[1] || unit > 0x7F;
    default: return unit == units[0] || unit == units[1] || unit == units[2] || unit == units[3];
    }
}

bool ProbeUnits::fitsAbove(wchar_t low, wchar_t width) {
    for (unsigned unit = low; unit <= 0x7Fu && unit <= static_cast<unsigned>(low + width); ++unit)
        if ((unit ^ low) > width)
            return false;
    return low + width < 0x7F;
}

VectorWidth widestVectors() {
    static const VectorWidth widest = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? VectorWidth::AVX2 : VectorWidth::SSE2;
    }();
    return widest;
}

VectorWidth limitVectors(VectorWidth width) {
    return static_cast<VectorWidth>(g_vectorLimit.exchange(static_cast<int>(width)));
}

ProbeHits::ProbeHits(const ProbeUnits& nearProbe, const ProbeUnits& farProbe)
    : m_near(nearProbe), m_far(farProbe),
      m_width(std::min(widestVectors(), static_cast<VectorWidth>(g_vectorLimit.load()))) {
    const auto kernel = m_width == VectorWidth::AVX2 ? &probe_avx2::kernel : &probe_sse2::kernel;
    m_forward = kernel(nearProbe.kind, farProbe.kind, false);
    m_backward = kernel(nearProbe.kind, farProbe.kind, true);
    if (!m_backward)
        m_backward = &backwardByUnitsOnly;
}

uint64_t ProbeHits::hitsAt(const wchar_t* base, int32_t place, int32_t count) const {
    uint64_t bits = 0;
    for (int32_t i = 0; i < count; ++i)
        if (m_near.has(base[place + i + m_near.offset]) && m_far.has(base[place + i + m_far.offset]))
            bits |= uint64_t(1) << i;
    return bits;
}

bool ProbeHits::forwardByUnits(const wchar_t* base, int32_t first, int32_t last, Block* o_block) const {
    for (int32_t place = first; place <= last; place += PLACES) {
        const uint64_t bits = hitsAt(base, place, std::min(PLACES, last - place + 1));
        if (bits) {
            o_block->place = place;
            o_block->bits = bits;
            return true;
        }
    }
    return false;
}

bool ProbeHits::backwardByUnits(const wchar_t* base, int32_t first, int32_t last, Block* o_block) const {
    for (int32_t end = last; end >= first; end -= PLACES) {
        const int32_t place = std::max(first, end - (PLACES - 1));
        const uint64_t bits = hitsAt(base, place, end - place + 1);
        if (bits) {
            o_block->place = place;
            o_block->bits = bits;
            return true;
        }
    }
    return false;
}

} // namespace tessel
