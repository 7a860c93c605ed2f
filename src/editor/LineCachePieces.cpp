// The pieces of lines longer than a piece: where they start, what is known of their widths and
// rows, and finding the piece of an offset, a subline or an x.
#include "editor/LineCache.h"

#include "afw/unicode/afUnicode.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"

#include <algorithm>

namespace tessel {

LineCache::LongLine* LineCache::longLine(int32_t line) {
    if (!m_controller || line < 0 || line >= getLineCount())
        return nullptr;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    const int32_t length = m_controller->getDocument().getLineLength(line);
    if (length <= m_pieceLength) {
        // A line that is no longer long (a line break kept its pieces) is laid out whole now.
        if (m_long.erase(line) > 0)
            freeSlots(line, line);
        return nullptr;
    }
    LongLine& info = m_long[line];
    if (info.length != length || info.unchangedBefore != INT32_MAX) {
        // The text changed: the pieces it reached, or whose bounds moved, are laid out and
        // measured again. A length that changed untold leaves nothing known to be the same.
        LongLine before = std::move(info);
        if (before.unchangedBefore == INT32_MAX)
            before.unchangedBefore = 0;
        size_t kept = 0;
        try {
            kept = makeLongLine(info, line, length, before);
        } catch (...) {
            // Pieces found half way are no record of the line: the next look finds them anew.
            m_long.erase(line);
            freeSlots(line, line);
            resetEntries(line, line);
            throw;
        }
        // The pieces kept are laid out again where they are drawn otherwise now: one that ends
        // the line it did not end, and those the line's last blanks moved across.
        const int32_t blanksFrom = std::min(before.lastNonBlankEnd, info.lastNonBlankEnd);
        const int32_t blanksTo = std::max(before.lastNonBlankEnd, info.lastNonBlankEnd);
        for (int slot = 0; slot < SLOTS; ++slot) {
            if (!m_index[slot].stamp || m_index[slot].line != line)
                continue;
            const size_t piece = static_cast<size_t>(m_index[slot].piece);
            if (piece >= kept || (info.end(piece) == length && length != before.length) ||
                (blanksFrom < info.end(piece) && blanksTo > info.starts[piece]))
                freeSlot(slot);
        }
    }
    if (info.wrapWidth != m_layout.getWrapWidth()) {
        std::fill(info.widths.begin(), info.widths.end(), 0);
        std::fill(info.rows.begin(), info.rows.end(), 0);
        info.wrapWidth = m_layout.getWrapWidth();
    }
    return &info;
}

void LineCache::noteEdit(int32_t line, int32_t offset) {
    const auto found = m_long.find(line);
    if (found != m_long.end())
        found->second.unchangedBefore = std::min(found->second.unchangedBefore, std::max(offset, 0));
}

size_t LineCache::makeLongLine(LongLine& info, int32_t line, int32_t length, const LongLine& before) {
    Document& document = m_controller->getDocument();
    const int32_t lineStart = document.getLineStart(line);
    info.length = length;
    // The seams before the edit stay: the text before each is the same. The next ones are
    // looked for a piece length apart from the last of them.
    info.starts.assign(1, 0);
    for (size_t index = 1; index < before.starts.size() && before.starts[index] < before.unchangedBefore &&
                           before.starts[index] < length;
         ++index)
        info.starts.push_back(before.starts[index]);
    // A character longer than a piece (a letter with thousands of marks, a long chain of emoji
    // joined by ZWJ) is a piece of its own, as long as it is: a seam at its start or its end,
    // rather than after a blank near the place looked at, counts the next piece from there.
    for (int32_t nominal = info.starts.back() + m_pieceLength; nominal < length;) {
        const int32_t seam = seamNear(lineStart, nominal, info.starts.back() + 1);
        if (seam > info.starts.back() && seam < length)
            info.starts.push_back(seam);
        const bool besideIt = seam <= nominal && seam >= nominal - seamReach();
        nominal = (besideIt ? nominal : std::max(seam, nominal - m_pieceLength + 1)) + m_pieceLength;
    }
    info.widths.assign(info.starts.size(), 0);
    info.rows.assign(info.starts.size(), 0);
    info.tabs.assign(info.starts.size(), -1);
    info.wrapWidth = before.wrapWidth;
    info.unchangedBefore = INT32_MAX;
    // Pieces wholly before the edit, bounded as they were, measure what they measured.
    size_t kept = 0;
    for (; kept < info.starts.size() && kept < before.starts.size(); ++kept) {
        if (before.starts[kept] != info.starts[kept] || before.end(kept) != info.end(kept) ||
            info.end(kept) > before.unchangedBefore)
            break;
        info.widths[kept] = before.widths[kept];
        info.rows[kept] = before.rows[kept];
        info.tabs[kept] = before.tabs[kept];
    }
    countTabs(info, lineStart);
    // The line's own indentation and blanks, read from its ends. Every piece is drawn, and
    // wrapped, with the line's indentation: when it changed, none keeps what it measured.
    info.indentation = before.indentation;
    info.firstNonBlank = before.firstNonBlank;
    if (readHead(info, lineStart)) {
        std::fill_n(info.widths.begin(), kept, 0);
        std::fill_n(info.rows.begin(), kept, 0);
        kept = 0;
    }
    readTail(info, lineStart);
    return kept;
}

int32_t LineCache::seamNear(int32_t lineStart, int32_t nominal, int32_t low) {
    ++m_seams;
    // A seam after a blank breaks no word: wrapped, the rows on either side read as wrapped
    // rows do.
    const int32_t reach = seamReach();
    nominal = std::max(nominal, low);
    const int32_t from = std::max(nominal - reach, low);
    std::wstring window(static_cast<size_t>(nominal - from + 1), L'\0');
    m_controller->copyText(lineStart + from, static_cast<int32_t>(window.size()), &window[0]);
    for (int32_t at = nominal; at > from; --at) {
        const wchar_t before = window[static_cast<size_t>(at - 1 - from)];
        if ((before == L' ' || before == L'\t') && m_controller->isCharacterStart(lineStart + at))
            return at;
    }
    // Else where the character around the nominal place starts, or where it ends when it began
    // with the piece before.
    const int32_t start = m_controller->characterStart(lineStart + nominal) - lineStart;
    return start >= low ? start : m_controller->characterEnd(lineStart + nominal) - lineStart;
}

void LineCache::countTabs(LongLine& info, int32_t lineStart) {
    std::wstring text;
    for (size_t index = 0; index < info.starts.size(); ++index) {
        if (info.tabs[index] >= 0)
            continue;
        text.resize(static_cast<size_t>(info.end(index) - info.starts[index]));
        if (!text.empty())
            m_controller->copyText(lineStart + info.starts[index], static_cast<int32_t>(text.size()), &text[0]);
        info.tabs[index] = static_cast<int32_t>(std::count(text.begin(), text.end(), L'\t'));
    }
}

int32_t LineCache::widthOf(const LongLine& info, size_t index) const {
    if (info.widths[index] > 0)
        return info.widths[index];
    // A tab counts as a whole tab stop: tabs mostly indent or line columns up, each reaching
    // the next stop from about the one before.
    const int64_t tabs = info.tabs[index];
    const int64_t others = info.end(index) - info.starts[index] - tabs;
    const int64_t width = others * std::max(m_layout.getAverageCharWidth(), 1) + tabs * m_layout.tabStopWidth();
    return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX / 2));
}

