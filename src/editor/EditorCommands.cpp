// The editing commands of an editor: each runs through the attached controller inside one of
// its transactions, and answers false (the key falls through) without one.
#include "afw/core/afApp.h"
#include "afw/data/afClipboard.h"
#include "afw/data/afClipboardRing.h"
#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDataObjectText.h"
#include "afw/unicode/afUnicode.h"
#include "editor/Editor.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCaretMoves.h"
#include "editor/EditorCmd.h"
#include "pel/text/Inflector.h"
#include "pel/text/WideString.h"
#include "service/document/Document.h"
#include "service/document/Finder.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/Selection.h"
#include "service/parser/spans/Span.h"

#include <algorithm>

namespace tessel {

namespace {

constexpr uint32_t BOOKMARK_KIND = 0xE35E00DF;
const wchar_t SELECTION_TYPE_FORMAT[] = L"EditorSelectionType";

using Lock = DocumentController::Lock;
using SelectionChange = DocumentController::SelectionChange;

// Holds off the clipboard ring's listener while the editor changes the clipboard itself.
class OwnClipboardChange {
public:
    explicit OwnClipboardChange(afClipboard* clipboard) : m_clipboard(clipboard) {
        if (clipboard)
            clipboard->setOwnChange(true);
    }
    ~OwnClipboardChange() {
        if (m_clipboard)
            m_clipboard->setOwnChange(false);
    }

private:
    afClipboard* m_clipboard;
};

} // namespace

bool EditorCmd::selectionIsEmpty() {
    Selection& selection = m_controller->getSelection();
    for (const SelectionRange& range : selection.getRanges())
        if (range.start != range.end)
            return false;
    return true;
}

// The restored selection may carry the flag that kept the view where it was (Select All's):
// the caret is shown whatever the record says.
bool EditorCmd::undo(afActionEvent&) {
    if (!m_controller)
        return false;
    m_controller->undo();
    m_editor.showCaret(false);
    return true;
}

bool EditorCmd::redo(afActionEvent&) {
    if (!m_controller)
        return false;
    m_controller->redo();
    m_editor.showCaret(false);
    return true;
}

bool EditorCmd::deleteForward(afActionEvent&) { return deleteByMove(MOVE_CHAR_RIGHT, 1); }

bool EditorCmd::inEmptyPair() {
    static const std::wstring PAIR_PREFIX = L"document.context.char_pair.";
    Selection& selection = m_controller->getSelection();
    if (selection.getRanges().size() != 1 || !selectionIsEmpty())
        return false;
    ISpanManager& spans = m_controller->getSpanManager();
    const Span* current = spans.getCurrentSpan();
    if (!current || current->getName().compare(0, PAIR_PREFIX.size(), PAIR_PREFIX) != 0)
        return false;
    // The caret stands between the two characters, with nothing typed there yet.
    const SpanExtent extent = spans.getExtent(current);
    return extent.length == 0 && extent.start == m_controller->getCaretOffset();
}

bool EditorCmd::deleteBackward(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    const bool bothCharacters = inEmptyPair();
    m_controller->deleteChars(-1);
    if (bothCharacters)
        m_controller->deleteChars(1);
    return true;
}

bool EditorCmd::deleteByMove(int movement, int32_t selectionCount) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    // Each caret of several goes as the caret alone would.
    const auto targetOf = [&](int32_t offset) {
        const TextPosition from = m_controller->offsetToPosition(offset);
        return m_controller->positionToOffset(computeCaretTarget(m_editor, from, movement, false, 0, nullptr));
    };
    if (m_controller->deleteAtCarets(targetOf))
        return true;
    if (!selectionIsEmpty() || selection.getRanges().size() > 1) {
        m_controller->deleteChars(selectionCount);
        return true;
    }
    const TextPosition caret = selection.getCaret();
    const TextPosition target = computeCaretTarget(m_editor, caret, movement, false, 0, nullptr);
    const int32_t from = m_controller->positionToOffset(caret);
    const int32_t to = m_controller->positionToOffset(target);
    if (to == from)
        return true;
    if (to > from) {
        selection.setCaretPosition(target, 0);
        m_controller->deleteChars(from - to);
    } else {
        m_controller->deleteChars(to - from);
    }
    return true;
}

