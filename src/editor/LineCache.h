#pragma once
// The editor's store of laid-out lines: for every document line how many display lines it
// wraps into and how wide it is (8 bytes a line, taking memory only once measured), and for the
// 200 lines (or pieces of lines) looked at last their layout records, so painting, hit-testing
// and caret movement lay a line out once. It also measures the display-line iterators the
// editor walks with. UI thread only.
//
// A line longer than a piece is laid out piece by piece, only the pieces asked for: a minified
// file's line of megabytes costs the memory of the few pieces on screen. Its pieces lie side by
// side on its row (unwrapped) or one under the other (wrapped); where a piece has never been
// laid out, its width and rows are estimated from its length. An edit in a line lays out again
// only the piece it changed: the seams after it move with the text. The records stay within a
// byte budget as well: past it the least recently used give their memory back, never those of
// the pieces on screen (a long line's pieces beside the screen count as any others).

#include "afw/unicode/afUnicodeData.h"
#include "editor/SubLineIterator.h"
#include "editor/ZeroedArray.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class afUnicode;

namespace tessel {

class DocumentController;

class LineCache : public SubLineIteratorBuilderInterface {
public:
    static constexpr int SLOTS = 200;
    static constexpr size_t BYTE_BUDGET = size_t(256) << 20;
    // Characters of a piece of a long line, about: its layout takes a megabyte at most. A
    // character longer than that is a piece of its own, as long as it is.
    static constexpr int32_t PIECE_LENGTH = 16384;

    struct Entry {
        int32_t sublines = 0; // 0: not measured yet
        int32_t width = 0;    // pixels of the widest subline
    };
    // Lays a filled record out; false (or a throw) when it could not.
    using LayoutStep = std::function<bool(afUnicodeData&)>;
    using WidthListener = std::function<void(int32_t columns)>;
    // What the screen shows, told without measuring anything: the rows from the subline `top` of
    // the line `first` to the subline `bottom` of the line `last` and the row after them
    // (wrapped), or the pixels `left` to `right` of the rows of the lines first..last+1 in a
    // line's own x (unwrapped). last < first: nothing.
    struct Screen {
        int32_t first = 0;
        int32_t top = 0;
        int32_t last = -1;
        int32_t bottom = 0;
        int32_t left = 0;
        int32_t right = 0;
    };
    using ScreenShown = std::function<Screen()>;

    explicit LineCache(afUnicode& layout);
    ~LineCache();
    LineCache(const LineCache&) = delete;
    LineCache& operator=(const LineCache&) = delete;

    // Stores the controller and, with one, resets to its line count under a read transaction.
    void attachController(DocumentController* controller);
    DocumentController* getController() const { return m_controller; }
    void setWidthListener(WidthListener listener) { m_widthListener = std::move(listener); }
    // The step that lays filled records out: afUnicode::process unless one is given.
    void setLayoutStep(LayoutStep step) { m_layoutStep = std::move(step); }
    // Where what the screen shows is asked for; without it nothing is on screen.
    void setScreen(ScreenShown shown) { m_screen = std::move(shown); }
    // Lines longer than this many characters are laid out in pieces of about as many (at
    // least 16); drops every layout. Tests make pieces small.
    void setPieceLength(int32_t characters);
    // The bytes the records may hold; tests make it small.
    void setByteBudget(size_t bytes) { m_byteBudget = bytes; }

    // One piece of a line's layout: the record holds the characters [start, end) of the line,
    // at offsets counted from start. A line no longer than a piece is its own single piece.
    struct Piece {
        afUnicodeData* data = nullptr;
        int32_t index = 0;
        int32_t start = 0;
        int32_t end = 0;
        int32_t x = 0;            // where it starts on its line's row, unwrapped
        int32_t firstSubline = 0; // the line's subline its first one is, wrapped
        bool last = true;
    };
    // Each lays the piece out when it is not cached (and throws as getLayout does); data is null
    // for no controller or a line outside the document.
    int32_t pieceCount(int32_t line);
    Piece piece(int32_t line, int32_t index);
    // The piece holding the offset; at a seam between two, the one it starts, or with
    // endOfPrevious the one it ends.
    Piece pieceAt(int32_t line, int32_t offset, bool endOfPrevious);
    // The piece a subline of the line (wrapped) or an x on its row (unwrapped) falls in.
    Piece pieceOnRow(int32_t line, int32_t subline);
    Piece pieceAtX(int32_t line, int32_t x);
    // Lays out the pieces beside the index until those laid out reach `reach` pixels (unwrapped)
    // or rows (wrapped) on either side: a view placed around that piece then shows only
    // measured pieces, and nothing on it moves when it is painted.
    void settleAround(int32_t line, int32_t index, int32_t reach);
    // The units from the last tab before the offset on the line (from the line's start when it
    // holds none) to the offset: where the offset's visual column lies within its tab stop. A long
    // line reads the piece holding the offset and, going back, only the first piece that holds a
    // tab; -1 for a line laid out whole (short enough to walk), no controller or a line outside
    // the document.
    int32_t unitsAfterTab(int32_t line, int32_t offset);

