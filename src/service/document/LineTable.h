#pragma once
// The lines of a Document: the offset behind each line's line feed (the last entry is the text
// length) and one header per line for the parser's record and the line's markers. Headers live
// in one array and are reached through a line-to-header map; freed headers wait on a stack for
// reuse, so inserting lines moves 4-byte indexes, not headers. A loaded text's lines get no
// headers and no map until they are needed: a large file's table is its line ends alone.
//
// The ends are kept with one pending shift, as partitioned tables do: ends from stepLine on are
// stored without the last `stepDelta`. An edit moves the step point to its own line, so typing
// at one place never touches the lines behind it, and moving between places costs the lines in
// between only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

struct LineMarker {
    uint32_t kind;  // such as the editor's bookmark kind
    uint32_t value;
    std::wstring text;
};

struct LineHeader {
    uint16_t flags; // LINE_IN_USE, LINE_NEEDS_PARSING (service/parser/base/LineRecord.h)
    uint16_t word;  // cleared on reset
    void* parsedLine; // the parser's record of the line (malloc), or null
    std::vector<LineMarker>* markers; // made on the first marker
};

// The offsets behind a text's line feeds, collected in one malloc block that a line table takes
// over as its own, so that a loaded text's lines are never copied.
class LineEnds {
public:
    LineEnds() = default;
    ~LineEnds();
    LineEnds(LineEnds&& other) noexcept;
    LineEnds& operator=(LineEnds&& other) noexcept;
    LineEnds(const LineEnds&) = delete;
    LineEnds& operator=(const LineEnds&) = delete;

    // Room for that many without growing; throws pel::OutOfMemoryException.
    void reserve(int64_t count);
    // Throws pel::OutOfMemoryException, the ends as they were, when the block cannot grow.
    void push_back(int32_t end) {
        if (m_size == m_capacity)
            reserve(int64_t(m_capacity) + m_capacity / 2 + 1024);
        m_data[m_size++] = end;
    }
    int32_t size() const { return m_size; }
    int32_t capacity() const { return m_capacity; }
    const int32_t* data() const { return m_data; }
    int32_t operator[](int32_t index) const { return m_data[index]; }

private:
    friend class LineTable;
    int32_t* m_data = nullptr;
    int32_t m_size = 0;
    int32_t m_capacity = 0;
};

class LineTable {
public:
    static constexpr int32_t STEP = 256;

    // One empty line.
    LineTable();
    ~LineTable();
    LineTable(const LineTable&) = delete;
    LineTable& operator=(const LineTable&) = delete;

    int32_t count() const { return m_count; }
    // The offset just behind line's line feed (the length for the last line); 0 <= line < count.
    int32_t end(int32_t line) const { return m_ends[line] + (line >= m_stepLine ? m_stepDelta : 0); }
    // 0 for line <= 0, the text length for line >= count.
    int32_t start(int32_t line) const;
    // The line holding offset: 0 below the text, the last line from the length on; an end equal
    // to the offset belongs to the next line.
    int32_t findLine(int32_t offset) const;
    // A line that has had nothing stored reads as a header in use without record or markers;
    // asking for one to change makes it (and throws pel::OutOfMemoryException when it cannot).
    LineHeader& header(int32_t line) { return m_map ? m_headers[m_map[line]] : ownHeader(line); }
    const LineHeader& header(int32_t line) const {
        return m_map ? m_headers[m_map[line]] : line < m_owned ? m_headers[line] : NO_HEADER;
    }
    // Whether the line has a header of its own (one that something was stored in).
    bool hasHeader(int32_t line) const { return m_map || line < m_owned; }

    // Grow the arrays so that an insert, or a removal, of lineBreaks line feeds cannot fail;
    // they throw pel::OutOfMemoryException with the lines unchanged otherwise.
    void reserveInsert(int32_t lineBreaks);
    void reserveRemove(int32_t lineBreaks);
    // Text of length units inserted at offset, in line firstLine; lineFeeds: the positions behind
    // each of its line feeds relative to its start. New headers go in at firstLine when the
    // offset was the line's start (the old header follows its text), else behind it.
    void insert(int32_t offset, int32_t length, int32_t firstLine, const int32_t* lineFeeds, int32_t lineBreaks,
                bool atLineStart);
    // length units removed from line firstLine on, lineBreaks line feeds among them. The headers
    // of the joined lines go (at firstLine when the offset was a line start, else behind it),
    // with their parse records and markers.
    void remove(int32_t length, int32_t firstLine, int32_t lineBreaks, bool atLineStart);
    // Sets in use and needs parsing on count lines from first on (cut at the line count).
    void markNeedsParsing(int32_t first, int32_t count);
    // Frees the parse record of every line.
    void clearParsedLines();
    // Frees the parse records of the lines from first to last (cut at the line count) and marks
    // the lines that had a header as needing parsing; a line without one has nothing parsed.
    void clearParsedLines(int32_t first, int32_t last);

    // Back to one empty line.
    void reset();
    // The lines of a loaded text of length units: lineFeeds are the absolute offsets behind its
    // line feeds, ascending. Nothing is marked as needing parsing. Throws
    // pel::OutOfMemoryException with the table unchanged when it cannot be had.
    void rebuild(const int32_t* lineFeeds, int32_t count, int32_t length);
    // As rebuild, taking the block of the ends over (it is left empty) instead of copying it.
    void rebuild(LineEnds&& lineFeeds, int32_t length);
    // Trades every line, header and record with the other table.
    void swap(LineTable& other) noexcept;

    // Bytes held by the ends, the map, the headers and the free stack.
    size_t memoryHeld() const;
    int32_t endsCapacity() const { return m_endsCapacity; }
    int32_t mapCapacity() const { return m_mapCapacity; }
    int32_t headerCapacity() const { return m_headerCapacity; }
    int32_t freeCount() const { return m_freeCount; }

private:
    static const LineHeader NO_HEADER;

    // Headers are made as lines first need one. While no line was inserted or removed since the
    // table was built, line i's header is headers[i] and only the first m_owned lines have one;
    // the first edit of the lines builds the map (every line with a header), as it was before.
    LineHeader& ownHeader(int32_t line);
    // Builds the map; throws pel::OutOfMemoryException with the table unchanged.
    void buildMap();
    // The lines that have headers of their own.
    int32_t ownedCount() const { return m_map ? m_count : m_owned; }

    // Carries the pending shift so that it applies from line on.
    void moveStep(int32_t line);
    int32_t takeHeader();
    void freeHeader(int32_t index);
    void shrinkAfterRemoval(int32_t removed);
    void release();

    int32_t m_count = 0;
    int32_t* m_ends = nullptr;
    int32_t m_endsCapacity = 0;
    int32_t m_stepLine = 0;
    int32_t m_stepDelta = 0;
    LineHeader* m_headers = nullptr;
    int32_t m_headerCapacity = 0;
    int32_t* m_map = nullptr; // line -> header index; null until the lines are first edited
    int32_t m_owned = 0;      // without a map: lines 0 .. m_owned - 1 have headers
    int32_t m_mapCapacity = 0;
    int32_t* m_free = nullptr; // stack of free header indexes
    int32_t m_freeCount = 0;
    int32_t m_freeCapacity = 0;
};

// The line holding offset (see LineTable::findLine).
inline int32_t line_table_find_line(const LineTable& table, int32_t offset) { return table.findLine(offset); }

} // namespace tessel
