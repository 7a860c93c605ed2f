#include "service/document/Document.h"

#include "pel/base/Assert.h"
#include "pel/text/LineEnding.h"
#include "service/document/DocumentListener.h"
#include "service/document/Finder.h"
#include "service/document/undo/UndoContext.h"
#include "service/parser/base/ParserClient.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace tessel {

namespace {

void widenForInsert(ChangeRange& range, int32_t line, int32_t lineBreaks) {
    if (range.firstLine == -1) {
        range.firstLine = line;
        range.lastLine = line + lineBreaks;
    } else if (line <= range.firstLine) {
        range.firstLine = line;
        range.lastLine += lineBreaks;
    } else if (line <= range.lastLine) {
        range.lastLine += lineBreaks;
    } else {
        range.lastLine = line + lineBreaks;
    }
}

void narrowForRemove(ChangeRange& range, int32_t line, int32_t lineBreaks) {
    if (range.firstLine == -1) {
        range.firstLine = line;
        range.lastLine = line + lineBreaks;
        return;
    }
    if (line <= range.firstLine) {
        range.firstLine = line;
        range.lastLine -= lineBreaks;
    } else if (line <= range.lastLine) {
        range.lastLine -= lineBreaks;
    } else {
        range.lastLine = line;
    }
    range.lastLine = std::max(range.lastLine, range.firstLine);
}

} // namespace

std::wstring Document::getText(int32_t offset, int32_t length) const {
    std::wstring text;
    appendTextRange(offset, static_cast<int>(std::min<int64_t>(int64_t(offset) + length, INT32_MAX)), &text);
    return text;
}

void Document::appendTextRange(int begin, int end, std::wstring* io_out) const {
    const int32_t from = std::max(0, std::min(begin, getLength()));
    const int32_t count = std::min(end, getLength()) - from;
    if (count <= 0)
        return;
    const size_t at = io_out->size();
    io_out->resize(at + static_cast<size_t>(count));
    gap_buffer_copy(&(*io_out)[at], m_buffer, from, count, false);
}

void Document::keepLineFeedsOnly(const wchar_t*& io_text, int32_t& io_length, std::wstring& o_storage) {
    if (PEL_SOFT_ASSERT(std::wmemchr(io_text, L'\r', static_cast<size_t>(io_length)) == nullptr))
        return;
    o_storage.clear();
    pel::LineEnding::appendWithLineFeeds(io_text, static_cast<size_t>(io_length), o_storage);
    io_text = o_storage.c_str();
    io_length = static_cast<int32_t>(o_storage.size());
}

void Document::refuseWhileSaving() const {
    if (m_loaderAccess != LOADER_NONE)
        throw pel::IllegalStateException(L"The document is being saved or loaded.");
}

void Document::insert(int32_t offset, int32_t length, const wchar_t* text, bool fromSpan) {
    if (offset < 0 || offset > getLength() || length <= 0 || !text)
        return;
    refuseWhileSaving();
    // Text read out of this very buffer would move under the insert.
    std::wstring own;
    if (m_buffer.holds(text)) {
        own.assign(text, static_cast<size_t>(length));
        text = own.c_str();
    }
    // Every allocation the edit needs happens here, before anyone hears of it.
    m_buffer.reserve(length);
    std::wstring withLineFeeds;
    keepLineFeedsOnly(text, length, withLineFeeds);
    m_lineFeeds.clear();
    for (int32_t i = 0; i < length; ++i)
        if (text[i] == L'\n')
            m_lineFeeds.push_back(i + 1);
    const int32_t lineBreaks = static_cast<int32_t>(m_lineFeeds.size());
    m_lines.reserveInsert(lineBreaks);

    TextChange change;
    change.fromSpan = fromSpan;
    change.offset = offset;
    change.length = length;
    change.text = text;
    change.firstLine = m_lines.findLine(offset);
    change.lineBreaks = lineBreaks;
    change.lineFeeds = m_lineFeeds.data();
    widenForInsert(m_changeRange, change.firstLine, lineBreaks);
    if (m_parseHolds > 0)
        widenForInsert(m_heldParse, change.firstLine, lineBreaks);

    notify([&](DocumentListener& listener) { listener.onBeforeInsert(*this, change); });
    if (m_undo->getMode() == UNDO_RECORDING)
        m_undo->recordInsert(change);
    else if (!m_changeRange.withoutUndo)
        m_undo->noteUnrecordedEdit();
    m_positions.shift(offset, length);
    const bool atLineStart = offset == m_lines.start(change.firstLine);
    m_buffer.insert(offset, text, length);
    m_lines.insert(offset, length, change.firstLine, change.lineFeeds, lineBreaks, atLineStart);
    notify([&](DocumentListener& listener) { listener.onInserted(*this, change); });
}

