#pragma once
// The fast front of the plain-text finder: a vectorised scan (SSE2, thirty-two places at a
// time) for the places where the pattern's two rarest units stand at their offsets, each place then
// checked in full by the caller. The answers are the Boyer-Moore loop's (the first or last
// place that the check accepts); it only gets there sooner. Where the probed units turn out to
// be common, the caller goes back to Boyer-Moore.

#include "service/document/GapBuffer.h"
#include "service/document/search/ProbeLanes.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// The unit at a position of a text read by position: the buffer, or a base that reads one
// side of its gap (what the probe scans read blocks through).
inline wchar_t unitAt(const GapBuffer& buffer, int32_t position) {
    return buffer.at(position);
}
inline wchar_t unitAt(const wchar_t* base, int32_t position) {
    return base[position];
}

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
        wchar_t form[MAX_FORMS] = {}; // unused ones repeat the first
        bool matches(wchar_t unit) const {
            for (int i = 0; i < forms; ++i)
                if (form[i] == unit)
                    return true;
            return false;
        }
    };

    // Text is the buffer or a base that reads one side of its gap by position.
    template <class Text>
    bool probesMatch(const Text& text, int32_t place) const {
        return m_near.matches(unitAt(text, place + m_near.offset)) && m_far.matches(unitAt(text, place + m_far.offset));
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
    // A place whose probes matched: accepted by check, or counted as rejected.
    template <class Check>
    static bool accepted(int32_t place, const Check& check, int32_t* io_rejected) {
        if (check(place))
            return true;
        ++*io_rejected;
        return false;
    }
    bool giveUp(int32_t rejected, int32_t scanned) const {
        return rejected > REJECTED_LIMIT && rejected * REJECTED_RATE > scanned;
    }

    template <ProbeKind Near, ProbeKind Far, class Check>
    int32_t forwardWith(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check, int32_t* o_stopped) const;
    template <ProbeKind Near, ProbeKind Far, class Check>
    int32_t backwardWith(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check, int32_t* o_stopped) const;
    template <bool Backward, class Check>
    struct Scan;
    // Runs run.scan<Near, Far>() with the kinds of the two probes.
    template <class Run>
    int32_t withKinds(const Run& run) const {
        return withProbeKinds<false>(formsKind(m_near.forms), formsKind(m_far.forms), run);
    }

    Probe m_near;
    Probe m_far;
    bool m_usable = false;
};

// A scan in one direction, as withProbeKinds runs it.
template <bool Backward, class Check>
struct ProbeScan::Scan {
    const ProbeScan& self;
    const GapBuffer& buffer;
    int32_t first, last;
    const Check& check;
    int32_t* stopped;
    template <ProbeKind Near, ProbeKind Far>
    int32_t scan() const {
        return Backward ? self.backwardWith<Near, Far>(buffer, first, last, check, stopped)
                        : self.forwardWith<Near, Far>(buffer, first, last, check, stopped);
    }
};

template <class Check>
int32_t ProbeScan::forward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check,
                           int32_t* o_stopped) const {
    return withKinds(Scan<false, Check>{*this, buffer, first, last, check, o_stopped});
}

template <class Check>
int32_t ProbeScan::backward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check,
                            int32_t* o_stopped) const {
    return withKinds(Scan<true, Check>{*this, buffer, first, last, check, o_stopped});
}

template <ProbeKind Near, ProbeKind Far, class Check>
int32_t ProbeScan::forwardWith(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check,
                               int32_t* o_stopped) const {
    *o_stopped = -1;
    const ProbeLanes<Near> nearLanes(m_near.form);
    const ProbeLanes<Far> farLanes(m_far.form);
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
        __m128i lanes[4];
        for (; place + 31 <= end; place += 32) {
            if (!probeBlock(nearLanes, farLanes, base + place + m_near.offset, base + place + m_far.offset, lanes))
                continue;
            const int32_t found =
                firstInBlock(lanes, place, [&](int32_t at) { return accepted(at, check, &rejected); });
            if (found >= 0)
                return found;
            if (giveUp(rejected, place - first)) {
                *o_stopped = place + 32;
                return -1;
            }
        }
        for (; place <= end; ++place)
            if (probesMatch(base, place) && accepted(place, check, &rejected))
                return place;
    }
    return -1;
}

template <ProbeKind Near, ProbeKind Far, class Check>
int32_t ProbeScan::backwardWith(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check,
                                int32_t* o_stopped) const {
    *o_stopped = -1;
    const ProbeLanes<Near> nearLanes(m_near.form);
    const ProbeLanes<Far> farLanes(m_far.form);
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
        __m128i lanes[4];
        for (; place - 31 >= end; place -= 32) {
            const int32_t block = place - 31;
            if (!probeBlock(nearLanes, farLanes, base + block + m_near.offset, base + block + m_far.offset, lanes))
                continue;
            for (int k = 3; k >= 0; --k)
                for (int bits = laneBits(lanes[k]); bits; bits &= ~(1 << (31 - __builtin_clz(bits))))
                    if (accepted(block + 8 * k + (31 - __builtin_clz(bits)), check, &rejected))
                        return block + 8 * k + (31 - __builtin_clz(bits));
            if (giveUp(rejected, last - place)) {
                *o_stopped = place - 32;
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
