// Selection operations built on set: collapsing, placing the caret, extending, and selecting
// several ranges, lines or blocks of lines in turn.

#include "service/document/controller/Selection.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/ISpanManager.h"

namespace tessel {

void Selection::collapse() { set(m_displayCaret, m_displayCaret, m_caretFlags, selection_ids::CARET); }

void Selection::setCaretPosition(const TextPosition& position, uint8_t flags) {
    DocumentController::SelectionChange bracket(m_controller);
    collapse();
    set(position, position, flags, selection_ids::CURRENT);
}

void Selection::setCaretOffset(int32_t offset) {
    DocumentController::SelectionChange bracket(m_controller);
    collapse();
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    const TextPosition position = m_controller.offsetToPosition(offset);
    set(position, position, CARET_ANCHOR, selection_ids::CURRENT);
}

void Selection::setOffsets(int32_t anchorOffset, int32_t caretOffset, uint32_t behaviorId) {
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    set(m_controller.offsetToPosition(caretOffset), m_controller.offsetToPosition(anchorOffset), CARET_ANCHOR,
        behaviorId);
}

void Selection::extendTo(const TextPosition& caret, uint8_t flags, uint32_t behaviorId) {
    set(caret, m_anchor, flags, behaviorId);
}

void Selection::setWithBehavior(const TextPosition& anchor, const TextPosition& caret, uint32_t behaviorId) {
    DocumentController::SelectionChange bracket(m_controller);
    commitCurrent();
    set(caret, anchor, CARET_ANCHOR, behaviorId);
}

void Selection::orderEnds(int toEnd) {
    const bool anchorFirst = m_anchor <= m_caret;
    const TextPosition earlier = anchorFirst ? m_anchor : m_caret;
    const TextPosition later = anchorFirst ? m_caret : m_anchor;
    if (toEnd == 1)
        set(later, earlier, CARET_ANCHOR, selection_ids::CURRENT);
    else
        set(earlier, later, CARET_ANCHOR, selection_ids::CURRENT);
}

void Selection::applyRanges(const std::vector<SelectionRange>& ranges, uint8_t flags) {
    DocumentController::SelectionChange bracket(m_controller);
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    collapse();
    for (size_t i = 0; i < ranges.size(); ++i) {
        if (i > 0)
            commitCurrent();
        set(m_controller.offsetToPosition(ranges[i].end), m_controller.offsetToPosition(ranges[i].start), flags,
            selection_ids::NORMAL);
    }
}

Span* Selection::createSpanContext(ISpanManager& spans, const std::wstring& name) {
    const std::vector<SelectionRange> ranges = getRanges();
    return spans.createSpanContext(ranges, name, ISpanManager::CONTEXT_CAN_BE_ACTIVE);
}

void Selection::applySpanContext(Span* context) {
    ISpanManager& spans = m_controller.getSpanManager();
    std::vector<Span*> children;
    spans.getChildren(context, children);
    std::vector<SelectionRange> ranges;
    for (const Span* child : children) {
        const SpanExtent extent = spans.getExtent(child);
        if (extent.rangeId < 0)
            continue;
        if (extent.direction == 1)
            ranges.emplace_back(extent.start, extent.end(), extent.rangeId);
        else
            ranges.emplace_back(extent.end(), extent.start, extent.rangeId);
    }
    applyRanges(ranges);
}

void Selection::selectOffsetList(const std::vector<int32_t>& lines) {
    DocumentController::SelectionChange bracket(m_controller);
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    collapse();
    const Document& document = m_controller.getDocument();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            commitCurrent();
        const int32_t line = lines[i];
        const bool exists = line >= 0 && line < document.getLineCount();
        const TextPosition end =
            exists ? TextPosition(line, document.getLineLength(line), true) : TextPosition(line, 0);
        set(end, TextPosition(line, 0), CARET_ANCHOR, selection_ids::NORMAL);
    }
}

void Selection::selectWholeLines(const std::vector<LineRange>& ranges, bool backwards) {
    DocumentController::SelectionChange bracket(m_controller);
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    collapse();
    const int32_t lastLine = m_controller.getLineCount() - 1;
    for (size_t i = 0; i < ranges.size(); ++i) {
        if (i > 0)
            commitCurrent();
        const LineRange& block = ranges[backwards ? ranges.size() - 1 - i : i];
        const TextPosition start(block.first, 0);
        const TextPosition end = block.last >= lastLine
                                     ? TextPosition(lastLine, m_controller.getDocument().getLineLength(lastLine))
                                     : TextPosition(block.last + 1, 0);
        if (backwards)
            set(start, end, CARET_ANCHOR, selection_ids::NORMAL);
        else
            set(end, start, CARET_ANCHOR, selection_ids::NORMAL);
    }
}

} // namespace tessel