int32_t LineCache::rowsOf(const LongLine& info, size_t index) const {
    if (info.rows[index] > 0)
        return info.rows[index];
    const int64_t width = static_cast<int64_t>(widthOf(info, index));
    const int64_t wrap = std::max(m_layout.getWrapWidth(), 1);
    return static_cast<int32_t>(std::max<int64_t>((width + wrap - 1) / wrap, 1));
}

void LineCache::measureLongLine(int32_t line, const LongLine& info) {
    // Unwrapped the pieces lie side by side; wrapped, the widest row of any is the line's.
    const bool unwrapped = isUnwrapped();
    int64_t width = 0;
    int64_t rows = 0;
    for (size_t index = 0; index < info.starts.size(); ++index) {
        if (unwrapped)
            width += widthOf(info, index);
        else
            width = std::max<int64_t>(width, info.widths[index] > 0 ? info.widths[index]
                                                                    : std::min(widthOf(info, index), m_layout.getWrapWidth()));
        rows += rowsOf(info, index);
    }
    Entry& entry = m_entries[line];
    entry.width = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX / 2));
    entry.sublines = isUnwrapped() ? 1 : static_cast<int32_t>(std::min<int64_t>(rows, INT32_MAX / 2));
    noteWidth(entry.width);
}

void LineCache::eraseLongLines(int32_t first, int32_t last) {
    m_long.erase(m_long.lower_bound(first), m_long.upper_bound(last));
}

void LineCache::shiftLongLines(int32_t from, int32_t by) {
    std::map<int32_t, LongLine> moved;
    for (auto it = m_long.lower_bound(from); it != m_long.end();)
        if (it->first + by >= 0) {
            moved.emplace(it->first + by, std::move(it->second));
            it = m_long.erase(it);
        } else {
            it = m_long.erase(it);
        }
    for (auto& entry : moved)
        m_long[entry.first] = std::move(entry.second);
}

int32_t LineCache::pieceCount(int32_t line) {
    const LongLine* info = longLine(line);
    return info ? static_cast<int32_t>(info->starts.size()) : 1;
}

