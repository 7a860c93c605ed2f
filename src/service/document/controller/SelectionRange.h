#pragma once
// The pieces a Selection is made of besides positions: its committed ranges in text offsets
// (each with the serial it was committed under), pairs of lines, and the ids that name
// selection behaviours, the two requests of Selection::set and the kinds of a selection.

#include "pel/base/Crc.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace tessel {

// One committed range: from start (its anchor end) to end (its caret end); end before start is
// a backward range. Every operation keeps the direction.
struct SelectionRange {
    int32_t start = -1;
    int32_t end = -1;
    int32_t id = 0;

    SelectionRange() = default;
    SelectionRange(int32_t i_start, int32_t i_end, int32_t i_id) : start(i_start), end(i_end), id(i_id) {}

    // Both ends -1: no range.
    void reset() { start = end = -1; }
    int32_t lower() const { return std::min(start, end); }
    int32_t upper() const { return std::max(start, end); }
    bool isEmpty() const { return start == end; }
    bool operator==(const SelectionRange& other) const {
        return start == other.start && end == other.end && id == other.id;
    }
};

// Committed ranges keyed by their lower end. They never overlap; two touch only where one starts
// exactly at the upper end of one before it.
using SelectionRangeMap = std::map<int32_t, SelectionRange>;

// Commits the range [start, end] under id. With merge, every committed range it overlaps or
// touches (one starting at the new range's upper end, or ending at its lower end when that
// range reaches past it) is taken into it, keeping the new range's direction; without merge a
// range whose lower end is already a key is dropped.
void addSelectionRange(SelectionRangeMap& ranges, int32_t start, int32_t end, int32_t id, bool merge);

// The first and the last line of a block of lines.
struct LineRange {
    int32_t first = 0;
    int32_t last = 0;
    bool operator==(const LineRange& other) const { return first == other.first && last == other.last; }
};

namespace selection_ids {
// Behaviours.
constexpr uint32_t NORMAL = pel::crc32Literal("normal");       // a stream of text
constexpr uint32_t RECTANGLE = pel::crc32Literal("rectangle"); // a column block
// Requests to Selection::set: drop every committed range and select normally; keep the
// behaviour in force.
constexpr uint32_t CARET = pel::crc32Literal("caret");
constexpr uint32_t CURRENT = pel::crc32Literal("current");
// Kinds of selection besides the behaviours: nothing selected; committed ranges beside a
// rectangular current range.
constexpr uint32_t NONE = pel::crc32Literal("none");
constexpr uint32_t MIXED = pel::crc32Literal("mixed");
static_assert(NORMAL == 0x218568E4 && RECTANGLE == 0x4C19FA99 && CARET == 0x83BDFC1F && CURRENT == 0xDCF3340B &&
                  NONE == 0x7F9000CF && MIXED == 0xE919FF23,
              "selection ids are stored in undo records");
} // namespace selection_ids

// Bits of a caret's flags. The editor view's own bits (no scrolling 4, centring 8) are kept and
// passed on untouched.
enum : uint8_t {
    CARET_ANCHOR = 0x01,  // the editor's remembered column follows this caret
    CARET_VIRTUAL = 0x02, // the caret may stay in virtual space beyond its line's end
    // A column of carets: a rectangle's both edges stand at its anchor's column, whatever line
    // its caret is on, and an edit at the carets (or at those it leaves) never joins lines.
    CARET_COLUMN = 0x10,
};

} // namespace tessel
