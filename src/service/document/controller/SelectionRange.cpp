#include "service/document/controller/SelectionRange.h"

namespace tessel {

void addSelectionRange(SelectionRangeMap& ranges, int32_t start, int32_t end, int32_t id, bool merge) {
    if (merge) {
        int32_t low = std::min(start, end);
        int32_t high = std::max(start, end);
        const bool backward = end < start;
        // The first range that may overlap: the one before low when it reaches past low.
        auto it = ranges.lower_bound(low);
        if (it != ranges.begin() && std::prev(it)->second.upper() > low)
            --it;
        while (it != ranges.end()) {
            const int32_t lo = it->second.lower();
            const int32_t hi = it->second.upper();
            const bool overlaps = (low >= lo && low <= hi) || (high >= lo && high <= hi) || (low <= lo && high >= hi);
            if (!overlaps)
                break;
            low = std::min(low, lo);
            high = std::max(high, hi);
            it = ranges.erase(it);
        }
        start = backward ? high : low;
        end = backward ? low : high;
    }
    ranges.emplace(std::min(start, end), SelectionRange(start, end, id));
}

} // namespace tessel
