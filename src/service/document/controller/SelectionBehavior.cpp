#include "service/document/controller/SelectionBehavior.h"

#include "service/document/Document.h"
#include "service/document/TextHighlighter.h"
#include "service/document/controller/DocumentController.h"

#include <algorithm>

namespace tessel {

void SelectionBehaviorNormal::setRange(const TextPosition& anchor, const TextPosition& caret, uint8_t&) {
    m_range.anchor = anchor;
    m_range.caret = caret;
}

int32_t SelectionBehavior::columnsBefore(int32_t line, int32_t lineStart) const {
    return std::max(lineStart - m_controller.getDocument().getLineStart(line), 0);
}

bool SelectionBehavior::endsLine(const Document& document, int32_t line, int32_t lineEnd) {
    return lineEnd >= document.getLineStart(line) + document.getLineLength(line);
}

void SelectionBehaviorNormal::highlight(int32_t line, int32_t lineStart, int32_t lineEnd, LineAttributes& marks,
                                        uint32_t bit) {
    if (isEmptyRange())
        return;
    const TextPosition& low = lowest();
    const TextPosition& high = highest();
    if (line < low.line || line > high.line)
        return;
    const int32_t length = lineEnd - lineStart;
    const int32_t before = columnsBefore(line, lineStart);
    // The cell after the last character stands for the line break of a line selected to its end.
    const int32_t first = line == low.line ? std::max(std::min(low.lineOffset - before, length), 0) : 0;
    const int32_t end = line == high.line ? std::max(std::min(high.lineOffset - before, length), 0)
                                          : length + (endsLine(m_controller.getDocument(), line, lineEnd) ? 1 : 0);
    if (first != end)
        TextHighlighter::markAttributeRange(marks, first, end, bit);
}

int32_t SelectionBehaviorNormal::commit(SelectionRangeMap& ranges, int32_t id) {
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    addSelectionRange(ranges, m_controller.positionToOffset(m_range.anchor),
                      m_controller.positionToOffset(m_range.caret), id, true);
    return id + 1;
}

bool SelectionBehaviorNormal::contains(const TextPosition& position, int32_t, bool includeEmpty) {
    if (isEmptyRange() && !includeEmpty)
        return false;
    return lowest() <= position && position <= highest();
}

} // namespace tessel