    void reset(int32_t lineCount);
    // The record of the line's first piece (the whole line unless it is long), built when it is
    // not cached; null for no controller or a line outside the document. Throws pel::IllegalStateException "Unicode processing failed." when the
    // layout fails (the slot is freed first, so the next call builds again).
    afUnicodeData* getLayout(int32_t line);
    // The entry, measured on demand; line must lie in the document.
    const Entry& getLineEntry(int32_t line);

    // Tells that the line's text changed from the offset on (an edit that adds or removes lines):
    // a long line keeps what its pieces before it measured (so the view does not move under the
    // caret as it types).
    void noteEdit(int32_t line, int32_t offset);
    // Tells that `removed` units at the offset of the line gave way to `inserted` ones, within the
    // line (`text`: the units removed or inserted, or null), and drops what that made stale: the
    // line's layout and measure, or of a long line those of the pieces the edit reached. The
    // others keep theirs; the seams after the edit move with the text.
    void noteLineEdit(int32_t line, int32_t offset, int32_t removed, int32_t inserted, const wchar_t* text);
    void dropAll();
    void dropLines(int32_t first, int32_t last);
    // Frees the layouts of lines 0..last, keeping the entry of last.
    void dropLinesUpTo(int32_t last);
    void dropLinesFrom(int32_t first);
    // Asks the highlighters to mark the cached lines a..b again, keeping their layouts.
    void markRedraw(int32_t a, int32_t b);
    // Whether every line first..last holds a layout made from the text and styles the line has
    // now (so neither a new layout nor a repaint would change it).
    bool holdsCurrentLayouts(int32_t first, int32_t last);
    void insertLines(int32_t index, int32_t count);
    void removeLines(int32_t index, int32_t count);
    // The widest laid-out line seen, in average character widths; it never shrinks.
    int32_t getWidestColumns() const { return m_widestColumns; }

    // SubLineIteratorBuilderInterface
    SubLineIterator makeIterator(int32_t line, int32_t subline) override { return {this, line, subline}; }
    SubLineIterator begin() override { return {this, 0, 0}; }
    SubLineIterator end() override;
    int32_t getLineCount() const override { return static_cast<int32_t>(m_entries.size()); }
    int32_t getSubLineCount(int32_t line, bool defaultValue) override;
    bool isUnwrapped() const override;
    int32_t getDistance(const SubLineIterator& a, const SubLineIterator& b) override;

    // For tests and benchmarks: layouts built, seams of long lines looked for, the line a slot
    // holds (-1 when free), and the bytes the store and the entries hold.
    uint64_t getBuildCount() const { return m_builds; }
    uint64_t getSeamCount() const { return m_seams; }
    int32_t slotLine(int slot) const { return m_index[slot].stamp ? m_index[slot].line : -1; }
    size_t heldBytes() const;
    size_t entryBytes() const { return m_entries.capacity() * sizeof(Entry); }

private:
    struct IndexEntry {
        uint32_t stamp = 0; // 0: free
        int32_t line = -1;
        int32_t piece = 0;
        uint32_t styles = 0; // the styler's generation the layout was made under
    };
    // What a line longer than a piece knows of its pieces: where each starts, and the width and
    // rows of those laid out (0: estimated from the length and the tabs it holds), for the
    // length it had then.
    struct LongLine {
        int32_t length = 0;
        std::vector<int32_t> starts;
        std::vector<int32_t> widths;
        std::vector<int32_t> rows;
        std::vector<int32_t> tabs;
        int32_t indentation = 0;
        int32_t firstNonBlank = 0;
        int32_t lastNonBlankEnd = 0;
        int32_t wrapWidth = 0;                 // the layout's wrap width the rows are for
        int32_t unchangedBefore = INT32_MAX;   // no edit since it was made reached this offset
        int32_t end(size_t index) const { return index + 1 < starts.size() ? starts[index + 1] : length; }
        // The piece the offset lies in (the last for the line's end; the first for an offset
        // before 0).
        size_t holding(int32_t offset) const {
            const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
            return after == starts.begin() ? 0 : static_cast<size_t>(after - starts.begin()) - 1;
        }
    };

