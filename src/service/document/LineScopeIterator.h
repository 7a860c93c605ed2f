#pragma once
// A cursor over the coloured runs of one parsed line (or over the root scope alone for a line
// not parsed yet), as the editor's line cache walks them: the current run, the column it
// starts at and its scope index.

#include "service/parser/base/LineRecord.h"

#include <cstdint>

namespace tessel {

struct LineScopeIterator {
    const ScopeRun* runs = nullptr; // null for the root scope alone
    uint32_t count = 0;
    uint32_t index = 0;
    uint32_t position = 0; // start column of the current run
    uint32_t scope = 0;    // scope index of the current run

    bool atLastRun() const { return index + 1 >= count; }
    // Steps to the next run; false (staying put) at the last one.
    bool next() {
        if (atLastRun())
            return false;
        ++index;
        position = runs[index].column;
        scope = runs[index].scope;
        return true;
    }
    // The column where the current run ends: the next run's start, else lineLength.
    uint32_t runEnd(uint32_t lineLength) const { return atLastRun() ? lineLength : runs[index + 1].column; }
};

} // namespace tessel