bool EditorCmd::deleteWordEnd(afActionEvent&) { return deleteByMove(MOVE_WORD_RIGHT, 0); }
bool EditorCmd::deleteWordBegin(afActionEvent&) { return deleteByMove(MOVE_WORD_LEFT, 0); }

bool EditorCmd::newLine(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    if (inEmptyPair()) {
        // An indented line opens between the two characters; the closing one keeps the line's
        // own indentation.
        SelectionChange bracket(*m_controller);
        const int32_t offset = m_controller->getCaretOffset();
        const int32_t width = m_controller->getIndentationAt(offset);
        std::wstring inner, own;
        m_controller->makeIndent(width + m_controller->getTabWidth(), &inner);
        m_controller->makeIndent(width, &own);
        const std::wstring text = L"\n" + inner + L"\n" + own;
        m_controller->typeText(text.c_str(), static_cast<int32_t>(text.size()));
        m_controller->getSelection().setCaretOffset(offset + 1 + static_cast<int32_t>(inner.size()));
        return true;
    }
    SelectionChange bracket(*m_controller);
    const TextPosition caret = m_controller->getSelection().getCaret();
    int32_t width = m_controller->getIndentationBefore(caret, false);
    for (int32_t above = caret.line - 1; width < 0 && above >= 0; --above)
        width = m_controller->getLineIndentation(above, false);
    width = std::max(width, 0);
    std::wstring text;
    const DocumentController::Format& format = m_controller->getFormat();
    pel::insertIndentation(width, format.indentation.soft ? 0 : m_controller->getTabWidth(), text);
    text.insert(text.begin(), L'\n');
    dropBlanksAfterCaret();
    m_controller->typeText(text.c_str(), static_cast<int32_t>(text.size()));
    return true;
}

void EditorCmd::dropBlanksAfterCaret() {
    if (!selectionIsEmpty() || m_controller->getSelection().getRanges().size() > 1)
        return;
    const TextPosition caret = m_controller->getSelection().getCaret();
    const Document& document = m_controller->getDocument();
    if (caret.line < 0 || caret.line >= document.getLineCount() || caret.lineOffset < 0 ||
        caret.lineOffset >= document.getLineLength(caret.line))
        return;
    // Read in place from the line's end back to the first unit that is not a blank: the caret's
    // line may be many megabytes long.
    const int32_t after = document.getLineLength(caret.line) - caret.lineOffset;
    const DocumentIterator rest(&document, document.getLineStart(caret.line) + caret.lineOffset);
    if (pel::trailingWhitespaceStartIn(rest, after) == 0)
        m_controller->removeAt(after, m_controller->getCaretOffset());
}

bool EditorCmd::selectAll(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    SelectionChange bracket(*m_controller);
    TextPosition end = m_controller->getEndPosition();
    end.isVirtual = true;
    m_controller->getSelection().set(end, TextPosition(), CARET_KEEP_VIEW, selection_ids::NORMAL);
    return true;
}

bool EditorCmd::selectLines(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    std::vector<int32_t> lines;
    m_controller->getSelection().setRanges(lines);
    m_controller->getSelection().selectOffsetList(lines);
    return true;
}

bool EditorCmd::selectLinesText(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    std::vector<LineRange> ranges;
    selection.getLineRanges(ranges, true);
    for (const LineRange& range : ranges)
        selection.set(m_controller->getLineBoundary(range.last, false, false),
                      m_controller->getLineContentStart(range.first, true), 0, selection_ids::NORMAL);
    return true;
}

bool EditorCmd::selectWord(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    Selection& selection = m_controller->getSelection();
    TextPosition start, end;
    m_editor.wordAround(selection.getCaret(), &start, &end);
    selection.set(end, start, CARET_ANCHOR, selection_ids::NORMAL);
    return true;
}

bool EditorCmd::selectIndentLevel(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    Selection& selection = m_controller->getSelection();
    selection.selectWholeLines({m_controller->getIndentLevel(selection.getCaret().line)}, false);
    return true;
}

