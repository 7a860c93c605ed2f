#pragma once
// What a line header of a Document holds for the parser: its flag bits, and the parse record of
// one line that the parser allocates with malloc and the Document frees with free. A record is
// a flat little-endian blob:
//   0  total size in bytes (a multiple of 4)     8  offset of the end state
//   4  offset of the first run                   12 size of the end state in bytes
//   16 the start state (16-bit values, bottom of the stack first), up to the first run
//   then the runs (16-bit start column, 16-bit scope index), sorted by column
//   then the end state (16-bit values, bottom first)

#include <cstdint>

namespace tessel {

// Flags of a line header.
enum : uint16_t {
    LINE_IN_USE = 0x0001,
    LINE_NEEDS_PARSING = 0x0002,
    // The only bits that survive when a header is reset for reuse.
    LINE_KEPT_ON_RESET = 0xC000,
};

// A scope index that is never stored as a run: indexes are 16-bit.
constexpr uint32_t NO_SCOPE_INDEX = 0xFFFF;

struct LineRecordHeader {
    uint32_t size;
    uint32_t runsOffset;
    uint32_t endStateOffset;
    uint32_t endStateSize;
};

struct ScopeRun {
    uint16_t column;
    uint16_t scope;
};

// A view of the runs of one record; valid while the record lives (until the line is parsed
// again or edited).
struct LineRuns {
    const ScopeRun* runs = nullptr;
    uint32_t count = 0;
};

// A view of a state stored in a record.
struct LineState {
    const uint16_t* values = nullptr;
    uint32_t byteSize = 0;
};

// Whether the header's offsets describe a record that lies inside its own size; a record that
// does not is read as empty.
inline bool isLineRecordSound(const void* record) {
    const auto* header = static_cast<const LineRecordHeader*>(record);
    return record && header->runsOffset >= sizeof(LineRecordHeader) && header->endStateOffset >= header->runsOffset &&
           header->endStateOffset <= header->size && header->endStateSize <= header->size - header->endStateOffset;
}

inline LineRuns lineRecordRuns(const void* record) {
    if (!isLineRecordSound(record))
        return LineRuns();
    const auto* header = static_cast<const LineRecordHeader*>(record);
    const auto* bytes = static_cast<const unsigned char*>(record);
    return {reinterpret_cast<const ScopeRun*>(bytes + header->runsOffset),
            (header->endStateOffset - header->runsOffset) / sizeof(ScopeRun)};
}

inline LineState lineRecordStartState(const void* record) {
    if (!isLineRecordSound(record))
        return LineState();
    const auto* header = static_cast<const LineRecordHeader*>(record);
    const auto* bytes = static_cast<const unsigned char*>(record);
    return {reinterpret_cast<const uint16_t*>(bytes + sizeof(LineRecordHeader)),
            header->runsOffset - static_cast<uint32_t>(sizeof(LineRecordHeader))};
}

inline LineState lineRecordEndState(const void* record) {
    if (!isLineRecordSound(record))
        return LineState();
    const auto* header = static_cast<const LineRecordHeader*>(record);
    const auto* bytes = static_cast<const unsigned char*>(record);
    return {reinterpret_cast<const uint16_t*>(bytes + header->endStateOffset), header->endStateSize};
}

} // namespace tessel
