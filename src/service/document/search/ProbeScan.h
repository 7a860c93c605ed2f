#pragma once
// The fast front of the plain-text finder: a vectorised scan (ProbeHits) for the places where
// the pattern's two rarest units stand at their offsets, each place then checked in full by the
// caller. The answers are the Boyer-Moore loop's (the first or last
// place that the check accepts); it only gets there sooner. Where the probed units turn out to
// be common, the caller goes back to Boyer-Moore.

#include "service/document/GapBuffer.h"
#include "service/document/search/ProbeHits.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>

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

    // For the pattern as compared (folded when ignoring case, whose probes then accept every
    // unit that folds to them). With foldsPairs (the text's pairs are folded as characters, not
    // unit by unit) the halves of pairs are never probed.
    ProbeScan(const std::wstring& pattern, bool ignoreCase, bool foldsPairs = false);
    // False when no probe would be rare enough to pay (a unit with too many case forms).
    bool usable() const { return m_hits != nullptr; }

    // The first (backwards: the last) place t in [first, last] where the probes match and
    // check(t) holds; -1 when there is none. *o_stopped is where the scan gave up (then the
    // answer is -1 and the places before it, backwards after it, are done), else -1.
    template <class Check>
    int32_t forward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check, int32_t* o_stopped) const;
    template <class Check>
    int32_t backward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check, int32_t* o_stopped) const;

private:
    // Text is the buffer or a base that reads one side of its gap by position.
    template <class Text>
    bool probesMatch(const Text& text, int32_t place) const {
        const ProbeUnits& nearProbe = m_hits->nearUnits();
        const ProbeUnits& farProbe = m_hits->farUnits();
        return nearProbe.has(unitAt(text, place + nearProbe.offset)) && farProbe.has(unitAt(text, place + farProbe.offset));
    }
    // The places around `place` whose probe units all lie on one side of the gap: o_base reads
    // them by position; false when `place` straddles the gap.
    bool sameSide(const GapBuffer& buffer, int32_t place, int32_t* o_low, int32_t* o_high, const wchar_t** o_base) const {
        const int32_t gap = buffer.gapStart();
        const int32_t nearOffset = m_hits->nearUnits().offset, farOffset = m_hits->farUnits().offset;
        if (place + farOffset < gap) {
            *o_low = 0;
            *o_high = gap - 1 - farOffset;
            *o_base = buffer.firstHalf();
            return true;
        }
        if (place + nearOffset >= gap) {
            *o_low = gap - nearOffset;
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

    // The probes (the nearer first); null when not usable.
    std::unique_ptr<ProbeHits> m_hits;
};

template <class Check>
int32_t ProbeScan::forward(const GapBuffer& buffer, int32_t first, int32_t last, const Check& check,
                           int32_t* o_stopped) const {
    *o_stopped = -1;
    int32_t rejected = 0;
    int32_t low = 0, high = -1;
    const wchar_t* base = nullptr;
    const auto accept = [&](int32_t place) { return accepted(place, check, &rejected); };
    for (int32_t place = first; place <= last;) {
        if ((place > high || place < low) && !sameSide(buffer, place, &low, &high, &base)) {
            high = -1;
            if (probesMatch(buffer, place) && accept(place))
                return place;
            ++place;
            continue;
        }
        const int32_t end = std::min(high, last);
        ProbeHits::Block block;
        while (place <= end && m_hits->forward(base, place, end, &block)) {
            const int32_t found = ProbeHits::firstAccepted(block, accept);
            if (found >= 0)
                return found;
            place = std::min(block.place + ProbeHits::PLACES, end + 1);
            if (giveUp(rejected, place - first)) {
                *o_stopped = place;
                return -1;
            }
        }
        place = end + 1;
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
    const auto accept = [&](int32_t place) { return accepted(place, check, &rejected); };
    for (int32_t place = last; place >= first;) {
        if ((place > high || place < low) && !sameSide(buffer, place, &low, &high, &base)) {
            high = -1;
            if (probesMatch(buffer, place) && accept(place))
                return place;
            --place;
            continue;
        }
        const int32_t end = std::max(low, first);
        ProbeHits::Block block;
        while (place >= end && m_hits->backward(base, end, place, &block)) {
            const int32_t found = ProbeHits::lastAccepted(block, accept);
            if (found >= 0)
                return found;
            place = block.place - 1;
            if (giveUp(rejected, last - place)) {
                *o_stopped = place;
                return -1;
            }
        }
        place = end - 1;
    }
    return -1;
}

} // namespace tessel
