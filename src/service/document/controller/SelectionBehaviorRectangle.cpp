#include "service/document/controller/SelectionBehaviorRectangle.h"

#include "service/document/Document.h"
#include "service/document/TextHighlighter.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/IEditor.h"

#include <algorithm>

namespace tessel {

namespace {

// Rows allocated beyond the need when the table grows.
constexpr int32_t ROW_SPARE = 10;

} // namespace

SelectionBehaviorRectangle::SelectionBehaviorRectangle(DocumentController& controller, uint32_t id)
    : SelectionBehaviorNormal(controller, id) {}

SelectionBehaviorRectangle::~SelectionBehaviorRectangle() { unsubscribe(); }

void SelectionBehaviorRectangle::unsubscribe() {
    m_controller.viewAttached().remove(this);
    m_controller.viewDetached().remove(this);
    m_controller.facePresetChanged().remove(this);
}

void SelectionBehaviorRectangle::attach(SelectionBehavior*) {
    unsubscribe(); // each handler once
    // Another view measures the edges otherwise.
    m_controller.viewAttached().add(this, [this](DocumentController&, IEditor*) {
        m_measured = false;
        recomputeAll();
    });
    m_controller.viewDetached().add(this, [this](DocumentController&, IEditor*) {
        m_measured = false;
        recomputeAll();
    });
    m_controller.facePresetChanged().add(this, [this](DocumentController&, const FacePreset&) { forgetRows(); });
}

void SelectionBehaviorRectangle::detach(SelectionBehavior*) { unsubscribe(); }

SelectionBehaviorRectangle::Row* SelectionBehaviorRectangle::rowOf(int32_t line) {
    const int32_t index = line - lowest().line;
    return index >= 0 && index < m_rowCount ? &m_rows[static_cast<size_t>(index)] : nullptr;
}

int32_t SelectionBehaviorRectangle::xOf(const TextPosition& position) {
    if (IEditor* view = m_controller.getEditor())
        return view->positionToPoint(position, true, nullptr);
    return m_controller.getVisualColumn(position);
}

TextPosition SelectionBehaviorRectangle::positionAt(int32_t x, int32_t line) {
    IEditor* view = m_controller.getEditor();
    if (!view)
        return m_controller.getColumnPosition(line, x);
    TextPosition position(line, 0);
    if (!view->pointToPosition(x, line, 0, &position, true, true))
        position = TextPosition(line, 0);
    return position;
}

std::pair<int32_t, int32_t> SelectionBehaviorRectangle::edges() {
    if (!m_measured) {
        const int32_t anchor = xOf(m_given.anchor);
        const int32_t caret = m_column ? anchor : xOf(m_given.caret);
        m_edges = {std::min(anchor, caret), std::max(anchor, caret)};
        m_measured = true;
    }
    return m_edges;
}

const SelectionBehaviorRectangle::Row* SelectionBehaviorRectangle::computeRows(int32_t first, int32_t last, bool fill) {
    if (first == last) {
        const Row* row = rowOf(first);
        if (row && row->computed())
            return row;
    }
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    const Document& document = m_controller.getDocument();
    const int32_t x1 = edges().first;
    const int32_t x2 = edges().second;
    const auto onText = [&document](const TextPosition& p) {
        return p.line >= 0 && p.line < document.getLineCount() && p.lineOffset <= document.getLineLength(p.line);
    };
    const Row* result = nullptr;
    for (int32_t line = first; line <= last; ++line) {
        Row* row = rowOf(line);
        if (!row)
            continue;
        const TextPosition p1 = positionAt(x1, line);
        const TextPosition p2 = positionAt(x2, line);
        const bool touchesText = onText(p1) || onText(p2);
        if (!fill && !touchesText) {
            *row = Row();
            result = nullptr;
            continue;
        }
        row->left = std::max(0, std::min(p1.lineOffset, p2.lineOffset));
        row->right = std::max(0, std::max(p1.lineOffset, p2.lineOffset));
        if (!fill) {
            const int32_t length = line >= 0 && line < document.getLineCount() ? document.getLineLength(line) : 0;
            row->left = std::min(row->left, length);
            row->right = std::min(row->right, length);
        }
        if (touchesText)
            ++m_textRows;
        result = row;
    }
    return result;
}

void SelectionBehaviorRectangle::setRange(const TextPosition& anchor, const TextPosition& caret, uint8_t& io_flags) {
    io_flags |= CARET_VIRTUAL;
    m_range.anchor = m_given.anchor = anchor;
    m_range.caret = m_given.caret = caret;
    m_column = (io_flags & CARET_COLUMN) != 0;
    m_measured = false;
    const int32_t top = lowest().line;
    const int32_t bottom = highest().line;
    m_rowCount = bottom - top + 1;
    if (static_cast<size_t>(m_rowCount) >= m_rows.size())
        m_rows.resize(static_cast<size_t>(m_rowCount) + ROW_SPARE);
    std::fill(m_rows.begin(), m_rows.begin() + m_rowCount, Row());
    m_textRows = 0;
    m_scanned = false;
    // The corners as drawn, virtual columns included.
    const int32_t left = computeRows(top, top, true)->left;
    const int32_t right = computeRows(bottom, bottom, true)->right;
    const TextPosition earlier(top, left);
    const TextPosition later(bottom, right);
    const bool anchorFirst = anchor < caret;
    m_range.anchor = anchorFirst ? earlier : later;
    m_range.caret = anchorFirst ? later : earlier;
    // Later computations cut them to the text.
    *rowOf(top) = Row();
    *rowOf(bottom) = Row();
}

void SelectionBehaviorRectangle::recomputeAll() {
    computeRows(lowest().line, highest().line, false);
    m_scanned = true;
}

void SelectionBehaviorRectangle::forgetRows() {
    std::fill(m_rows.begin(), m_rows.begin() + std::min<size_t>(m_rows.size(), static_cast<size_t>(m_rowCount)), Row());
    m_textRows = 0;
    m_scanned = false;
    m_measured = false;
}

int32_t SelectionBehaviorRectangle::hasExtent() {
    // Corners in virtual space may still have text between them.
    if (m_textRows == 0 && !m_scanned && !isEmptyRange())
        recomputeAll();
    return m_textRows;
}

void SelectionBehaviorRectangle::collapse() {
    SelectionBehaviorNormal::collapse();
    forgetRows();
}

void SelectionBehaviorRectangle::highlight(int32_t line, int32_t lineStart, int32_t lineEnd, LineAttributes& marks,
                                           uint32_t bit) {
    if (isEmptyRange() || line < lowest().line || line > highest().line)
        return;
    // An empty row still shows where the block runs: a zero-width mark.
    const Row* row = computeRows(line, line, false);
    if (!row)
        return;
    const int32_t length = lineEnd - lineStart;
    const int32_t before = columnsBefore(line, lineStart);
    int32_t left = row->left - before;
    int32_t right = row->right - before;
    // A piece that another follows marks its own columns only; the last takes virtual ones too.
    if (!endsLine(m_controller.getDocument(), line, lineEnd)) {
        if (left >= length)
            return;
        right = std::min(right, length);
    }
    // A block that ends where this piece starts lies wholly in the piece before: only an empty
    // one, at the seam, marks its position here.
    if (right < 0 || (right == 0 && left < 0))
        return;
    TextHighlighter::markAttributeRange(marks, std::max(left, 0), right, bit);
}

int32_t SelectionBehaviorRectangle::commit(SelectionRangeMap& ranges, int32_t id) {
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    recomputeAll();
    if (m_textRows < 1)
        return id;
    const Document& document = m_controller.getDocument();
    for (int32_t line = lowest().line; line <= highest().line; ++line, ++id) {
        const Row* row = rowOf(line);
        if (!row || !row->computed())
            continue;
        const int32_t start = document.getLineStart(line);
        addSelectionRange(ranges, start + row->left, start + std::min(document.getLineLength(line), row->right), id,
                          true);
    }
    return id;
}

bool SelectionBehaviorRectangle::contains(const TextPosition& position, int32_t, bool) {
    if (isEmptyRange() || position.line < lowest().line || position.line > highest().line)
        return false;
    const Row* row = computeRows(position.line, position.line, false);
    return row && row->left <= position.lineOffset && position.lineOffset <= row->right;
}

} // namespace tessel
