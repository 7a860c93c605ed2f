// The DocumentController's text operations: typing and deleting at the caret and over the ranges
// of a selection (through span contexts), transforming selections, typing copied blocks,
// inserting and removing through the span manager, whole texts, moved and duplicated lines, and
// reading.

#include "service/document/controller/DocumentController.h"

#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "pel/text/TextFormatConvertor.h"
#include "service/document/Document.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/Selection.h"

#include <algorithm>

namespace tessel {

const wchar_t* const DocumentController::REFLECT_CONTEXT = L"app.document.context.reflect";

int32_t DocumentController::typeText(const wchar_t* text, int32_t length) {
    return typeText(text, length, selection_ids::NORMAL);
}

int32_t DocumentController::typeText(const wchar_t* text, int32_t length, uint32_t behaviorId) {
    if (!canEdit(L"typeText"))
        return getCaretOffset();
    SelectionChange bracket(*this);
    if (length <= 0 || !text)
        return getCaretOffset();
    if (behaviorId == selection_ids::RECTANGLE)
        return typeBlock(text, length);
    removeSelectedText();
    return insertAt(length, getCaretOffset(), text);
}

int32_t DocumentController::typeOutsideText(const std::wstring& text, uint32_t behaviorId) {
    std::wstring prepared;
    prepareText(static_cast<int32_t>(text.size()), text.c_str(), &prepared);
    return typeText(prepared.c_str(), static_cast<int32_t>(prepared.size()), behaviorId);
}

int32_t DocumentController::insertOutsideText(const std::wstring& text, const TextPosition& at) {
    std::wstring prepared;
    prepareText(static_cast<int32_t>(text.size()), text.c_str(), &prepared);
    return insertAt(static_cast<int32_t>(prepared.size()), positionToOffset(at), prepared.c_str());
}

int32_t DocumentController::typeBlock(const wchar_t* text, int32_t length) {
    // The block's lines, without their breaks.
    std::vector<std::wstring> lines;
    const wchar_t* const stop = text + length;
    for (const wchar_t* piece = text;;) {
        const wchar_t* pieceEnd = std::find_if(piece, stop, [](wchar_t unit) { return unit == L'\r' || unit == L'\n'; });
        lines.emplace_back(piece, pieceEnd);
        if (pieceEnd == stop)
            break;
        piece = pieceEnd + (pieceEnd[0] == L'\r' && pieceEnd + 1 < stop && pieceEnd[1] == L'\n' ? 2 : 1);
    }
    // Copied: the selection goes before the text changes under it. The ranges are edited
    // directly, not made mirrors of one another as typing makes them: each takes text of its own.
    std::vector<SelectionRange> ranges = m_selection->isEmpty() ? leaveMirroredCarets() : m_selection->getRanges();
    m_selection->collapse();
    if (ranges.size() == lines.size())
        return replaceRanges(ranges, lines);
    if (!ranges.empty()) {
        removeRanges(ranges);
        m_selection->setCaretOffset(ranges.front().lower());
    }
    return insertBlockAtCaret(lines);
}

std::vector<SelectionRange> DocumentController::leaveMirroredCarets(bool* o_column) {
    // Typing at several carets left them as the mirrors of the span the caret is in: each holds
    // a caret where the caret stands in that span.
    ISpanManager& spans = *m_spanManager;
    Span* current = spans.getCurrentSpan();
    Span* context = current ? spans.getContextOf(current) : nullptr;
    if (!context || context == current || context != spans.findContext(REFLECT_CONTEXT))
        return {};
    if (o_column)
        *o_column = context == m_columnMirrors;
    const int32_t within = getCaretOffset() - spans.getExtent(current).start;
    std::vector<Span*> mirrors;
    spans.getChildren(context, mirrors);
    std::vector<SelectionRange> carets;
    for (const Span* mirror : mirrors) {
        const SpanExtent extent = spans.getExtent(mirror);
        const int32_t at = extent.start + std::max(0, std::min(within, extent.length));
        carets.emplace_back(at, at, static_cast<int32_t>(carets.size()));
    }
    spans.leaveSpanContext(context);
    return carets;
}

int32_t DocumentController::replaceRanges(const std::vector<SelectionRange>& ranges,
                                          const std::vector<std::wstring>& texts) {
    // In offset order, each range shifted by what the ones before it gained or lost.
    int32_t shift = 0;
    int32_t first = -1;
    int32_t end = 0;
    for (size_t i = 0; i < ranges.size(); ++i) {
        const SelectionRange& range = ranges[i];
        const std::wstring& text = texts[i];
        int32_t at = range.lower() + shift;
        if (!range.isEmpty())
            at = m_spanManager->onRemove(at, range.upper() - range.lower());
        if (!text.empty())
            at = m_spanManager->onInsert(at, static_cast<int32_t>(text.size()), text.c_str());
        shift += static_cast<int32_t>(text.size()) - (range.upper() - range.lower());
        if (first < 0)
            first = at;
        end = at + static_cast<int32_t>(text.size());
    }
    m_selection->setCaretOffset(end);
    return first;
}

int32_t DocumentController::insertBlockAtCaret(const std::vector<std::wstring>& lines) {
    // Line i of the block goes in at the caret's column on the i-th line below it: lines too
    // short are padded with spaces up to the column, and past the last line new lines are added.
    const TextPosition caret = offsetToPosition(getCaretOffset());
    const int32_t column = getVisualColumn(caret);
    int32_t first = -1;
    int32_t end = getCaretOffset();
    int32_t line = caret.line;
    for (const std::wstring& piece : lines) {
        if (line >= m_document.getLineCount())
            m_spanManager->onInsert(m_document.getLength(), 1, L"\n");
        const TextPosition at = getColumnPosition(line, column);
        const int32_t lineLength = m_document.getLineLength(line);
        std::wstring inserted(static_cast<size_t>(std::max(0, at.lineOffset - lineLength)), L' ');
        inserted += piece;
        const int32_t offset = m_document.getLineStart(line) + std::min(at.lineOffset, lineLength);
        const int32_t went = inserted.empty() ? offset
                                              : m_spanManager->onInsert(offset, static_cast<int32_t>(inserted.size()),
                                                                        inserted.c_str());
        if (first < 0)
            first = went;
        end = went + static_cast<int32_t>(inserted.size());
        ++line;
    }
    m_selection->setCaretOffset(end);
    return first;
}

int32_t DocumentController::insertString(const std::wstring& text) {
    return typeText(text.c_str(), static_cast<int32_t>(text.size()));
}

int32_t DocumentController::deleteChars(int32_t count) {
    if (!canEdit(L"deleteChars"))
        return getCaretOffset();
    SelectionChange bracket(*this);
    if (count != 0 && deleteAtCarets([count](int32_t at) { return at + count; }))
        return getCaretOffset();
    if (removeSelectedText() || count == 0)
        return getCaretOffset();
    const int32_t caret = getCaretOffset();
    if (caret + count < 0)
        return caret;
    const std::pair<int32_t, int32_t> whole = wholeCharacters(caret, caret + count);
    if (whole.second > whole.first)
        removeAt(whole.second - whole.first, whole.first);
    return getCaretOffset();
}

bool DocumentController::deleteAtCarets(const std::function<int32_t(int32_t offset)>& target) {
    if (!canEdit(L"deleteAtCarets") || !target)
        return false;
    SelectionChange bracket(*this);
    std::vector<SelectionRange> ranges = m_selection->getRanges();
    bool column = m_selection->isColumn();
    if (ranges.size() == 1 && ranges.front().isEmpty())
        ranges = leaveMirroredCarets(&column);
    if (ranges.size() < 2)
        return false;
    const bool carets = std::any_of(ranges.begin(), ranges.end(), [](const SelectionRange& r) { return r.isEmpty(); });
    const bool block = m_selection->getBehaviorId() == selection_ids::RECTANGLE &&
                       std::any_of(ranges.begin(), ranges.end(), [](const SelectionRange& r) { return !r.isEmpty(); });
    if (!carets || block)
        return false;
    // What goes, measured on the text as it is: a range's text, or from a caret to its target.
    // Pieces that overlap or touch become one, and so do their carets.
    std::vector<std::pair<int32_t, int32_t>> cuts;
    for (const SelectionRange& range : ranges) {
        if (!range.isEmpty()) {
            cuts.emplace_back(range.lower(), range.upper());
            continue;
        }
        std::pair<int32_t, int32_t> cut = wholeCharacters(range.start, target(range.start));
        if (column) {
            // Within the caret's own line: its start and end are where a column's edit stops.
            const int32_t line = m_document.findLine(range.start);
            const int32_t lineStart = m_document.getLineStart(line);
            const int32_t lineEnd = lineStart + m_document.getLineLength(line);
            cut.first = std::max(cut.first, lineStart);
            cut.second = std::max(std::min(cut.second, lineEnd), cut.first);
        }
        cuts.push_back(cut);
    }
    std::sort(cuts.begin(), cuts.end());
    std::vector<std::pair<int32_t, int32_t>> merged;
    for (const auto& cut : cuts) {
        if (!merged.empty() && cut.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, cut.second);
        else
            merged.push_back(cut);
    }
    m_selection->collapse();
    for (auto cut = merged.rbegin(); cut != merged.rend(); ++cut)
        if (cut->second > cut->first)
            m_spanManager->onRemove(cut->first, cut->second - cut->first);
    std::vector<SelectionRange> left;
    int32_t removed = 0;
    for (const auto& cut : merged) {
        const int32_t at = cut.first - removed;
        left.emplace_back(at, at, static_cast<int32_t>(left.size()) + 1);
        removed += cut.second - cut.first;
    }
    m_selection->applyRanges(left, CARET_ANCHOR | (column ? CARET_COLUMN : 0));
    return true;
}

bool DocumentController::removeSelectedText() {
    if (!canEdit(L"removeSelectedText"))
        return false;
    SelectionChange bracket(*this);
    std::vector<Span*> ranges;
    const bool column = !m_selection->isEmpty() && m_selection->isColumn();
    Span* newest = spanSelection(REFLECT_CONTEXT, ranges);
    if (!newest)
        return !m_selection->isEmpty() && removeRangesDirectly();
    // Every range becomes a mirror of the newest one: emptying it empties them all, and what is
    // typed into it next lands in each.
    ISpanManager& spans = *m_spanManager;
    Span* context = spans.getContextOf(newest);
    m_columnMirrors = column ? context : nullptr;
    spans.bindTabStop(newest, 1);
    for (Span* range : ranges)
        if (range != newest)
            spans.bindTabStop(range, 1);
    spans.replaceSpanText(newest, 0, L"");
    m_selection->setCaretOffset(spans.getExtent(newest).start);
    if (ranges.size() == 1)
        spans.leaveSpanContext(context);
    else
        spans.setCurrentSpan(newest);
    return true;
}

Span* DocumentController::spanSelection(const std::wstring& name, std::vector<Span*>& o_spans) {
    o_spans.clear();
    if (m_selection->isEmpty())
        return nullptr;
    Span* newest = m_selection->createSpanContext(*m_spanManager, name);
    if (!newest)
        return nullptr;
    m_spanManager->getChildren(m_spanManager->getContextOf(newest), o_spans);
    m_selection->collapse();
    return newest;
}

bool DocumentController::removeRangesDirectly() {
    // The caret goes to the start of the newest range, less what goes before it.
    const std::vector<SelectionRange> ranges = m_selection->getRanges();
    if (ranges.empty())
        return false;
    const auto newest = std::max_element(ranges.begin(), ranges.end(),
                                         [](const SelectionRange& a, const SelectionRange& b) { return a.id < b.id; });
    int32_t caret = newest->lower();
    for (auto range = ranges.begin(); range != newest; ++range)
        caret -= range->upper() - range->lower();
    removeRanges(ranges);
    m_selection->setCaretOffset(caret);
    return true;
}

void DocumentController::removeRanges(const std::vector<SelectionRange>& ranges) {
    // The last first, so that the offsets of those before stay.
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        if (!range->isEmpty())
            m_spanManager->onRemove(range->lower(), range->upper() - range->lower());
}

bool DocumentController::transformSelection(const TransformDelegate& transform) {
    if (!transform)
        throw pel::InvalidArgumentException(L"Transform delegate is empty.");
    if (!canEdit(L"transformSelection"))
        return false;
    SelectionChange bracket(*this);
    std::vector<Span*> ranges;
    Span* newest = spanSelection(std::wstring(), ranges);
    if (!newest)
        return false;
    ISpanManager& spans = *m_spanManager;
    Span* context = spans.getContextOf(newest);
    bool transformed = false;
    try {
        std::wstring text;
        std::wstring result;
        for (Span* range : ranges) {
            const SpanExtent extent = spans.getExtent(range);
            if (extent.length <= 0)
                continue;
            text = m_document.getText(extent.start, extent.length);
            result.clear();
            if (!transform(text, result))
                continue;
            spans.replaceSpanText(range, static_cast<int32_t>(result.size()), result.c_str());
            transformed = true;
        }
    } catch (...) {
        // What was transformed stays selected with the rest; the context goes either way.
        m_selection->applySpanContext(context);
        spans.leaveSpanContext(context);
        throw;
    }
    m_selection->applySpanContext(context);
    spans.leaveSpanContext(context);
    return transformed;
}

int32_t DocumentController::insertAt(int32_t length, int32_t offset, const wchar_t* text) {
    if (!canEdit(L"insertAt"))
        return offset;
    SelectionChange bracket(*this);
    if (length <= 0 || !text)
        return offset;
    // Made right before the spans and the caret count its length, not under them.
    std::wstring withLineFeeds;
    Document::keepLineFeedsOnly(text, length, withLineFeeds);
    const int32_t at = m_spanManager->onInsert(codePointStart(offset), length, text);
    m_selection->setCaretOffset(at + length);
    return at;
}

int32_t DocumentController::removeAt(int32_t count, int32_t offset) {
    if (!canEdit(L"removeAt"))
        return offset;
    SelectionChange bracket(*this);
    const int32_t start = count < 0 ? offset + count : offset;
    if (start < 0 || count == 0)
        return offset;
    const int32_t length = count < 0 ? std::min(-count, m_document.getLength() - start) : count;
    // Never half of a surrogate pair: the other half goes too.
    const int32_t from = codePointStart(start);
    const int32_t end = start + length;
    const int32_t to = end < m_document.getLength() && codePointStart(end) != end ? end + 1 : end;
    const int32_t at = m_spanManager->onRemove(from, to - from);
    m_selection->setCaretOffset(at);
    return at;
}

void DocumentController::setText(const std::wstring& text) {
    Lock lock(*this, LOCK_EDIT);
    if (!canEdit(L"setText"))
        return;
    SelectionChange bracket(*this);
    m_selection->collapse();
    m_document.remove(0, m_document.getLength());
    m_spanManager->reset(m_document.getLength());
    insertString(text);
    m_selection->setCaretOffset(0);
}

void DocumentController::prepareText(int32_t length, const wchar_t* text, std::wstring* o_text) {
    PEL_CHECK_PTR(o_text);
    o_text->clear();
    if (!text || length <= 0)
        return;
    const wchar_t* end = text + length;
    const wchar_t* lineEnd = std::find_if(text, end, [](wchar_t unit) { return unit == L'\r' || unit == L'\n'; });
    o_text->assign(text, lineEnd);
    if (lineEnd != end)
        pel::TextFormatConvertor::convert(lineEnd, static_cast<size_t>(end - lineEnd), o_text, m_format.indentation);
}

void DocumentController::getSelectedText(const std::vector<SelectionRange>& ranges, std::wstring* o_text) {
    PEL_CHECK_PTR(o_text);
    o_text->clear();
    Lock lock(*this, LOCK_READ);
    bool first = true;
    for (const SelectionRange& range : ranges) {
        if (range.upper() - range.lower() < 1)
            continue;
        if (!first)
            o_text->push_back(L'\n');
        first = false;
        m_document.appendTextRange(range.lower(), range.upper(), o_text);
    }
}

std::wstring DocumentController::takeBlock(const LineRange& block) {
    const int32_t start = m_document.getLineStart(block.first);
    const int32_t end = start + (m_document.getLineStart(block.last) - start) + m_document.getLineLength(block.last);
    std::wstring text = m_document.getText(start, end - start);
    if (block.last < m_document.getLineCount() - 1)
        m_spanManager->onRemove(start, m_document.getLineStart(block.last + 1) - start);
    else
        m_spanManager->onRemove(start - 1, end - start + 1); // the last line has no break after it
    return text;
}

void DocumentController::moveLines(std::vector<LineRange>& io_ranges, int32_t targetLine) {
    if (!canEdit(L"moveLines") || io_ranges.empty())
        return;
    const int32_t lineCount = m_document.getLineCount();
    const int32_t firstLine = io_ranges.front().first;
    const int32_t lastLine = io_ranges.back().last;
    if (targetLine < 0 || targetLine >= lineCount || firstLine < 0 || lastLine >= lineCount ||
        (targetLine >= firstLine && targetLine <= lastLine))
        return;
    SelectionChange bracket(*this);
    const int32_t distance = targetLine < firstLine ? targetLine - firstLine : targetLine - lastLine;
    const bool down = distance > 0;
    for (size_t i = 0; i < io_ranges.size(); ++i) {
        LineRange& block = io_ranges[down ? io_ranges.size() - 1 - i : i];
        const std::wstring text = takeBlock(block);
        const int32_t landing = block.first + distance;
        if (landing < m_document.getLineCount()) {
            const std::wstring moved = text + L'\n';
            m_spanManager->onInsert(m_document.getLineStart(landing), static_cast<int32_t>(moved.size()),
                                    moved.c_str());
        } else {
            const std::wstring moved = L'\n' + text;
            m_spanManager->onInsert(m_document.getLength(), static_cast<int32_t>(moved.size()), moved.c_str());
        }
        block.first += distance;
        block.last += distance;
    }
}

void DocumentController::duplicateLines(std::vector<LineRange>& io_ranges) {
    if (!canEdit(L"duplicateLines"))
        return;
    SelectionChange bracket(*this);
    const int32_t lineCount = m_document.getLineCount();
    for (auto block = io_ranges.rbegin(); block != io_ranges.rend(); ++block) {
        if (block->first < 0 || block->last >= lineCount || block->first > block->last)
            continue;
        const int32_t start = m_document.getLineStart(block->first);
        const int32_t end = m_document.getLineStart(block->last) + m_document.getLineLength(block->last);
        const std::wstring copy = L'\n' + m_document.getText(start, end - start);
        m_spanManager->onInsert(end, static_cast<int32_t>(copy.size()), copy.c_str());
    }
    // Each pair moves onto its copy, below every copy inserted before it.
    int32_t added = 0;
    for (LineRange& block : io_ranges) {
        if (block.first < 0 || block.last >= lineCount || block.first > block.last)
            continue;
        const int32_t count = block.last - block.first + 1;
        block.first += added + count;
        block.last += added + count;
        added += count;
    }
}

void DocumentController::getText(std::wstring* o_text) const {
    PEL_CHECK_PTR(o_text);
    o_text->clear();
    m_document.appendTextRange(0, m_document.getLength(), o_text);
}

bool DocumentController::getTextRange(int32_t offset, int32_t length, std::wstring* o_text) const {
    PEL_CHECK_PTR(o_text);
    o_text->clear();
    if (offset < 0 || length < 0 || int64_t(offset) + length > m_document.getLength())
        return false;
    m_document.appendTextRange(offset, offset + length, o_text);
    return true;
}

int32_t DocumentController::copyText(int32_t offset, int32_t length, wchar_t* o_buffer) const {
    PEL_CHECK_PTR(o_buffer);
    const int32_t from = std::max(0, std::min(offset, m_document.getLength()));
    const int32_t count = std::max(0, std::min(length, m_document.getLength() - from));
    if (count > 0)
        gap_buffer_copy(o_buffer, m_document.getBuffer(), from, count, false);
    return count;
}

bool DocumentController::getLine(int32_t line, std::wstring* o_text) const {
    PEL_CHECK_PTR(o_text);
    o_text->clear();
    if (line < 0 || line >= m_document.getLineCount())
        return false;
    const int32_t start = m_document.getLineStart(line);
    m_document.appendTextRange(start, start + m_document.getLineLength(line), o_text);
    return true;
}

bool DocumentController::copyLine(int32_t line, std::vector<wchar_t>* o_buffer, bool withBreak) const {
    PEL_CHECK_PTR(o_buffer);
    o_buffer->clear();
    if (line < 0 || line >= m_document.getLineCount())
        return false;
    const int32_t start = m_document.getLineStart(line);
    const int32_t length = withBreak ? m_document.getLineLengthWithBreak(line) : m_document.getLineLength(line);
    o_buffer->resize(static_cast<size_t>(length));
    copyText(start, length, o_buffer->data());
    return true;
}

} // namespace tessel