LineCache::Piece LineCache::makePiece(int32_t line, int32_t index, LongLine* info) {
    Piece piece;
    if (!m_controller || line < 0 || line >= getLineCount())
        return piece;
    if (!info) {
        piece.data = build(line, 0, nullptr, 0);
        piece.end = piece.data->lineLength;
        return piece;
    }
    const int32_t count = static_cast<int32_t>(info->starts.size());
    index = std::max(std::min(index, count - 1), 0);
    piece.index = index;
    piece.start = info->starts[static_cast<size_t>(index)];
    piece.end = info->end(static_cast<size_t>(index));
    piece.last = index == count - 1;
    int64_t x = 0;
    const bool unwrapped = isUnwrapped();
    for (int32_t before = 0; before < index; ++before) {
        x += widthOf(*info, static_cast<size_t>(before));
        if (!unwrapped)
            piece.firstSubline += rowsOf(*info, static_cast<size_t>(before));
    }
    piece.x = static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX / 2));
    // Unwrapped, its tabs reach the stops of the line's start as the paint places it; wrapped,
    // it starts a row, and its tabs count from there.
    piece.data = build(line, index, info, unwrapped ? piece.x : 0);
    return piece;
}

LineCache::Piece LineCache::piece(int32_t line, int32_t index) {
    return makePiece(line, index, longLine(line));
}

LineCache::Piece LineCache::pieceAt(int32_t line, int32_t offset, bool endOfPrevious) {
    LongLine* info = longLine(line);
    if (!info)
        return makePiece(line, 0, nullptr);
    const std::vector<int32_t>& starts = info->starts;
    int32_t index = static_cast<int32_t>(info->holding(offset));
    if (endOfPrevious && index > 0 && starts[static_cast<size_t>(index)] == offset)
        --index;
    return makePiece(line, index, info);
}

LineCache::Piece LineCache::pieceOnRow(int32_t line, int32_t subline) {
    return pieceAlong(line, subline, true);
}

LineCache::Piece LineCache::pieceAtX(int32_t line, int32_t x) {
    return pieceAlong(line, x, false);
}

LineCache::Piece LineCache::pieceAlong(int32_t line, int32_t at, bool byRows) {
    LongLine* info = longLine(line);
    if (!info)
        return makePiece(line, 0, nullptr);
    const int32_t count = static_cast<int32_t>(info->starts.size());
    const std::vector<int32_t>& measures = byRows ? info->rows : info->widths;
    auto extent = [&](int32_t index) {
        return byRows ? rowsOf(*info, static_cast<size_t>(index)) : widthOf(*info, static_cast<size_t>(index));
    };
    // Laying a piece out may change its extent from the estimate: the walk then starts again
    // with what it measured. Every round lays one more piece out, and the walk takes a round
    // for each piece at most, whatever a layout measures.
    for (int32_t round = 0;; ++round) {
        int64_t before = 0;
        int32_t index = 0;
        while (index < count - 1 && at >= before + extent(index))
            before += extent(index++);
        const bool measured = measures[static_cast<size_t>(index)] > 0;
        const Piece found = makePiece(line, index, info);
        if (measured || index == count - 1 || at < before + measures[static_cast<size_t>(index)] || round >= count)
            return found;
    }
}

void LineCache::settleAround(int32_t line, int32_t index, int32_t reach) {
    LongLine* info = longLine(line);
    if (!info)
        return;
    const int32_t count = static_cast<int32_t>(info->starts.size());
    auto extent = [&](int32_t at) {
        makePiece(line, at, info);
        return isUnwrapped() ? info->widths[static_cast<size_t>(at)] : info->rows[static_cast<size_t>(at)];
    };
    int32_t covered = 0, low = index, high = index;
    while (low > 0 && covered < reach)
        covered += extent(--low);
    covered = 0;
    while (high < count - 1 && covered < reach)
        covered += extent(++high);
    // Each piece measured before the index moved those after it: their tabs follow now, not
    // when the paint comes.
    for (int32_t at = low + 1; at <= high; ++at)
        makePiece(line, at, info);
}

int32_t LineCache::unitsAfterTab(int32_t line, int32_t offset) {
    LongLine* info = longLine(line);
    if (!info)
        return -1;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    offset = std::max(std::min(offset, info->length), 0);
    const int32_t lineStart = m_controller->getDocument().getLineStart(line);
    const std::vector<int32_t>& starts = info->starts;
    const size_t holding = info->holding(offset);
    std::wstring text;
    for (size_t index = holding + 1; index-- > 0;) {
        // A piece whose tabs are not known yet is read as one that holds some.
        if (index != holding && info->tabs[index] == 0)
            continue;
        const int32_t from = starts[index];
        text.resize(static_cast<size_t>((index == holding ? offset : info->end(index)) - from));
        if (text.empty())
            continue;
        m_controller->copyText(lineStart + from, static_cast<int32_t>(text.size()), &text[0]);
        const size_t tab = text.rfind(L'\t');
        if (tab != std::wstring::npos)
            return offset - (from + static_cast<int32_t>(tab) + 1);
    }
    return offset;
}

} // namespace tessel