bool EditorCmd::transpose(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    if (selection.getRanges().size() != 1 || !selectionIsEmpty())
        return true;
    // The characters are clusters of the layout: a pair of surrogates, or a letter and its marks,
    // moves whole. Past the line's end (virtual space) counts as at its end.
    const TextPosition caret = m_controller->clampPosition(selection.getCaret());
    const int32_t length = m_controller->getDocument().getLineLength(caret.line);
    const auto step = [&](int32_t offset, int movement) {
        return computeCaretTarget(m_editor, TextPosition(caret.line, offset), movement, false, 0, nullptr).lineOffset;
    };
    const int32_t seam = caret.lineOffset < length ? caret.lineOffset : step(length, MOVE_CHAR_LEFT_IN_LINE);
    const int32_t first = step(seam, MOVE_CHAR_LEFT_IN_LINE);
    const int32_t end = seam < length ? step(seam, MOVE_CHAR_RIGHT) : seam;
    if (first >= seam || seam >= end)
        return true;
    const int32_t start = m_controller->getDocument().getLineStart(caret.line) + first;
    std::wstring text;
    if (!m_controller->getTextRange(start, end - first, &text))
        return true;
    std::rotate(text.begin(), text.begin() + (seam - first), text.end());
    m_controller->removeAt(end - first, start);
    m_controller->insertAt(static_cast<int32_t>(text.size()), start, text.c_str());
    return true;
}

void EditorCmd::copySelection() {
    afClipboard* clipboard = afApp::getClipboard();
    if (!clipboard)
        return;
    OwnClipboardChange own(clipboard);
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    std::wstring text, crlf;
    m_controller->getSelectedText(selection.getRanges(), &text);
    pel::addCarriageReturns(text.c_str(), crlf);
    std::unique_ptr<afDataObjectComposite> data(new afDataObjectComposite);
    data->add(new afDataObjectText(crlf), true);
    data->add(new afDataObjectScalar<uint32_t>(SELECTION_TYPE_FORMAT, selection.getBehaviorId()), false);
    if (clipboard->put(data.get()))
        data.release();
    clipboard->getRing()->putText(text.c_str(), static_cast<uint32_t>(text.size()));
}

bool EditorCmd::copy(afActionEvent&) {
    if (!m_controller)
        return false;
    // Empty carets copy nothing: the user's clipboard stays as it was.
    if (!selectionIsEmpty())
        copySelection();
    return true;
}

bool EditorCmd::paste(afActionEvent&) {
    if (!m_controller)
        return false;
    afClipboard* clipboard = afApp::getClipboard();
    if (!clipboard || !clipboard->isFormatAvailable(afDataFormat(CF_UNICODETEXT)))
        return true;
    OwnClipboardChange own(clipboard);
    afDataObjectText text;
    if (!clipboard->get(&text))
        return true;
    uint32_t behaviorId = 0;
    afDataObjectScalar<uint32_t> type(SELECTION_TYPE_FORMAT);
    if (clipboard->isFormatAvailable(afDataFormat::registered(SELECTION_TYPE_FORMAT)) && clipboard->get(&type))
        behaviorId = type.getValue();
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    m_controller->typeOutsideText(text.getText(), behaviorId);
    return true;
}

bool EditorCmd::cut(afActionEvent& event) {
    if (!m_controller)
        return false;
    if (selectionIsEmpty())
        return true;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    copySelection();
    return deleteBackward(event);
}

bool EditorCmd::cutLine(afActionEvent& event) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    if (selection.getRanges().size() > 1 && selectionIsEmpty())
        return true;
    if (selectionIsEmpty()) {
        // The caret's line with its break: from the end of the one before (its break included).
        const Document& document = m_controller->getDocument();
        const int32_t line = std::min(selection.getCaret().line, document.getLineCount() - 1);
        const int32_t from = document.getLineStart(line);
        const int32_t end = from + document.getLineLengthWithBreak(line);
        if (end == from)
            return true;
        selection.setOffsets(from, end, selection_ids::NORMAL);
    }
    copySelection();
    return deleteBackward(event);
}

