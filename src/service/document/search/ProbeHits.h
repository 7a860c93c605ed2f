#pragma once
// Where two probes (sets of units at fixed offsets from a place) both hit, found by a vectorised
// scan of the text: the fast front that the plain-text finder and the regular-expression prefix
// share. The scan runs on the widest vectors the processor has (AVX2, else SSE2), chosen at run
// time, and reports its hits in blocks of places, in order; the caller checks each place in full.

#include <cstdint>

namespace tessel {

// How a probe tests a unit: one unit, two, up to four (repeat a unit to fill them), one range of
// ASCII units, such a range and every unit above ASCII by one xor (for a range whose units give
// [0, width] when xor-ed with its low unit, such as the digits), or by two tests (other ranges).
enum class ProbeKind { ONE, TWO, FORMS, RANGE, ABOVE, RANGE_AND_ABOVE };

// The kind that tests a set of `count` units (1 to 4).
inline ProbeKind formsKind(int count) {
    return count == 1 ? ProbeKind::ONE : count == 2 ? ProbeKind::TWO : ProbeKind::FORMS;
}

// The set one probe tests, at `offset` units from each place.
struct ProbeUnits {
    static constexpr int MAX_FORMS = 4;
    int32_t offset = 0;
    ProbeKind kind = ProbeKind::ONE;
    // The forms (unused ones repeat the first), or a range's low unit and width.
    wchar_t units[MAX_FORMS] = {};

    // Whether the set holds the unit: what the vectorised tests say of it, one unit at a time.
    bool has(wchar_t unit) const;
    // Whether ABOVE can test the range [low, low + width] and the units above ASCII.
    static bool fitsAbove(wchar_t low, wchar_t width);
};

// The vectors a scan may use; VectorWidth::AVX2 where the processor runs it.
enum class VectorWidth { SSE2, AVX2 };
VectorWidth widestVectors();
// Scans set up from now on use vectors no wider than `width` (tests of the narrower path);
// returns the limit it replaces.
VectorWidth limitVectors(VectorWidth width);

class ProbeHits {
public:
    // Places per block of hits.
    static constexpr int32_t PLACES = 64;
    // Bit i of bits: place + i is a hit; never a place outside the range scanned.
    struct Block {
        int32_t place = 0;
        uint64_t bits = 0;
    };
    using Kernel = bool (*)(const ProbeHits& hits, const wchar_t* base, int32_t first, int32_t last, Block* o_block);

    // With the vectors of widestVectors() and the limit. Backward scans are vectorised for sets
    // of units (ONE, TWO, FORMS); with a range they go unit by unit.
    ProbeHits(const ProbeUnits& nearProbe, const ProbeUnits& farProbe);

    const ProbeUnits& nearUnits() const { return m_near; }
    const ProbeUnits& farUnits() const { return m_far; }
    VectorWidth width() const { return m_width; }

    // The first (backwards: the last) block of the places in [first, last] where both probes hit:
    // base[place + offset] is each probe's unit (readable for every place of the range); false
    // when there is none.
    bool forward(const wchar_t* base, int32_t first, int32_t last, Block* o_block) const {
        return m_forward(*this, base, first, last, o_block);
    }
    bool backward(const wchar_t* base, int32_t first, int32_t last, Block* o_block) const {
        return m_backward(*this, base, first, last, o_block);
    }

    // The first (lastAccepted: the last) place of a block that accept(place) takes; -1 when none.
    template <class Accept>
    static int32_t firstAccepted(const Block& block, const Accept& accept) {
        for (uint64_t bits = block.bits; bits; bits &= bits - 1)
            if (accept(block.place + __builtin_ctzll(bits)))
                return block.place + __builtin_ctzll(bits);
        return -1;
    }
    template <class Accept>
    static int32_t lastAccepted(const Block& block, const Accept& accept) {
        for (uint64_t bits = block.bits; bits;) {
            const int top = 63 - __builtin_clzll(bits);
            if (accept(block.place + top))
                return block.place + top;
            bits &= ~(uint64_t(1) << top);
        }
        return -1;
    }

    // The hits among the count (at most PLACES) places from place, unit by unit: the ends of the
    // ranges that the vectorised blocks do not fill.
    uint64_t hitsAt(const wchar_t* base, int32_t place, int32_t count) const;
    // The scans of such ends, in blocks from first up (from last down).
    bool forwardByUnits(const wchar_t* base, int32_t first, int32_t last, Block* o_block) const;
    bool backwardByUnits(const wchar_t* base, int32_t first, int32_t last, Block* o_block) const;

private:
    ProbeUnits m_near;
    ProbeUnits m_far;
    VectorWidth m_width;
    Kernel m_forward = nullptr;
    Kernel m_backward = nullptr;
};

} // namespace tessel
