// Edits within a line, told to the line cache: a long line lays out again only the pieces an edit
// reached, and the seams after it move with the text, so that a batch of edits in one line (a
// Replace All, typing with several carets) costs what it changes, not the line's length each.
#include "editor/LineCache.h"

#include "afw/unicode/afUnicode.h"
#include "pel/text/WideString.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"

#include <algorithm>

namespace tessel {

void LineCache::noteLineEdit(int32_t line, int32_t offset, int32_t removed, int32_t inserted, const wchar_t* text) {
    if (!m_controller || line < 0 || line >= getLineCount())
        return;
    const auto found = m_long.find(line);
    if (found != m_long.end()) {
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
        const int32_t length = m_controller->getDocument().getLineLength(line);
        const int32_t units = std::max(removed, inserted);
        const int32_t tabs = text ? static_cast<int32_t>(std::count(text, text + units, L'\t')) : -1;
        if (editLongLine(line, found->second, length, offset, removed, inserted, tabs))
            return;
    }
    // A line laid out whole, or pieces not known for the text before the edit: laid out and
    // measured again from the edit on.
    noteEdit(line, offset);
    freeSlots(line, line);
    resetEntries(line, line);
}

bool LineCache::editLongLine(int32_t line, LongLine& info, int32_t length, int32_t offset, int32_t removed,
                             int32_t inserted, int32_t textTabs) {
    const int32_t editEnd = offset + removed;
    if (length <= m_pieceLength || info.unchangedBefore != INT32_MAX || info.length - removed + inserted != length ||
        offset < 0 || removed < 0 || inserted < 0 || editEnd > info.length)
        return false;
    const std::vector<int32_t>& starts = info.starts;
    const int32_t count = static_cast<int32_t>(starts.size());
    const int32_t delta = inserted - removed;
    // One record for every edit: a batch of edits in a line makes no allocation each.
    EditedPieces& edited = m_edited;
    // The pieces the edit reaches: from the one holding its offset (an insert at a seam starts the
    // piece after it) to the last that starts within a character (two units) after the changed
    // text, since a piece goes on from the character before it. Seams inside the removed text go.
    edited.first = static_cast<int32_t>(info.holding(offset));
    edited.last = static_cast<int32_t>(info.holding(editEnd + 2));
    edited.seams.assign(1, starts[static_cast<size_t>(edited.first)]);
    for (int32_t index = edited.first + 1; index <= edited.last; ++index) {
        const int32_t seam = starts[static_cast<size_t>(index)];
        if (seam >= editEnd && seam + delta > edited.seams.back())
            edited.seams.push_back(seam + delta);
    }
    edited.end = edited.last + 1 < count ? starts[static_cast<size_t>(edited.last + 1)] + delta : length;
    const int32_t lineStart = m_controller->getDocument().getLineStart(line);
    settleSeams(lineStart, info, delta, offset, offset + inserted, edited);
    // An edit right before a seam that stays where the text puts it reaches the piece after the
    // seam too, but lies in the one before: that one takes the edit's tabs, the other keeps its
    // own. So a batch of edits made from a line's end back (as undo makes them), whose seams ride
    // just behind each edit, counts no piece again.
    const size_t first = static_cast<size_t>(edited.first);
    const bool keepsSeam = edited.last == edited.first + 1 && edited.seams.size() == 2 &&
                           edited.seams[0] == starts[first] && edited.seams[1] == starts[first + 1] + delta;
    const int32_t afterSeam = keepsSeam ? info.tabs[first + 1] : -1;
    // The edited pieces' tabs, from the edit's own while they stay one piece; else counted again.
    bool counted = textTabs >= 0 && (edited.seams.size() == 1 || keepsSeam);
    int32_t tabs = removed > 0 ? -textTabs : textTabs;
    for (int32_t index = edited.first; index <= (keepsSeam ? edited.first : edited.last) && counted; ++index) {
        counted = info.tabs[static_cast<size_t>(index)] >= 0;
        tabs += info.tabs[static_cast<size_t>(index)];
    }
    replacePieces(line, info, edited, length, counted && tabs >= 0 ? tabs : -1);
    if (keepsSeam && afterSeam >= 0)
        info.tabs[first + 1] = afterSeam;

    // The line's blanks at its ends, read again only where the edit may have changed them; every
    // piece is drawn with its indentation, each with the blanks that reach it.
    if (offset <= info.firstNonBlank && readHead(info, lineStart))
        forgetPieces(line, info, 0, info.starts.size() - 1);
    if (editEnd < info.lastNonBlankEnd) {
        info.lastNonBlankEnd += delta;
    } else {
        const int32_t was = std::min(info.lastNonBlankEnd, offset);
        if (readTail(info, lineStart)) {
            forgetPieces(line, info, info.holding(std::min(was, info.lastNonBlankEnd)),
                         info.holding(std::max(was, info.lastNonBlankEnd)));
        }
    }
    return true;
}

void LineCache::replacePieces(int32_t line, LongLine& info, const EditedPieces& edited, int32_t length, int32_t tabs) {
    const int32_t delta = length - info.length;
    const int32_t count = static_cast<int32_t>(info.starts.size());
    // A measured line takes the estimates of the edited pieces in place of what they measured.
    const bool unwrapped = isUnwrapped();
    int64_t extent = 0;
    for (int32_t index = edited.first; index <= edited.last; ++index)
        extent -= unwrapped ? widthOf(info, static_cast<size_t>(index)) : rowsOf(info, static_cast<size_t>(index));
    // The pieces before the edit stay as they are; those after it keep their layouts and
    // measures under their new indexes.
    const size_t first = static_cast<size_t>(edited.first);
    const size_t before = static_cast<size_t>(edited.last - edited.first + 1);
    const size_t after = edited.seams.size();
    for (std::vector<int32_t>* values : {&info.starts, &info.widths, &info.rows, &info.tabs}) {
        const auto at = values->begin() + static_cast<std::ptrdiff_t>(first);
        if (after > before)
            values->insert(at + static_cast<std::ptrdiff_t>(before), after - before, 0);
        else
            values->erase(at + static_cast<std::ptrdiff_t>(after), at + static_cast<std::ptrdiff_t>(before));
        std::fill_n(values->begin() + static_cast<std::ptrdiff_t>(first), after, values == &info.tabs ? -1 : 0);
    }
    std::copy(edited.seams.begin(), edited.seams.end(), info.starts.begin() + static_cast<std::ptrdiff_t>(first));
    for (size_t index = first + after; index < info.starts.size(); ++index)
        info.starts[index] += delta;
    info.length = length;
    if (tabs >= 0)
        info.tabs[first] = tabs;
    else
        countTabs(info, m_controller->getDocument().getLineStart(line));
    const int32_t moved = static_cast<int32_t>(after) - static_cast<int32_t>(before);
    for (int slot = 0; slot < SLOTS; ++slot) {
        IndexEntry& entry = m_index[slot];
        if (!entry.stamp || entry.line != line || entry.piece < edited.first)
            continue;
        if (entry.piece <= edited.last || entry.piece >= count)
            freeSlot(slot);
        else
            entry.piece += moved;
    }
    Entry& entry = m_entries[line];
    if (entry.sublines == 0)
        return;
    for (size_t index = first; index < first + after; ++index)
        extent += unwrapped ? widthOf(info, index) : rowsOf(info, index);
    auto clamped = [](int64_t value, int64_t low) {
        return static_cast<int32_t>(std::min<int64_t>(std::max(value, low), INT32_MAX / 2));
    };
    if (unwrapped) {
        entry.width = clamped(entry.width + extent, 0);
    } else {
        entry.sublines = clamped(entry.sublines + extent, 1);
        for (size_t index = first; index < first + after; ++index)
            entry.width = std::max(entry.width, std::min(widthOf(info, index), m_layout.getWrapWidth()));
    }
    noteWidth(entry.width);
}

void LineCache::settleSeams(int32_t lineStart, const LongLine& info, int32_t delta, int32_t changedFrom,
                            int32_t changedTo, EditedPieces& io_edited) {
    const std::vector<int32_t>& starts = info.starts;
    const int32_t count = static_cast<int32_t>(starts.size());
    const int32_t length = info.length + delta;
    std::vector<int32_t>& seams = io_edited.seams;
    auto endOf = [&](size_t index) { return index + 1 < seams.size() ? seams[index + 1] : io_edited.end; };
    // A piece edits left shorter than this joins a neighbour; one they made longer than a piece
    // can be when its seam is found (a slot then holds about a megabyte at most) is cut.
    const int32_t shortest = std::max(m_pieceLength / 16, 1);
    const int32_t longest = m_pieceLength + m_pieceLength / 8;
    for (size_t index = 0; index < seams.size();) {
        const int32_t at = seams[index];
        bool joins = false;
        if (at > 0 && (at == changedFrom || at == changedTo))
            joins = !m_controller->isCharacterStart(lineStart + at);
        if (!joins && endOf(index) - at >= shortest) {
            ++index;
        } else if (index > 0) {
            seams.erase(seams.begin() + static_cast<std::ptrdiff_t>(index));
        } else if (io_edited.first > 0) {
            // The piece before the edited ones takes this one in.
            seams[0] = starts[static_cast<size_t>(--io_edited.first)];
        } else if (seams.size() > 1) {
            seams.erase(seams.begin() + 1);
        } else if (io_edited.last + 1 < count) {
            // The line's first piece takes the one after it in.
            ++io_edited.last;
            const size_t next = static_cast<size_t>(io_edited.last + 1);
            io_edited.end = next < starts.size() ? starts[next] + delta : length;
        } else {
            break;
        }
    }
    for (size_t index = 0; index < seams.size(); ++index) {
        while (endOf(index) - seams[index] > longest) {
            const int32_t from = seams[index];
            const int32_t cut = seamNear(lineStart, from + (endOf(index) - from) / 2, from + 1);
            if (cut <= from || cut >= endOf(index))
                break;
            seams.insert(seams.begin() + static_cast<std::ptrdiff_t>(index + 1), cut);
        }
    }
}

void LineCache::forgetPieces(int32_t line, LongLine& info, size_t first, size_t last) {
    resetEntries(line, line);
    for (size_t index = first; index <= last && index < info.starts.size(); ++index)
        info.widths[index] = info.rows[index] = 0;
    for (int slot = 0; slot < SLOTS; ++slot) {
        const IndexEntry& entry = m_index[slot];
        if (entry.stamp && entry.line == line && static_cast<size_t>(entry.piece) >= first &&
            static_cast<size_t>(entry.piece) <= last)
            freeSlot(slot);
    }
}

bool LineCache::readHead(LongLine& info, int32_t lineStart) {
    const int32_t edge = std::min(info.length, EDGE);
    std::wstring text(static_cast<size_t>(edge), L'\0');
    m_controller->copyText(lineStart, edge, &text[0]);
    const int32_t indentation =
        pel::indentationWidth(text.c_str(), edge, std::max(m_controller->getTabWidth(), 1), false);
    const int32_t firstNonBlank = pel::leadingWhitespaceLength(text.c_str(), edge);
    const bool changed = indentation != info.indentation || firstNonBlank != info.firstNonBlank;
    info.indentation = indentation;
    info.firstNonBlank = firstNonBlank;
    return changed;
}

bool LineCache::readTail(LongLine& info, int32_t lineStart) {
    const int32_t edge = std::min(info.length, EDGE);
    std::wstring text(static_cast<size_t>(edge), L'\0');
    m_controller->copyText(lineStart + info.length - edge, edge, &text[0]);
    const int32_t lastNonBlankEnd = info.length - edge + pel::trailingWhitespaceStart(text.c_str(), edge);
    const bool changed = lastNonBlankEnd != info.lastNonBlankEnd;
    info.lastNonBlankEnd = lastNonBlankEnd;
    return changed;
}

} // namespace tessel
