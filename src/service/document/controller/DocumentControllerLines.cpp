// The DocumentController's positions, column geometry and indentation.

#include "service/document/controller/DocumentController.h"

#include "pel/text/CharacterBoundaries.h"
#include "pel/text/WideString.h"
#include "service/document/Document.h"
#include "service/document/Finder.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/Selection.h"

#include <algorithm>
#include <limits>

namespace tessel {

namespace {

bool isBlank(wchar_t unit) { return unit <= L' ' && unit != L'\r' && unit != L'\n'; }

} // namespace

int32_t DocumentController::getLineCount() const { return m_document.getLineCount(); }

int32_t DocumentController::positionToOffset(const TextPosition& position) const {
    if (position.line >= m_document.getLineCount())
        return m_document.getLength();
    const int32_t line = std::max(0, position.line);
    const int32_t offset = std::max(0, std::min(position.lineOffset, m_document.getLineLength(line)));
    return m_document.getLineStart(line) + offset;
}

TextPosition DocumentController::offsetToPosition(int32_t offset) const {
    offset = std::max(0, std::min(offset, m_document.getLength()));
    const int32_t line = m_document.findLine(offset);
    return TextPosition(line, offset - m_document.getLineStart(line));
}

TextPosition DocumentController::clampPosition(const TextPosition& position) const {
    const int32_t lastLine = m_document.getLineCount() - 1;
    if (position.line > lastLine)
        return TextPosition(lastLine, m_document.getLineLength(lastLine), position.isVirtual);
    const int32_t line = std::max(0, position.line);
    const int32_t length = m_document.getLineLength(line);
    if (position.lineOffset > length)
        return TextPosition(line, length, true);
    return TextPosition(line, std::max(0, position.lineOffset), position.isVirtual);
}

bool DocumentController::isBeyondLineEnd(const TextPosition& position) const {
    return position.line >= m_document.getLineCount() || position.lineOffset > m_document.getLineLength(position.line);
}

TextPosition DocumentController::getLineContentStart(int32_t line, bool skipBlanks) const {
    if (!skipBlanks || line < 0 || line >= m_document.getLineCount())
        return TextPosition(line, 0);
    const int32_t start = m_document.getLineStart(line);
    const int32_t length = m_document.getLineLength(line);
    int32_t offset = 0;
    while (offset < length && isBlank(m_document.charAt(start + offset)))
        ++offset;
    return TextPosition(line, offset);
}

TextPosition DocumentController::getLineBoundary(int32_t line, bool trim, bool next) const {
    const int32_t count = m_document.getLineCount();
    if (line < 0 || line >= count)
        return TextPosition(line, 0);
    if (next && line < count - 1)
        return TextPosition(line + 1, 0);
    const int32_t start = m_document.getLineStart(line);
    int32_t end = m_document.getLineLength(line);
    if (trim)
        while (end > 0 && m_document.charAt(start + end - 1) <= L' ')
            --end;
    return TextPosition(line, end, true);
}

TextPosition DocumentController::getEndPosition() const {
    const int32_t last = m_document.getLineCount() - 1;
    return TextPosition(last, m_document.getLineLength(last), true);
}

LineRange DocumentController::getLineSpan(int32_t start, int32_t end) const {
    LineRange lines;
    lines.first = m_document.findLine(std::max(0, std::min(start, m_document.getLength())));
    const int32_t clampedEnd = std::max(0, std::min(end, m_document.getLength()));
    lines.last = m_document.findLine(clampedEnd);
    if (lines.last > lines.first && clampedEnd == m_document.getLineStart(lines.last))
        --lines.last;
    return lines;
}

int32_t DocumentController::getVisualColumn(const TextPosition& position) const {
    return m_document.getVisualColumn(position.line, position.lineOffset);
}

TextPosition DocumentController::getColumnPosition(int32_t line, int32_t column) const {
    if (column < 0)
        return TextPosition(line, 0);
    const bool exists = line >= 0 && line < m_document.getLineCount();
    const int32_t length = exists ? m_document.getLineLength(line) : 0;
    const int32_t start = exists ? m_document.getLineStart(line) : 0;
    const int32_t tabWidth = std::max(1, getTabWidth());
    int32_t at = 0;
    for (int32_t i = 0; i < length; ++i) {
        const int32_t next = m_document.charAt(start + i) == L'\t' ? (at / tabWidth + 1) * tabWidth : at + 1;
        if (column < next)
            return TextPosition(line, characterStart(start + i) - start);
        at = next;
    }
    return TextPosition(line, length + (column - at), column > at);
}

bool DocumentController::getRunAround(const TextPosition& position, bool (*takes)(uint32_t), int32_t* o_start,
                                      int32_t* o_end) const {
    PEL_CHECK_PTR(o_start);
    PEL_CHECK_PTR(o_end);
    if (position.line < 0 || position.line >= m_document.getLineCount() || position.lineOffset < 0 ||
        position.lineOffset > m_document.getLineLength(position.line))
        return false;
    const int32_t lineStart = m_document.getLineStart(position.line);
    const int32_t lineEnd = lineStart + m_document.getLineLength(position.line);
    // Character by character, each judged by its first code point: a letter's marks go with it.
    pel::CharacterBoundaries& boundaries = characters();
    const int32_t at = lineStart + position.lineOffset;
    int32_t start = boundaries.isBoundary(at) ? at : boundaries.preceding(at), end = start;
    for (int32_t before; start > lineStart && takes(codePointAt(before = boundaries.preceding(start)));)
        start = before;
    while (end < lineEnd && takes(codePointAt(end)))
        end = boundaries.following(end);
    *o_start = start - lineStart;
    *o_end = end - lineStart;
    return true;
}

int32_t DocumentController::getLineIndentation(int32_t line, bool force) const {
    return getIndentationBefore(TextPosition(line, std::numeric_limits<int32_t>::max()), force);
}

LineRange DocumentController::getIndentLevel(int32_t line) const {
    const int32_t count = m_document.getLineCount();
    line = std::max(0, std::min(line, count - 1));
    // The depth of the nearest line that is not blank from `from` on by `step`; -1 when none.
    const auto nearest = [&](int32_t from, int32_t step) {
        int32_t depth = -1;
        for (int32_t other = from; other >= 0 && other < count && depth < 0; other += step)
            depth = getLineIndentation(other, false);
        return depth;
    };
    // A blank line belongs to the deeper of the blocks around it.
    int32_t level = getLineIndentation(line, false);
    if (level < 0)
        level = std::max(nearest(line - 1, -1), nearest(line + 1, 1));
    LineRange lines{line, line};
    if (level < 0)
        return lines;
    // Outwards up to a shallower line: blank lines on the way are taken only with a line beyond
    // them that is deep enough.
    const auto reach = [&](int32_t step, int32_t& io_end) {
        for (int32_t other = line + step; other >= 0 && other < count; other += step) {
            const int32_t depth = getLineIndentation(other, false);
            if (depth >= 0 && depth < level)
                return;
            if (depth >= 0)
                io_end = other;
        }
    };
    reach(-1, lines.first);
    reach(1, lines.last);
    return lines;
}

int32_t DocumentController::getIndentationBefore(const TextPosition& position, bool force) const {
    const bool exists = position.line >= 0 && position.line < m_document.getLineCount();
    const int32_t before =
        exists ? std::min(m_document.getLineLength(position.line), std::max(position.lineOffset, 0)) : 0;
    // Read in place, and only as far as the first unit that is not a blank: a line may be many
    // megabytes long.
    const DocumentIterator line(&m_document, exists ? m_document.getLineStart(position.line) : 0);
    return pel::indentationWidthIn(line, before, std::max(1, getTabWidth()), force);
}

int32_t DocumentController::getIndentationAt(int32_t offset) const {
    const int32_t line = m_document.findLine(std::max(0, std::min(offset, m_document.getLength())));
    return std::max(0, getLineIndentation(line, false));
}

void DocumentController::getIndentTextAt(int32_t offset, std::wstring* o_text, int32_t unitsAfterTab) const {
    PEL_CHECK_PTR(o_text);
    o_text->clear();
    const pel::Indentation& indentation = m_format.indentation;
    if (!indentation.soft) {
        o_text->assign(1, L'\t');
        return;
    }
    const int32_t column = unitsAfterTab >= 0 ? unitsAfterTab : getVisualColumn(offsetToPosition(offset));
    o_text->assign(static_cast<size_t>(indentation.size - column % indentation.size), L' ');
}

void DocumentController::getIndentUnit(std::wstring* o_text) const {
    PEL_CHECK_PTR(o_text);
    const pel::Indentation& indentation = m_format.indentation;
    o_text->assign(indentation.soft ? static_cast<size_t>(indentation.size) : 1, indentation.soft ? L' ' : L'\t');
}

void DocumentController::makeIndent(int32_t columns, std::wstring* o_text) const {
    PEL_CHECK_PTR(o_text);
    o_text->clear();
    pel::Indentation::append(std::max(0, columns), o_text, m_format.indentation);
}

void DocumentController::setLineIndentation(int32_t columns, int32_t line) {
    if (!canEdit(L"setLineIndentation") || line < 0 || line >= m_document.getLineCount())
        return;
    std::wstring text;
    getLine(line, &text);
    if (text.empty())
        return;
    size_t blanks = 0;
    pel::Indentation::measure(text.c_str(), text.size(), m_format.indentation, &blanks);
    std::wstring indent;
    makeIndent(columns, &indent);
    if (text.compare(0, blanks, indent) == 0)
        return;
    SelectionChange bracket(*this);
    const int32_t start = m_document.getLineStart(line);
    if (blanks > 0)
        m_spanManager->onRemove(start, static_cast<int32_t>(blanks));
    if (!indent.empty())
        m_spanManager->onInsert(start, static_cast<int32_t>(indent.size()), indent.c_str());
}

void DocumentController::indentSelectedLines(int delta, const std::vector<LineRange>& ranges) {
    if (!canEdit(L"indentSelectedLines"))
        return;
    SelectionChange bracket(*this);
    for (const LineRange& range : ranges)
        for (int32_t line = range.first; line <= range.last; ++line)
            setLineIndentation(std::max(0, getLineIndentation(line, true) + getTabWidth() * delta), line);
}

const std::vector<LineMarker>* DocumentController::getLineMarkers(int32_t line) const {
    const std::vector<LineMarker>* markers = m_document.getLineMarkers(line);
    return markers && !markers->empty() ? markers : nullptr;
}

} // namespace tessel
