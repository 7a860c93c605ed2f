#pragma once
// What the loader makes of decoded text: every line break of the file (CR LF, LF or CR) becomes
// one line feed in a text that grows in one malloc block, sized once from the file size, and the
// offsets behind those line feeds are collected in another, which the line table takes over. The kinds of break are
// counted, so that the dominant one can be voted the document's line ending.

#include "service/document/GapBuffer.h"
#include "service/document/LineTable.h"

#include <cstddef>
#include <cstdint>

namespace tessel {

// A text being loaded: a block of units that becomes a document's gap buffer.
class LoadedText {
public:
    // The most units a loaded text may hold, so that its bytes still fit a signed 32-bit size.
    static constexpr int64_t MAX_UNITS = 0x3FFFFFFF;

    // Room for capacity units (cut to 1..MAX_UNITS); throws pel::OutOfMemoryException.
    explicit LoadedText(int64_t capacity);
    ~LoadedText();
    LoadedText(const LoadedText&) = delete;
    LoadedText& operator=(const LoadedText&) = delete;

    // Room for count units behind the text, where a decoder may write them to be scanned in
    // place; grows the block as append does.
    wchar_t* room(size_t count);
    // Grows the block when the estimate fell short; throws pel::OutOfMemoryException when it
    // cannot, the text as it was. The units may lie in the block behind the text.
    void append(const wchar_t* units, size_t count);
    void appendLineFeed() {
        if (m_length == m_capacity)
            grow(1);
        m_data[m_length++] = L'\n';
    }
    int32_t length() const { return m_length; }
    // The text as a gap buffer; this object is left empty.
    GapBuffer release();

private:
    void grow(size_t count);

    wchar_t* m_data = nullptr;
    int32_t m_length = 0;
    int32_t m_capacity = 0;
};

// Kinds of line break, as a format record's line ending codes them.
enum LineBreakKind : uint32_t { BREAK_WINDOWS = 0, BREAK_UNIX = 1, BREAK_MAC = 2 };

class LineBreakScanner {
public:
    // `expectedBreaks`: room for that many offsets is made at once, when it can be had (a
    // guess: the offsets grow as they come anyway).
    explicit LineBreakScanner(LoadedText& text, int64_t expectedBreaks = 0);

    // Stores one decoded block. A CR or LF at its end stays pending, so that a CR LF split
    // between two blocks is one break. The block may lie in the text's own room (see
    // LoadedText::room), one unit behind the text's end while a break is pending (the line feed
    // that break becomes goes there): the text never overtakes the units still to be read, so
    // nothing is copied until a dropped CR makes it shorter.
    void scan(const wchar_t* units, size_t count);
    // Whether the last block ended in a break not stored yet.
    bool pending() const { return m_pendingCR || m_pendingLF; }
    // Stores the break still pending after the last block.
    void finish();

    uint32_t count(LineBreakKind kind) const { return m_counts[kind]; }
    // The offsets behind every line feed stored, in order: the line table takes them over.
    LineEnds& positions() { return m_positions; }

private:
    void record(LineBreakKind kind);

    LoadedText& m_text;
    bool m_pendingCR = false;
    bool m_pendingLF = false;
    uint32_t m_counts[3] = {};
    LineEnds m_positions;
};

struct LineEndingVote {
    float confidence; // the winner's share of all breaks; 0 without breaks
    uint32_t lineEnding;
};

// The kind with the largest share, ties going to CR, then CR LF, then LF; without any break
// confidence 0 and CR.
LineEndingVote vote_line_ending(uint32_t crlf, uint32_t lf, uint32_t cr);

} // namespace tessel
