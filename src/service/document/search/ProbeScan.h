#pragma once
// The fast front of the plain-text finder: a vectorised scan (SSE2, eight units at a time) for
// the places where the pattern's two rarest units stand at their offsets, each place then
// checked in full by the caller. The answers are the Boyer-Moore loop's (the first or last
// place that the check accepts); it only gets there sooner. Where the probed units turn out to
// be common, the caller goes back to Boyer-Moore.

#include "service/document/GapBuffer.h"

#include <emmintrin.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// How common a unit is in English-like text, roughly (higher: more common). Letters follow
// their frequency; capitals, digits, punctuation and other scripts are rarer. Ignoring case,
// a capital counts as its letter.
int commonness(wchar_t unit, bool ignoreCase);

class ProbeScan {
public:
    // Whether to give up on the scan: after this many rejected places, once they come more
    // often than one in REJECTED_RATE places scanned.
    static constexpr int32_t REJECTED_LIMIT = 1024;
    static constexpr int32_t REJECTED_RATE = 16;

    // For the pattern as compared (upper-cased when ignoring case, whose probes then accept
    // every unit that upper-cases to them).
    ProbeScan(const std::wstring& pattern, bool ignoreCase);
    // False when no probe would be rare enough to pay (a unit with too many case forms).
    bool usable() const { return m_usable; }

    // The first (backwards: the last) place t in [first, last] where the probes match and
    // check(t) holds; -1 when there is none. *o_stopped is where the scan gave up (then the
    // answer is -1 and the places before it, backwards after it, are done), else -1.
    template <class Check>
    int32_t forward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check, int32_t* o_stopped) const;
    template <class Check>
    int32_t backward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check, int32_t* o_stopped) const;

private:
    static constexpr int MAX_FORMS = 4;
    struct Probe {
        int32_t offset = 0;
        int forms = 0;
        wchar_t form[MAX_FORMS] = {};
        wchar_t lanes[MAX_FORMS][8] = {}; // each form eight times, for the vector compares
        bool matches(wchar_t unit) const {
            for (int i = 0; i < forms; ++i)
                if (form[i] == unit)
                    return true;
            return false;
        }
        // Bit 2k (and 2k + 1) set where unit k of the eight at `units` is one of the forms.
        int mask(const wchar_t* units) const {
            const __m128i loaded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
            __m128i hits = _mm_cmpeq_epi16(loaded, lane(0));
            for (int i = 1; i < forms; ++i)
                hits = _mm_or_si128(hits, _mm_cmpeq_epi16(loaded, lane(i)));
            return _mm_movemask_epi8(hits);
        }
        __m128i lane(int i) const { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes[i])); }
    };

    static wchar_t unitAt(const GapBuffer& buffer, int32_t position) { return buffer.at(position); }
    bool probesMatch(const GapBuffer& buffer, int32_t place) const {
        return m_near.matches(unitAt(buffer, place + m_near.offset)) && m_far.matches(unitAt(buffer, place + m_far.offset));
    }
    // The places around `place` whose probe units all lie on one side of the gap: o_base reads
    // them by position; false when `place` straddles the gap.
    bool sameSide(const GapBuffer& buffer, int32_t place, int32_t* o_low, int32_t* o_high, const wchar_t** o_base) const {
        const int32_t gap = buffer.gapStart();
        if (place + m_far.offset < gap) {
            *o_low = 0;
            *o_high = gap - 1 - m_far.offset;
            *o_base = buffer.firstHalf();
            return true;
        }
        if (place + m_near.offset >= gap) {
            *o_low = gap - m_near.offset;
            *o_high = INT32_MAX;
            *o_base = buffer.secondHalf() - gap;
            return true;
        }
        return false;
    }
    // One bit per place of the eight from `place` whose probe units match.
    int hits(const wchar_t* base, int32_t place) const {
        const int both = m_near.mask(base + place + m_near.offset) & m_far.mask(base + place + m_far.offset);
        int bits = 0; // the even bits of the byte mask
        for (int k = 0, b = both; b; ++k, b >>= 2)
            bits |= (b & 1) << k;
        return bits;
    }
    // A place whose probes matched: accepted by check, or counted as rejected.
    template <class Check>
    static bool accepted(int32_t place, const Check& check, int32_t* io_rejected) {
        if (check(place))
            return true;
        ++*io_rejected;
        return false;
    }
    bool probesMatch(const wchar_t* base, int32_t place) const {
        return m_near.matches(base[place + m_near.offset]) && m_far.matches(base[place + m_far.offset]);
    }
    bool giveUp(int32_t rejected, int32_t scanned) const {
        return rejected > REJECTED_LIMIT && rejected * REJECTED_RATE > scanned;
    }

    Probe m_near;
    Probe m_far;
    bool m_usable = false;
};

template <class Check>
int32_t ProbeScan::forward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check,
                           int32_t* o_stopped) const {
    *o_stopped = -1;
    int32_t rejected = 0;
    int32_t low = 0, high = -1;
    const wchar_t* base = nullptr;
    for (int32_t place = first; place <= last;) {
        if ((place > high || place < low) && !sameSide(buffer, place, &low, &high, &base)) {
            high = -1;
            if (probesMatch(buffer, place) && accepted(place, check, &rejected))
                return place;
            ++place;
            continue;
        }
        const int32_t end = std::min(high, last);
        for (; place + 7 <= end; place += 8) {
            const int bits = hits(base, place);
            if (!bits)
                continue;
            for (int b = bits; b; b &= b - 1)
                if (accepted(place + __builtin_ctz(b), check, &rejected))
                    return place + __builtin_ctz(b);
            if (giveUp(rejected, place - first)) {
                *o_stopped = place + 8;
                return -1;
            }
        }
        for (; place <= end; ++place)
            if (probesMatch(base, place) && accepted(place, check, &rejected))
                return place;
    }
    return -1;
}

template <class Check>
int32_t ProbeScan::backward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check,
                            int32_t* o_stopped) const {
    *o_stopped = -1;
    int32_t rejected = 0;
    int32_t low = 0, high = -1;
    const wchar_t* base = nullptr;
    for (int32_t place = last; place >= first;) {
        if ((place > high || place < low) && !sameSide(buffer, place, &low, &high, &base)) {
            high = -1;
            if (probesMatch(buffer, place) && accepted(place, check, &rejected))
                return place;
            --place;
            continue;
        }
        const int32_t end = std::max(low, first);
        for (; place - 7 >= end; place -= 8) {
            const int bits = hits(base, place - 7);
            if (!bits)
                continue;
            for (int b = bits; b; b &= ~(1 << (31 - __builtin_clz(b))))
                if (accepted(place - 7 + (31 - __builtin_clz(b)), check, &rejected))
                    return place - 7 + (31 - __builtin_clz(b));
            if (giveUp(rejected, last - place)) {
                *o_stopped = place - 8;
                return -1;
            }
        }
        for (; place >= end; --place)
            if (probesMatch(base, place) && accepted(place, check, &rejected))
                return place;
    }
    return -1;
}

} // namespace tessel
