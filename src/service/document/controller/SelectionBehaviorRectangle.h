#pragma once
// A column block: its left and right edges are the horizontal positions of its two corners in
// the attached view, so that tabs and glyphs of different widths keep it straight and virtual
// space past line ends can belong to it. Each line of the block is a row whose edges (line
// offsets) are computed lazily and kept: in fill mode as drawn, virtual columns included; in
// clamped mode cut to the line's text, where a row with no text under the block has no entry.
// An edge that falls inside a character stands at the character's start, on every line alike,
// so that a column of carets (CARET_COLUMN: both edges at the anchor's column) stays carets.
// With no view attached the block goes by the text's columns (a tab to the next tab stop, one
// column per unit past a line's end).

#include "service/document/controller/SelectionBehavior.h"

#include <utility>
#include <vector>

namespace tessel {

class SelectionBehaviorRectangle : public SelectionBehaviorNormal {
public:
    SelectionBehaviorRectangle(DocumentController& controller, uint32_t id);
    ~SelectionBehaviorRectangle() override;

    // Sets the caret's virtual bit, forgets every row and turns the range into the block's
    // corners: the earlier is the top left, the later the bottom right. With CARET_COLUMN in the
    // flags both edges stand at the anchor's column.
    void setRange(const TextPosition& anchor, const TextPosition& caret, uint8_t& io_flags) override;
    // Rows are recomputed when a view comes or goes, and forgotten when the face preset changes.
    void attach(SelectionBehavior* previous) override;
    void detach(SelectionBehavior* next) override;
    // The row computations that found text under the block (all rows are looked at once when
    // none did yet).
    int32_t hasExtent() override;
    void collapse() override;
    void highlight(int32_t line, int32_t lineStart, int32_t lineEnd, LineAttributes& marks, uint32_t bit) override;
    // One range per row with text, top to bottom; the id grows for every row.
    int32_t commit(SelectionRangeMap& ranges, int32_t id) override;
    bool contains(const TextPosition& position, int32_t offset, bool includeEmpty) override;

    void recomputeAll();
    void forgetRows();
    int32_t getRowCount() const { return m_rowCount; }
    size_t getCapacity() const { return m_rows.size(); }

private:
    // Line offsets of the block's edges on one line; -1 in both: not computed.
    struct Row {
        int32_t left = -1;
        int32_t right = -1;
        bool computed() const { return left >= 0 || right >= 0; }
    };

    // The entry of a line of the block, or null outside it.
    Row* rowOf(int32_t line);
    // Computes the rows of lines first..last; returns the last one's entry, or null when it has
    // none.
    const Row* computeRows(int32_t first, int32_t last, bool fill);
    int32_t xOf(const TextPosition& position);
    TextPosition positionAt(int32_t x, int32_t line);
    // The block's left and right edges, measured from the positions given to setRange when not
    // known (a view that came or went, or a face preset that changed, measures otherwise).
    std::pair<int32_t, int32_t> edges();
    void unsubscribe();

    std::vector<Row> m_rows; // its size is the capacity
    int32_t m_rowCount = 0;
    int32_t m_textRows = 0;
    bool m_scanned = false; // every row computed since the rows were last forgotten
    Range m_given;          // the anchor and caret as given, before they became corners
    bool m_column = false;  // both edges at the anchor's column
    bool m_measured = false;
    std::pair<int32_t, int32_t> m_edges;
};

} // namespace tessel
