#include "editor/SubLineIterator.h"

#include <algorithm>

namespace tessel {

int32_t SubLineIterator::countOf(int32_t at) const {
    return builder ? std::max(builder->getSubLineCount(at, true), 1) : 1;
}

int32_t SubLineIterator::clampedSubline() const {
    return std::max(std::min(countOf(line) - 1, subline), 0);
}

SubLineIterator& SubLineIterator::advance(int32_t n) {
    if (n < 0)
        return retreat(-n);
    if (!builder || builder->isUnwrapped()) {
        line += n;
        subline = 0;
        return *this;
    }
    subline = clampedSubline();
    for (int32_t count = countOf(line); subline + n >= count; count = countOf(line)) {
        n -= count - subline;
        ++line;
        subline = 0;
    }
    subline += n;
    return *this;
}

SubLineIterator& SubLineIterator::retreat(int32_t n) {
    if (n < 0)
        return advance(-n);
    if (!builder || builder->isUnwrapped()) {
        line -= n;
        subline = 0;
        return *this;
    }
    subline = clampedSubline();
    while (subline - n < 0) {
        n -= subline;
        --line;
        subline = countOf(line);
    }
    subline -= n;
    return *this;
}

SubLineIterator::State SubLineIterator::state() const {
    if (line < 0)
        return BEFORE_BEGIN;
    return builder && line < builder->getLineCount() ? VALID : PAST_END;
}

bool SubLineIterator::normalize() {
    switch (state()) {
    case BEFORE_BEGIN:
        line = 0;
        subline = 0;
        return true;
    case PAST_END:
        line = builder ? builder->getLineCount() - 1 : 0;
        subline = builder ? builder->getSubLineCount(line, false) : 0;
        return true;
    default:
        return false;
    }
}

} // namespace tessel