    // The slot of the piece; o_valid tells whether it already holds the piece's layout.
    int acquireSlot(int32_t line, int32_t piece, bool& o_valid);
    // The piece's record, laid out when not cached or when its tabs would stand elsewhere at
    // rowX, where it is drawn on its row.
    afUnicodeData* build(int32_t line, int32_t index, LongLine* info, int32_t rowX);
    Piece makePiece(int32_t line, int32_t index, LongLine* info);
    // The piece a subline (byRows) or an x falls in.
    Piece pieceAlong(int32_t line, int32_t at, bool byRows);
    // The line's pieces when it is longer than one, made anew when its length changed; null
    // for a line no longer than a piece.
    LongLine* longLine(int32_t line);
    // Finds the pieces of the line's text anew from the first edit told by noteEdit on, keeping
    // the seams before it and what was measured of the pieces that are still the same: the
    // first that many (none when the line's indentation changed).
    size_t makeLongLine(LongLine& info, int32_t line, int32_t length, const LongLine& before);
    // The pieces an edit within a long line lays out again: first..last of those before it, and
    // where they start after it, up to `end`.
    struct EditedPieces {
        int32_t first = 0;
        int32_t last = 0;
        std::vector<int32_t> seams;
        int32_t end = 0;
    };
    // Moves the pieces of the line past an edit within it (noteLineEdit) whose text holds
    // `textTabs` tabs (-1: not known); false when what is known of them is not of the text
    // before the edit.
    bool editLongLine(int32_t line, LongLine& info, int32_t length, int32_t offset, int32_t removed, int32_t inserted,
                      int32_t textTabs);
    // Puts the edited pieces in place of those they were, the line now `length` long, with the
    // tabs they hold (-1: counted from the text); the pieces after them keep their layouts under
    // their new indexes, and a measured line takes the difference.
    void replacePieces(int32_t line, LongLine& info, const EditedPieces& edited, int32_t length, int32_t tabs);
    // Puts the edited pieces' seams right: none where a character joins the one before it (only
    // the new text and the text after it, from `changedFrom` to `changedTo`, can), a piece that
    // edits left nearly empty merged with a neighbour, one they made too long cut in two.
    void settleSeams(int32_t lineStart, const LongLine& info, int32_t delta, int32_t changedFrom, int32_t changedTo,
                     EditedPieces& io_edited);
    // Forgets the layouts and measures of the pieces first..last of the line.
    void forgetPieces(int32_t line, LongLine& info, size_t first, size_t last);
    // Reads the line's indentation and first blank at its start (head) or its last non-blank at
    // its end (tail) for its length; true when they changed.
    bool readHead(LongLine& info, int32_t lineStart);
    bool readTail(LongLine& info, int32_t lineStart);
    // Where a piece starts near `nominal`: after a blank when one is near, always where a
    // character starts (DocumentController::isCharacterStart), so that no piece cuts one.
    int32_t seamNear(int32_t lineStart, int32_t nominal, int32_t low);
    // How far before that place a blank is looked for.
    int32_t seamReach() const { return std::min(std::max(m_pieceLength / 8, 1), 512); }
    // Characters read at each end of a long line for its indentation and blanks.
    static constexpr int32_t EDGE = 4096;
    // Counts the tabs of the pieces whose count is not known.
    void countTabs(LongLine& info, int32_t lineStart);
    int32_t widthOf(const LongLine& info, size_t index) const;
    int32_t rowsOf(const LongLine& info, size_t index) const;
    void measureLongLine(int32_t line, const LongLine& info);
    // Whether the slot's record is what the line's text and styles would lay out now.
    bool slotIsCurrent(int slot);
    void eraseLongLines(int32_t first, int32_t last);
    // Moves what is known of the long lines from `from` on by `by` lines.
    void shiftLongLines(int32_t from, int32_t by);
    // Tells the width listener of a line this wide when it is the widest seen.
    void noteWidth(int32_t width);
    void touch(int slot);
    void freeSlot(int slot);
    // Frees the slots holding lines in [first, last].
    void freeSlots(int32_t first, int32_t last);
    void resetEntries(int32_t first, int32_t last);
    // Both into the document's lines and ordered; false for an empty cache.
    bool clampLines(int32_t& a, int32_t& b) const;
    // Fills the record with the line's characters [start, end) (all of a short line: info null).
    void fill(afUnicodeData& data, int32_t line, int32_t piece, const LongLine* info);
    // Frees the least recently used records until the store is within its budget, keeping the
    // record in `keep` (just built), the one used before it and those of the pieces on screen.
    void keepWithinBudget(int keep);
    // The pieces of the line on screen, first and last (last < first: none), by what is known of
    // them now.
    std::pair<int32_t, int32_t> piecesOnScreen(int32_t line, const Screen& screen) const;
    void fillStyles(afUnicodeData& data, int32_t line, int32_t start);
    // The document's styler's generation: a layout made under another one shows styles its
    // style indexes no longer stand for.
    uint32_t stylesNow() const;

    WidthListener m_widthListener;
    DocumentController* m_controller = nullptr;
    afUnicode& m_layout;
    LayoutStep m_layoutStep;
    ScreenShown m_screen;
    uint32_t m_counter = 1;
    std::array<IndexEntry, SLOTS> m_index;
    std::vector<afUnicodeData> m_records;
    afUnicodeData m_scratch; // a line filled again, to compare with its cached record
    int32_t m_widestColumns = 0;
    ZeroedArray<Entry> m_entries; // an entry of zeros: not measured yet
    std::map<int32_t, LongLine> m_long;
    EditedPieces m_edited; // what editLongLine works out, kept for its room
    int32_t m_pieceLength = PIECE_LENGTH;
    size_t m_byteBudget = BYTE_BUDGET;
    uint64_t m_builds = 0;
    uint64_t m_seams = 0;
};

} // namespace tessel
