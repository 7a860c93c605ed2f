#pragma once
// The lines of a Document: the offset behind each line's line feed (the last entry is the text
// length) and one header per line for the parser's record and the line's markers. Headers live
// in one array and are reached through a line-to-header map; freed headers wait on a stack for
// reuse, so inserting lines moves 4-byte indexes, not headers.
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
    LineHeader& header(int32_t line) { return m_headers[m_map[line]]; }
    const LineHeader& header(int32_t line) const { return m_headers[m_map[line]]; }

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

    // Back to one empty line.
    void reset();
    // The lines of a loaded text of length units: lineFeeds are the absolute offsets behind its
    // line feeds, ascending. Nothing is marked as needing parsing. Throws
    // pel::OutOfMemoryException with the table unchanged when it cannot be had.
    void rebuild(const int32_t* lineFeeds, int32_t count, int32_t length);

    // Bytes held by the ends, the map, the headers and the free stack.
    size_t memoryHeld() const;
    int32_t endsCapacity() const { return m_endsCapacity; }
    int32_t mapCapacity() const { return m_mapCapacity; }
    int32_t headerCapacity() const { return m_headerCapacity; }
    int32_t freeCount() const { return m_freeCount; }

private:
    struct Arrays;

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
    int32_t* m_map = nullptr; // line -> header index
    int32_t m_mapCapacity = 0;
    int32_t* m_free = nullptr; // stack of free header indexes
    int32_t m_freeCount = 0;
    int32_t m_freeCapacity = 0;
};

// The line holding offset (see LineTable::findLine).
inline int32_t line_table_find_line(const LineTable& table, int32_t offset) { return table.findLine(offset); }

} // namespace tessel