bool EditorCmd::toggleBookmark(afActionEvent&) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    const int32_t line = m_controller->getSelection().getCaret().line;
    const std::vector<LineMarker>* markers = m_controller->getLineMarkers(line);
    const bool marked = markers && std::any_of(markers->begin(), markers->end(),
                                               [](const LineMarker& marker) { return marker.kind == BOOKMARK_KIND; });
    if (marked)
        m_controller->getDocument().removeLineMarkers(line, BOOKMARK_KIND);
    else
        m_controller->getDocument().setLineMarker(line, L"", static_cast<uint32_t>(-1), BOOKMARK_KIND);
    return true;
}

bool EditorCmd::goToBookmark(bool forward) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_READ);
    Selection& selection = m_controller->getSelection();
    const int32_t line = m_controller->getDocument().findMarkedLine(selection.getCaret().line, forward, true);
    if (line < 0)
        return true;
    EditorBatch batch(m_editor);
    selection.setCaretPosition(TextPosition(line, 0), CARET_ANCHOR);
    m_editor.scrollToShow(TextPosition(line, 0), false);
    return true;
}

bool EditorCmd::nextBookmark(afActionEvent&) { return goToBookmark(true); }
bool EditorCmd::previousBookmark(afActionEvent&) { return goToBookmark(false); }

bool EditorCmd::runLineCommand(LineCommand command) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    std::vector<LineRange> ranges;
    selection.getLineRanges(ranges, true);
    if (ranges.empty())
        return true;
    selection.set(selection.getCaret(), selection.getCaret(), 0, selection_ids::CARET);
    m_controller->getSpanManager().reset(m_controller->getDocument().getLength());
    switch (command) {
    case LINES_UP:
    case LINES_DOWN: {
        const int32_t target = command == LINES_UP ? ranges.front().first - 1 : ranges.back().last + 1;
        // At either end of the document nothing moves.
        if (target < 0 || target >= m_controller->getLineCount()) {
            selection.selectWholeLines(ranges, command == LINES_UP);
            return true;
        }
        m_controller->moveLines(ranges, target);
        break;
    }
    case LINES_DUPLICATE:
        m_controller->duplicateLines(ranges);
        break;
    case LINES_INDENT:
    case LINES_UNINDENT:
        m_controller->indentSelectedLines(command == LINES_INDENT ? 1 : -1, ranges);
        break;
    }
    selection.selectWholeLines(ranges, command == LINES_UP);
    return true;
}

bool EditorCmd::moveLinesUp(afActionEvent&) { return runLineCommand(LINES_UP); }
bool EditorCmd::moveLinesDown(afActionEvent&) { return runLineCommand(LINES_DOWN); }
bool EditorCmd::duplicateLines(afActionEvent&) { return runLineCommand(LINES_DUPLICATE); }
bool EditorCmd::indentLines(afActionEvent&) { return runLineCommand(LINES_INDENT); }
bool EditorCmd::unindentLines(afActionEvent&) { return runLineCommand(LINES_UNINDENT); }

bool EditorCmd::transform(const std::function<bool(const std::wstring&, std::wstring&)>& change) {
    if (!m_controller)
        return false;
    Lock lock(*m_controller, DocumentController::LOCK_EDIT);
    SelectionChange bracket(*m_controller);
    Selection& selection = m_controller->getSelection();
    if (selection.getRanges().size() == 1 && selectionIsEmpty()) {
        // A single empty caret takes the word it touches, else its line's text.
        const TextPosition caret = selection.getCaret();
        TextPosition startAt, endAt;
        m_editor.wordAround(caret, &startAt, &endAt);
        int32_t start = startAt.lineOffset, end = endAt.lineOffset;
        if (start == end) {
            start = m_controller->getLineContentStart(caret.line, true).lineOffset;
            end = m_controller->getLineBoundary(caret.line, true, false).lineOffset;
        }
        if (start >= end)
            return true;
        selection.set(TextPosition(caret.line, end), TextPosition(caret.line, start), 0, selection_ids::NORMAL);
    }
    // A range the transform leaves as it was is not replaced: the same text put back would be
    // an undo step that changes nothing.
    m_controller->transformSelection([&change](const std::wstring& text, std::wstring& o_text) {
        return change(text, o_text) && o_text != text;
    });
    return true;
}

} // namespace tessel