void Document::remove(int32_t offset, int32_t length, bool fromSpan) {
    const int32_t total = getLength();
    if (offset < 0 || offset >= total)
        return;
    refuseWhileSaving();
    length = std::min(length, total - offset);
    if (length <= 0)
        return;
    TextChange change;
    change.fromSpan = fromSpan;
    change.offset = offset;
    change.length = length;
    change.firstLine = m_lines.findLine(offset);
    change.lineBreaks = m_lines.findLine(offset + length) - change.firstLine;
    m_lines.reserveRemove(change.lineBreaks);
    // With the gap at offset the removed units lie together behind it, and the removal only
    // widens the gap over them: the same pointer serves every listener and the undo log.
    m_buffer.moveGap(offset);
    change.text = m_buffer.secondHalf();
    narrowForRemove(m_changeRange, change.firstLine, change.lineBreaks);
    if (m_parseHolds > 0)
        narrowForRemove(m_heldParse, change.firstLine, change.lineBreaks);

    notify([&](DocumentListener& listener) { listener.onBeforeRemove(*this, change); });
    if (m_undo->getMode() == UNDO_RECORDING)
        m_undo->recordRemove(change);
    else if (!m_changeRange.withoutUndo)
        m_undo->noteUnrecordedEdit();
    m_positions.shift(offset, -length);
    const bool atLineStart = offset == m_lines.start(change.firstLine);
    m_lines.remove(length, change.firstLine, change.lineBreaks, atLineStart);
    m_buffer.remove(offset, length);
    change.text = m_buffer.removedText(length);
    notify([&](DocumentListener& listener) { listener.onRemoved(*this, change); });
}

bool Document::runFinder(Finder& finder, int32_t from, int32_t to, bool backward) {
    // The range ends at the length: one place further the iterator reads the last unit again,
    // which would find "bb" at the end of "ab" and no whole word at the very end.
    const int32_t length = getLength();
    const auto clamp = [length](int32_t offset) { return offset < 0 ? 0 : offset > length ? length : offset; };
    const DocumentIterator begin(this, 0);
    const DocumentIterator end(this, length);
    return finder.find(begin, end, DocumentIterator(this, clamp(from)), DocumentIterator(this, clamp(to)), backward);
}

void Document::beginChange(uint32_t tag, bool withoutUndo) {
    m_changeRange = ChangeRange();
    m_changeRange.withoutUndo = withoutUndo;
    m_changeRange.begun = true;
    m_changeRange.tag = tag;
    notify([&](DocumentListener& listener) { listener.onBeginChange(*this, m_changeRange); });
    m_changeRange.active = true;
    if (!withoutUndo)
        m_undo->beginTransaction();
}

void Document::endChange() {
    if (!m_changeRange.withoutUndo)
        m_undo->endTransaction();
    m_changeRange.active = false;
    ++m_changeCount;
    m_lineFeeds.clear();
    if (m_lineFeeds.capacity() > LINE_FEEDS_KEPT) {
        std::vector<int32_t>().swap(m_lineFeeds);
        m_lineFeeds.reserve(LINE_FEEDS_KEPT);
    }
    const bool modified = m_undo->isModified();
    changeFormat([&](DocumentFormat& format) { format.modified = modified; });
    if (m_parserJob && m_changeRange.firstLine != -1 && m_parseHolds == 0)
        if (ParserClient* client = getParserClient())
            client->requestParse(this, m_changeRange.firstLine, m_changeRange.lastLine);
    notify([&](DocumentListener& listener) { listener.onChanged(*this, m_changeRange); });
}

void Document::releaseParseRequests() {
    if (m_parseHolds <= 0 || --m_parseHolds > 0)
        return;
    const ChangeRange held = m_heldParse;
    m_heldParse = ChangeRange();
    if (m_parserJob && held.firstLine != -1)
        if (ParserClient* client = getParserClient())
            client->requestParse(this, held.firstLine, std::min(held.lastLine, getLineCount() - 1));
}

} // namespace tessel
