#pragma once
// The undo log's file format and a cursor over it. A log is a chain of records, each starting
// on a multiple of 4 bytes: a header of 3, 5 or 9 bytes (the form, the kind id, the distance
// back to the previous record and the record's total size), the payload, and zero padding.
//   short   byte 0 = 00kkkkkk, then back / 4 and total / 4 as bytes
//   medium  byte 0 = 01kkkkkk, then back / 4 and total / 4 as 16-bit values
//   long    byte 0 = 10kkkkkk, then back and total as 32-bit values
// All integers are little-endian; positions are relative to the cursor's base. Records before
// `pos` are done; those from `pos` to `end` are undone and can be redone.

#include <cstdint>
#include <memory>
#include <vector>

namespace pel {
class File;
}

namespace tessel {

// Little-endian integers of the log's records.
inline void putUndo16(unsigned char* at, uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}
inline void putUndo32(unsigned char* at, uint32_t value) {
    putUndo16(at, value);
    putUndo16(at + 2, value >> 16);
}
inline uint32_t getUndo16(const unsigned char* at) { return at[0] | uint32_t(at[1]) << 8; }
inline uint32_t getUndo32(const unsigned char* at) { return getUndo16(at) | getUndo16(at + 2) << 16; }

// The bytes of one log file, read through a small cache: walks read records a few bytes at a
// time, often backwards.
class UndoLogFile {
public:
    static constexpr uint32_t COPY_CHUNK = 8192;

    explicit UndoLogFile(pel::File* file) : m_file(file) {}
    pel::File* file() const { return m_file; }

    // Each is false when the file did not take or give every byte.
    bool read(uint64_t at, void* data, uint32_t size);
    bool write(uint64_t at, const void* data, uint32_t size);
    bool truncate(uint64_t size);
    // Moves size bytes from `from` down to `to` (to < from), in chunks.
    bool moveDown(uint64_t from, uint64_t to, uint64_t size);
    // The whole file, for tests and dumps; false when it cannot be read.
    bool readAll(std::vector<unsigned char>* o_bytes);

private:
    bool seek(uint64_t at);
    bool readFile(uint64_t at, void* data, uint32_t size);

    pel::File* m_file;
    int64_t m_position = -1; // of the file, -1 when unknown
    std::vector<unsigned char> m_cache;
    uint64_t m_cacheStart = 0;
};

// The position fields of a cursor, saved and restored as one.
struct UndoPosition {
    uint32_t pos = 0;
    uint32_t prev = 0;
    uint32_t next = 0;
    uint32_t end = 0;
};

class UndoJournal {
public:
    enum State { IDLE = 0, READING = 1, WRITING = 2 };
    // Kind ids fit six bits; 64 means none.
    static constexpr uint32_t NO_KIND = 64;

    UndoJournal(UndoLogFile& log, uint32_t base) : m_log(log), m_base(base) {}

    uint32_t kind() const { return m_kind; }
    uint32_t base() const { return m_base; }
    uint32_t pos() const { return m_at.pos; }
    uint32_t prev() const { return m_at.prev; }
    uint32_t next() const { return m_at.next; }
    uint32_t end() const { return m_at.end; }
    uint32_t headerSize() const { return m_headerSize; }
    uint32_t capacity() const { return m_capacity; }
    uint32_t remaining() const { return m_remaining; }
    State state() const { return m_state; }
    const UndoPosition& position() const { return m_at; }
    void setPosition(const UndoPosition& at);

    // Writes a record of kind with size payload bytes at pos: the header now, the payload with
    // writePayload, then endWrite pads it and makes it the last record (redo history behind it
    // is gone). Each is false on a failed write.
    bool beginWrite(uint32_t kind, uint32_t size);
    bool writePayload(const void* data, uint32_t size);
    bool endWrite();
    // The three at once, for a payload in hand.
    bool writeRecord(uint32_t kind, const void* payload, uint32_t size);
    // Overwrites bytes of a written record (at is relative to the base).
    bool rewrite(uint32_t at, const void* data, uint32_t size);

    // Starts reading the record at position; false when its header cannot be read or does not
    // fit the log.
    bool readAt(uint32_t position);
    // Starts reading the record before pos (which must not be 0).
    bool stepBack() { return readAt(m_at.prev); }
    // Moves behind the record being read.
    void stepForward();
    // Payload bytes of the record being read, at most `remaining`; returns the count.
    uint32_t read(void* data, uint32_t size);
    bool rewindPayload();

private:
    UndoLogFile& m_log;
    uint32_t m_base;
    UndoPosition m_at;
    uint32_t m_kind = NO_KIND;
    uint32_t m_headerSize = 0;
    uint32_t m_capacity = 0;
    uint32_t m_remaining = 0;
    State m_state = IDLE;
};

} // namespace tessel
