#pragma once
// What the user has selected in the document of one DocumentController: an anchor and a caret
// as line positions, the behaviour that interprets them (a stream of text, or a column block),
// further committed ranges in text offsets (multiple selection), and the place where the caret
// is drawn. Every change goes through set, inside the controller's selection-change bracket, so
// that listeners hear of one change once and the view repaints only the lines it touched.
// While an edit transaction is open, the caret is only noted and drawn when the transaction
// closes. Text changes do not move a selection: every edit sets it again, and undo restores it
// from its records ("Selection", 36 bytes and 12 per committed range).
//
// It is also the highlighter that marks the selected characters of a line for the view.
// Main thread only, like its controller.

#include "service/base/Notice.h"
#include "service/document/TextHighlighter.h"
#include "service/document/controller/SelectionBehavior.h"
#include "service/document/controller/SelectionRange.h"
#include "service/document/controller/TextPosition.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class DocumentController;
class ISpanManager;
class Span;
class Stream;

class Selection : public TextHighlighter {
public:
    // Bytes of an undo record's header, and of each committed range after it.
    static constexpr uint32_t STATE_HEADER = 36;
    static constexpr uint32_t STATE_RANGE = 12;

    // Anchor and caret at the start; no behaviour in force until the first set.
    explicit Selection(DocumentController& controller);
    ~Selection() override;
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    // Marks the selected cells of a line with this highlighter's bit.
    void update(int line, LineAttributes& attributes, int first, int last) override;

    // The central operation (caret first): takes the positions and the behaviour; "caret"
    // drops every committed range and selects normally from the caret, "current" keeps the
    // behaviour in force, an unknown id leaves none.
    void set(const TextPosition& caret, const TextPosition& anchor, uint8_t flags, uint32_t behaviorId);
    // Draws the caret at position (clamped into the text unless virtual space is allowed) and
    // tells caretMoved; without force, while an edit transaction is open, only notes it.
    void applyCaret(const TextPosition& position, uint8_t flags, bool force);

    // Built on set.
    // Onto the drawn caret, dropping every committed range.
    void collapse();
    void setCaretPosition(const TextPosition& position, uint8_t flags);
    void setCaretOffset(int32_t offset);
    void setOffsets(int32_t anchorOffset, int32_t caretOffset, uint32_t behaviorId);
    // Keeps the anchor.
    void extendTo(const TextPosition& caret, uint8_t flags, uint32_t behaviorId);
    // Commits the current range first: a further range of a multiple selection.
    void setWithBehavior(const TextPosition& anchor, const TextPosition& caret, uint32_t behaviorId);
    // toEnd 1: the caret to the later end; any other value: to the earlier.
    void orderEnds(int toEnd);
    // Selects each range in turn, committing all but the last, each with the caret's flags.
    void applyRanges(const std::vector<SelectionRange>& ranges, uint8_t flags = CARET_ANCHOR);
    // Selects the text of each line (without its break), committing all but the last.
    void selectOffsetList(const std::vector<int32_t>& lines);
    // Selects each block of whole lines, breaks included, committing all but the last; walked
    // from the back, with the caret at each block's start, when backwards.
    void selectWholeLines(const std::vector<LineRange>& ranges, bool backwards);
    // Hands the ranges to spans as one span context named name, a span per range (its extent,
    // id and direction); returns the span of the newest range, or null.
    Span* createSpanContext(ISpanManager& spans, const std::wstring& name);
    // The reverse: every span of the context that carries a range id becomes a range again
    // (backwards unless its direction is forwards), selected as applyRanges selects.
    void applySpanContext(Span* context);
    // Commits a range directly (addSelectionRange).
    void addRange(int32_t start, int32_t end, int32_t id, bool merge);

    // Undo records.
    void writeState(Stream& stream) const;
    // Restores a record: unknown ids leave no behaviour, a range repeating a lower end is
    // dropped, a short record leaves the selection collapsed.
    void readState(Stream& stream);
    // The text of a record, one line each, every line begun with indent.
    static void dumpState(Stream& stream, std::wstring& out, const wchar_t* indent);

    // Queries.
    // The committed ranges and the current one, in offset order (kept until the next set).
    const std::vector<SelectionRange>& getRanges();
    bool isEmpty();
    // The selection's kind: the behaviour's id, "normal", "mixed" or "none".
    uint32_t getBehaviorId();
    // Whether its carets are a column's: set with CARET_COLUMN, or a rectangle of rows without
    // text between their edges. An edit at such carets never joins lines.
    bool isColumn();
    bool contains(const TextPosition& position);
    int32_t getCaretOffset();
    // Every line a range touches, each once: ranges in the order they were made, lines
    // ascending within a range. A range that ends at the start of a line does not touch it.
    void setRanges(std::vector<int32_t>& o_lines);
    // One pair of lines per range (in the order made, or in offset order); pairs sharing a line
    // are joined, neighbouring ones stay apart.
    void getLineRanges(std::vector<LineRange>& o_ranges, bool positionOrder);

    // The controller's edit transaction: from its start the caret is noted; endPendingCaret
    // draws the last one noted.
    void beginPendingCaret();
    void endPendingCaret();

    const TextPosition& getAnchor() const { return m_anchor; }
    const TextPosition& getCaret() const { return m_caret; }
    const TextPosition& getDisplayCaret() const { return m_displayCaret; }
    uint8_t getCaretFlags() const { return m_caretFlags; }
    bool getCaretVirtualMode() const { return m_caretVirtualMode; }
    SelectionBehavior* getBehavior() const { return m_behavior; }
    uint32_t getBehaviorSetting() const { return m_behaviorId; }
    const SelectionRangeMap& getCommittedRanges() const { return m_ranges; }
    int32_t getNextRangeId() const { return m_nextRangeId; }
    DocumentController& getController() const { return m_controller; }

    // Told after every set with the behaviour's range.
    Notice<Selection&, const SelectionBehavior::Range&>& rangeChanged() { return m_rangeChanged; }
    // Told with the drawn caret and its flags when it moved.
    Notice<Selection&, const TextPosition&, uint8_t>& caretMoved() { return m_caretMoved; }

private:
    struct PendingCaret {
        TextPosition position;
        uint8_t flags = 0;
    };

    // Commits the behaviour's current range into m_ranges.
    void commitCurrent();
    void addRangeChanged(int32_t lowOffset, int32_t highOffset);

    Notice<Selection&, const SelectionBehavior::Range&> m_rangeChanged;
    Notice<Selection&, const TextPosition&, uint8_t> m_caretMoved;
    DocumentController& m_controller;
    SelectionBehavior* m_behavior = nullptr;
    uint32_t m_behaviorId;
    std::map<uint32_t, std::unique_ptr<SelectionBehavior>> m_behaviors;
    TextPosition m_anchor;
    TextPosition m_caret;
    TextPosition m_displayCaret;
    uint8_t m_caretFlags = 0;
    bool m_column = false; // the last set had CARET_COLUMN
    PendingCaret m_pendingCaret;
    bool m_hasPendingCaret = false; // an edit transaction is open
    uint8_t m_virtualFlag = 0;
    bool m_caretVirtualMode = false;
    SelectionRangeMap m_ranges;
    std::vector<SelectionRange> m_rangeCache;
    int32_t m_nextRangeId = 1;
};

} // namespace tessel
