#pragma once
// What the anchor and caret of a Selection select. SelectionBehaviorNormal takes the stream of
// text between them: the rest of the first line, whole lines between, the start of the last.
// The behaviour says which characters of a line to mark, whether a position lies inside, and
// commits its range into the Selection's committed ranges. The Selection owns one behaviour of
// each kind and switches between them.

#include "service/document/controller/SelectionRange.h"
#include "service/document/controller/TextPosition.h"

#include <cstdint>

namespace tessel {

class Document;
class DocumentController;
struct LineAttributes;

class SelectionBehavior {
public:
    // The anchor and the caret of the behaviour.
    struct Range {
        TextPosition anchor;
        TextPosition caret;
    };

    SelectionBehavior(DocumentController& controller, uint32_t id) : m_controller(controller), m_id(id) {}
    virtual ~SelectionBehavior() = default;
    SelectionBehavior(const SelectionBehavior&) = delete;
    SelectionBehavior& operator=(const SelectionBehavior&) = delete;

    // Takes the two positions; a behaviour may add to the caret's flags.
    virtual void setRange(const TextPosition& anchor, const TextPosition& caret, uint8_t& io_flags) = 0;
    // The behaviour comes into force after previous, or leaves it for next.
    virtual void attach(SelectionBehavior* previous) {}
    virtual void detach(SelectionBehavior* next) {}
    // Above 0 when the range selects some text.
    virtual int32_t hasExtent() = 0;
    // The anchor takes the caret's place.
    virtual void collapse() = 0;
    const Range& getRange() const { return m_range; }
    // Marks with bit the cells of line (the document offsets lineStart..lineEnd, the whole line or
    // a piece of a long one) that the range covers; the cell after the last character stands for
    // the line break.
    virtual void highlight(int32_t line, int32_t lineStart, int32_t lineEnd, LineAttributes& marks, uint32_t bit) = 0;
    // Commits the range into ranges under id, merging; returns the next id.
    virtual int32_t commit(SelectionRangeMap& ranges, int32_t id) = 0;
    // Whether position lies in the range; an empty range holds its caret only with includeEmpty.
    virtual bool contains(const TextPosition& position, int32_t offset, bool includeEmpty) = 0;

    uint32_t getId() const { return m_id; }
    // The columns of the line before lineStart: a piece of a long line is marked on its own.
    int32_t columnsBefore(int32_t line, int32_t lineStart) const;
    // Whether lineEnd is the line's end: a piece that another follows has no line-break cell.
    static bool endsLine(const Document& document, int32_t line, int32_t lineEnd);
    bool isEmptyRange() const { return m_range.anchor == m_range.caret; }
    // The smaller and the larger of the two positions.
    const TextPosition& lowest() const { return m_range.caret < m_range.anchor ? m_range.caret : m_range.anchor; }
    const TextPosition& highest() const { return m_range.caret < m_range.anchor ? m_range.anchor : m_range.caret; }

protected:
    DocumentController& m_controller;
    const uint32_t m_id;
    Range m_range;
};

class SelectionBehaviorNormal : public SelectionBehavior {
public:
    SelectionBehaviorNormal(DocumentController& controller, uint32_t id) : SelectionBehavior(controller, id) {}

    void setRange(const TextPosition& anchor, const TextPosition& caret, uint8_t& io_flags) override;
    int32_t hasExtent() override { return 1; }
    void collapse() override { m_range.anchor = m_range.caret; }
    void highlight(int32_t line, int32_t lineStart, int32_t lineEnd, LineAttributes& marks, uint32_t bit) override;
    int32_t commit(SelectionRangeMap& ranges, int32_t id) override;
    bool contains(const TextPosition& position, int32_t offset, bool includeEmpty) override;
};

} // namespace tessel
