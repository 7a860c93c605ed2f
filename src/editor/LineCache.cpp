#include "editor/LineCache.h"

#include "afw/core/afLog.h"
#include "afw/unicode/afUnicode.h"
#include "pel/base/Exception.h"
#include "pel/text/WideString.h"
#include "service/document/Document.h"
#include "service/document/LineScopeIterator.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/LineRecord.h"

#include <algorithm>
#include <limits>

namespace tessel {

namespace {

// A string or vector holding far more than its content gives the rest back, so one long line
// does not pin its memory in a slot that now holds a short one.
template <class Container>
void trimToNeed(Container& container) {
    const size_t held = container.capacity() * sizeof(container[0]);
    const size_t needed = container.size() * sizeof(container[0]);
    if (held > 4 * needed + (1u << 20))
        Container(container.begin(), container.end()).swap(container);
}

template <class Container>
size_t heldBy(const Container& container) {
    return container.capacity() * sizeof(container[0]);
}

// The memory a record holds beyond its own size.
size_t recordBytes(const afUnicodeData& d) {
    return heldBy(d.text) + heldBy(d.attributes.entries) + heldBy(d.items) + heldBy(d.visualOrder) +
           heldBy(d.sublineEnds) + heldBy(d.sublineWidths) + heldBy(d.logAttrs) + heldBy(d.logClusters) +
           heldBy(d.logicalWidths) + heldBy(d.glyphs) + heldBy(d.visAttrs) + heldBy(d.offsets) + heldBy(d.advances);
}

// Empties the container, giving a large buffer back.
template <class Container>
void release(Container& container) {
    container.clear();
    trimToNeed(container);
}

} // namespace

LineCache::LineCache(afUnicode& layout)
    : m_layout(layout), m_layoutStep([&layout](afUnicodeData& data) { return layout.process(data); }),
      m_records(SLOTS) {}

LineCache::~LineCache() = default;

void LineCache::attachController(DocumentController* controller) {
    m_controller = controller;
    if (!controller)
        return;
    DocumentController::Lock lock(*controller, DocumentController::LOCK_READ);
    reset(controller->getLineCount());
}

void LineCache::reset(int32_t lineCount) {
    // Room to grow: the first line typed into a large document must not copy every entry.
    m_entries.assign(static_cast<size_t>(std::max(lineCount, 0)));
    m_long.clear();
    for (int slot = 0; slot < SLOTS; ++slot)
        freeSlot(slot);
}

void LineCache::setPieceLength(int32_t characters) {
    m_pieceLength = std::max(characters, 16);
    dropAll();
}

// ---- slots

int LineCache::acquireSlot(int32_t line, int32_t piece, bool& o_valid) {
    int victim = -1;
    bool victimFree = false;
    for (int slot = 0; slot < SLOTS; ++slot) {
        const IndexEntry& entry = m_index[slot];
        // Only a slot in use answers for its line: a freed slot's line word is stale.
        if (entry.stamp && entry.line == line && entry.piece == piece) {
            o_valid = true;
            touch(slot);
            return slot;
        }
        if (victimFree)
            continue;
        if (!entry.stamp) {
            victim = slot;
            victimFree = true;
        } else if (victim < 0 || entry.stamp < m_index[victim].stamp) {
            victim = slot;
        }
    }
    if (!victimFree)
        freeSlot(victim);
    m_index[victim].line = line;
    m_index[victim].piece = piece;
    o_valid = false;
    touch(victim);
    return victim;
}

void LineCache::touch(int slot) {
    m_index[slot].stamp = m_counter++;
    if (m_counter != 0)
        return;
    uint32_t smallest = std::numeric_limits<uint32_t>::max();
    uint32_t largest = 0;
    for (const IndexEntry& entry : m_index)
        if (entry.stamp) {
            smallest = std::min(smallest, entry.stamp);
            largest = std::max(largest, entry.stamp);
        }
    for (IndexEntry& entry : m_index)
        if (entry.stamp)
            entry.stamp -= smallest - 1;
    m_counter = largest - (smallest - 1) + 1;
}

void LineCache::freeSlot(int slot) {
    afUnicodeData& data = m_records[slot];
    release(data.text);
    release(data.attributes.entries);
    // The layout's own arrays too: a freed record of a long line must not keep its memory.
    release(data.items);
    release(data.visualOrder);
    release(data.sublineEnds);
    release(data.sublineWidths);
    release(data.logAttrs);
    release(data.logClusters);
    release(data.logicalWidths);
    release(data.glyphs);
    release(data.visAttrs);
    release(data.offsets);
    release(data.advances);
    data.lineLength = 0;
    data.indentation = 0;
    data.firstNonBlank = 0;
    data.lastNonBlankEnd = 0;
    data.highlightDirty = true;
    data.laidOut = false;
    m_index[slot].stamp = 0;
}

void LineCache::freeSlots(int32_t first, int32_t last) {
    for (int slot = 0; slot < SLOTS; ++slot)
        if (m_index[slot].stamp && m_index[slot].line >= first && m_index[slot].line <= last)
            freeSlot(slot);
}

void LineCache::resetEntries(int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, getLineCount() - 1);
    if (first <= last)
        m_entries.clear(static_cast<size_t>(first), static_cast<size_t>(last) + 1);
}

// ---- building

afUnicodeData* LineCache::getLayout(int32_t line) {
    return piece(line, 0).data;
}

afUnicodeData* LineCache::build(int32_t line, int32_t index, LongLine* info, int32_t rowX) {
    bool valid = false;
    const int slot = acquireSlot(line, index, valid);
    afUnicodeData& data = m_records[slot];
    // A record laid out at another x whose tabs would stand elsewhere here is laid out again.
    const bool cached =
        valid && data.laidOut && m_index[slot].styles == stylesNow() && !m_layout.tabsMoveAt(data, rowX);
    if (cached) {
        data.rowX = rowX;
    } else {
        ++m_builds;
        try {
            {
                DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
                fill(data, line, index, info);
                data.rowX = rowX;
                m_index[slot].styles = stylesNow();
            }
            if (!m_layoutStep(data))
                throw pel::IllegalStateException(L"Unicode processing failed.");
        } catch (...) {
            // A record that failed half way (no memory, say) must never be drawn or taken for
            // laid out: the next request builds again.
            freeSlot(slot);
            throw;
        }
        keepWithinBudget(slot);
    }
    if (info) {
        // A line measured from estimates takes what this piece measures.
        const int32_t width = std::max(data.widestWidth, 1);
        const int32_t rows = std::max(data.sublineCount(), 1);
        if (info->widths[index] != width || info->rows[index] != rows) {
            info->widths[index] = width;
            info->rows[index] = rows;
            if (m_entries[line].sublines != 0)
                measureLongLine(line, *info);
        }
        return &data;
    }
    if (cached)
        return &data;
    // A line measured from an earlier layout of other length takes this one's rows and width.
    Entry& entry = m_entries[line];
    if (entry.sublines != 0) {
        entry.sublines = std::max(data.sublineCount(), 1);
        entry.width = data.widestWidth;
    }
    noteWidth(data.widestWidth);
    return &data;
}

void LineCache::noteWidth(int32_t width) {
    const int32_t columns = width / std::max(m_layout.getAverageCharWidth(), 1);
    if (columns > m_widestColumns) {
        m_widestColumns = columns;
        if (m_widthListener)
            m_widthListener(columns);
    }
}

void LineCache::fill(afUnicodeData& data, int32_t line, int32_t piece, const LongLine* info) {
    Document& document = m_controller->getDocument();
    const int32_t start = info ? info->starts[piece] : 0;
    const int32_t length = info ? info->end(piece) - start : document.getLineLength(line);
    data.text.resize(static_cast<size_t>(length));
    if (length > 0)
        m_controller->copyText(document.getLineStart(line) + start, length, &data.text[0]);
    data.lineLength = length;
    data.rowX = 0;
    data.textBefore = start > 0;
    data.textAfter = start + length < (info ? info->length : length);
    data.characterBefore = 0;
    const wchar_t* text = data.text.c_str();
    if (info) {
        // A piece is drawn as part of its line: the line's indentation and blanks, not its own,
        // and its first word goes on from the characters before it.
        data.indentation = info->indentation;
        data.firstNonBlank = std::max(std::min(info->firstNonBlank - start, length), 0);
        data.lastNonBlankEnd = std::max(std::min(info->lastNonBlankEnd - start, length), 0);
        if (start > 0) {
            wchar_t before[2] = {};
            const int32_t units = std::min(start, 2);
            m_controller->copyText(document.getLineStart(line) + start - units, units, before);
            const wchar_t last = before[units - 1];
            data.characterBefore = units == 2 && pel::is_high_surrogate(before[0]) && pel::is_low_surrogate(last)
                                       ? pel::surrogatesToCodePoint(before[0], last)
                                       : last;
        }
    } else {
        data.indentation = pel::indentationWidth(text, length, std::max(m_controller->getTabWidth(), 1), false);
        data.firstNonBlank = pel::leadingWhitespaceLength(text, length);
        data.lastNonBlankEnd = pel::trailingWhitespaceStart(text, length);
    }
    data.highlightDirty = true;
    fillStyles(data, line, start);
}

void LineCache::fillStyles(afUnicodeData& data, int32_t line, int32_t start) {
    Document& document = m_controller->getDocument();
    DocumentStyler& styler = document.getStyler();
    DocumentScopeRegistry& registry = document.getScopeRegistry();
    const uint32_t length = static_cast<uint32_t>(data.text.size());
    const uint32_t first = static_cast<uint32_t>(start);
    const uint32_t lineEnd = first + length;
    std::vector<uint32_t>& entries = data.attributes.entries;
    entries.assign(length, 0);
    data.attributes.dirty = false;
    auto styleOf = [&](uint32_t scope) -> uint32_t {
        const DocumentScope* record = registry.get(scope);
        return record ? styler.getStyle(*record) : 0;
    };
    if (std::unique_ptr<LineScopeIterator> cursor = document.createLineScopeIterator(line)) {
        // The runs count columns of the whole line; a piece takes those that meet it.
        for (;;) {
            const uint32_t from = std::min(std::max(cursor->position, first), lineEnd);
            const uint32_t to = std::min(std::max(cursor->runEnd(lineEnd), from), lineEnd);
            if (to > from)
                std::fill(entries.begin() + (from - first), entries.begin() + (to - first), styleOf(cursor->scope));
            if (to >= lineEnd || !cursor->next())
                break;
        }
    }
    data.lineBackground = styler.styleAt(registry.root() ? styleOf(registry.root()->index()) : 0).background;
    const std::unique_ptr<LineRuns> runs = document.getLine(line);
    if (runs && runs->count > 0)
        data.lineBackground = styler.styleAt(styleOf(runs->runs[runs->count - 1].scope)).background;
}

uint32_t LineCache::stylesNow() const {
    return m_controller->getDocument().getStyler().getGeneration();
}

const LineCache::Entry& LineCache::getLineEntry(int32_t line) {
    Entry& entry = m_entries[line];
    if (entry.sublines != 0 || !m_controller)
        return entry;
    if (const LongLine* info = longLine(line))
        measureLongLine(line, *info);
    else if (const afUnicodeData* data = getLayout(line)) {
        entry.sublines = std::max(data->sublineCount(), 1);
        entry.width = data->widestWidth;
    }
    return m_entries[line];
}

// ---- drops and line moves

void LineCache::dropAll() {
    for (int slot = 0; slot < SLOTS; ++slot)
        freeSlot(slot);
    m_long.clear();
    m_entries.clear(0, m_entries.size());
}

bool LineCache::clampLines(int32_t& a, int32_t& b) const {
    const int32_t count = getLineCount();
    if (count == 0)
        return false;
    a = std::max(0, std::min(a, count - 1));
    b = std::max(0, std::min(b, count - 1));
    if (a > b)
        std::swap(a, b);
    return true;
}

void LineCache::dropLines(int32_t first, int32_t last) {
    if (!clampLines(first, last))
        return;
    freeSlots(first, last);
    resetEntries(first, last);
}

void LineCache::dropLinesUpTo(int32_t last) {
    if (getLineCount() == 0)
        return;
    last = std::max(0, std::min(last, getLineCount()));
    freeSlots(0, last);
    resetEntries(0, last - 1);
}

void LineCache::dropLinesFrom(int32_t first) {
    if (getLineCount() == 0)
        return;
    first = std::max(0, std::min(first, getLineCount()));
    freeSlots(first, std::numeric_limits<int32_t>::max());
    resetEntries(first, getLineCount() - 1);
}

void LineCache::markRedraw(int32_t a, int32_t b) {
    if (!clampLines(a, b))
        return;
    for (int slot = 0; slot < SLOTS; ++slot)
        if (m_index[slot].stamp && m_index[slot].line >= a && m_index[slot].line <= b)
            m_records[slot].highlightDirty = true;
}

bool LineCache::holdsCurrentLayouts(int32_t first, int32_t last) {
    if (!m_controller || !clampLines(first, last) || last - first >= SLOTS)
        return false;
    for (int32_t line = first; line <= last; ++line) {
        // Every piece of the line that is cached must still hold: a line none of whose pieces
        // are cached holds nothing to keep.
        bool held = false;
        for (int slot = 0; slot < SLOTS; ++slot) {
            if (!m_index[slot].stamp || m_index[slot].line != line)
                continue;
            if (!slotIsCurrent(slot))
                return false;
            held = true;
        }
        if (!held)
            return false;
    }
    return true;
}

bool LineCache::slotIsCurrent(int slot) {
    const IndexEntry& index = m_index[slot];
    const afUnicodeData& cached = m_records[slot];
    if (!cached.laidOut || index.styles != stylesNow())
        return false;
    {
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
        const int32_t length = m_controller->getDocument().getLineLength(index.line);
        const auto found = m_long.find(index.line);
        const LongLine* info = found != m_long.end() ? &found->second : nullptr;
        // An edit changes the length, mostly: no need to read the line again then.
        if (info ? info->length != length : length != cached.lineLength)
            return false;
        if (info && static_cast<size_t>(index.piece) >= info->starts.size())
            return false;
        fill(m_scratch, index.line, index.piece, info);
    }
    const std::vector<uint32_t>& now = m_scratch.attributes.entries;
    const std::vector<uint32_t>& laid = cached.attributes.entries;
    // Highlighters mark the bits above the style in the cached record; they keep their own.
    bool same = m_scratch.text == cached.text && m_scratch.lineLength == cached.lineLength &&
                m_scratch.characterBefore == cached.characterBefore &&
                m_scratch.lineBackground == cached.lineBackground && now.size() == laid.size();
    for (size_t i = 0; same && i < now.size(); ++i)
        same = ((now[i] ^ laid[i]) & LineAttributes::STYLE_MASK) == 0;
    trimToNeed(m_scratch.text);
    trimToNeed(m_scratch.attributes.entries);
    return same;
}

void LineCache::insertLines(int32_t index, int32_t count) {
    if (count <= 0)
        return;
    index = std::max(0, std::min(index, getLineCount()));
    if (index < getLineCount()) {
        // A long line told where the edit began (noteEdit) keeps the layouts of its pieces before
        // that place: longLine frees the others when it finds the pieces anew.
        const auto found = m_long.find(index);
        if (found != m_long.end() && found->second.unchangedBefore != INT32_MAX)
            resetEntries(index, index);
        else
            dropLines(index, index);
        for (IndexEntry& entry : m_index)
            if (entry.stamp && entry.line >= index + 1)
                entry.line += count;
        shiftLongLines(index + 1, count);
    }
    m_entries.insert(static_cast<size_t>(index), static_cast<size_t>(count));
}

void LineCache::removeLines(int32_t index, int32_t count) {
    if (count <= 0 || index < 0 || index >= getLineCount())
        return;
    count = std::min(count, getLineCount() - index);
    freeSlots(index, index + count);
    for (IndexEntry& entry : m_index)
        if (entry.stamp && entry.line > index + count)
            entry.line -= count;
    eraseLongLines(index + 1, index + count);
    shiftLongLines(index + count + 1, -count);
    m_entries.erase(static_cast<size_t>(index), static_cast<size_t>(count));
}

// ---- iterators

SubLineIterator LineCache::end() {
    const int32_t last = getLineCount() - 1;
    return {this, last, getSubLineCount(last, false)};
}

int32_t LineCache::getSubLineCount(int32_t line, bool defaultValue) {
    if (line < 0 || line >= getLineCount())
        return defaultValue ? 1 : 0;
    return getLineEntry(line).sublines;
}

bool LineCache::isUnwrapped() const {
    return !m_layout.isWrapEnabled();
}

int32_t LineCache::getDistance(const SubLineIterator& a, const SubLineIterator& b) {
    if (a == b)
        return 0;
    if (isUnwrapped())
        return b.line - a.line;
    const int32_t step = a < b ? 1 : -1;
    SubLineIterator at = a;
    int32_t distance = 0;
    while (at != b) {
        at.advance(step);
        distance += step;
    }
    return distance;
}

size_t LineCache::heldBytes() const {
    size_t bytes = sizeof(*this) + m_records.capacity() * sizeof(afUnicodeData);
    for (const afUnicodeData& d : m_records)
        bytes += recordBytes(d);
    return bytes;
}

// ---- the byte budget

std::pair<int32_t, int32_t> LineCache::piecesOnScreen(int32_t line, const Screen& screen) const {
    const std::pair<int32_t, int32_t> none(0, -1);
    if (screen.last < screen.first || line < screen.first || line > screen.last + 1)
        return none;
    const auto found = m_long.find(line);
    if (found == m_long.end())
        return {0, 0};
    // The rows of the line on screen (wrapped), or its x (unwrapped), and the pieces they meet
    // where the paint places them.
    const LongLine& info = found->second;
    const bool unwrapped = isUnwrapped();
    int64_t from = screen.left;
    int64_t to = screen.right;
    if (!unwrapped) {
        from = line == screen.first ? screen.top : 0;
        to = line == screen.last ? int64_t(screen.bottom) + 1 : line > screen.last ? 0 : INT64_MAX;
    }
    std::pair<int32_t, int32_t> pieces = none;
    int64_t at = 0;
    for (size_t index = 0; index < info.starts.size() && at <= to; ++index) {
        const int64_t end = at + (unwrapped ? widthOf(info, index) : rowsOf(info, index));
        if (end > from) {
            if (pieces.second < pieces.first)
                pieces.first = static_cast<int32_t>(index);
            pieces.second = static_cast<int32_t>(index);
        }
        at = end;
    }
    return pieces;
}

void LineCache::keepWithinBudget(int keep) {
    size_t held = heldBytes();
    if (held <= m_byteBudget)
        return;
    const Screen screen = m_screen ? m_screen() : Screen();
    // The pieces on screen, line by line: a long line shows a few of its pieces, and the others
    // give their memory back as those of any line off screen do.
    std::map<int32_t, std::pair<int32_t, int32_t>> shown;
    auto onScreen = [&](const IndexEntry& entry) {
        auto found = shown.find(entry.line);
        if (found == shown.end())
            found = shown.emplace(entry.line, piecesOnScreen(entry.line, screen)).first;
        return entry.piece >= found->second.first && entry.piece <= found->second.second;
    };
    // The record used just before this one stays too: its caller may still hold it while the
    // line it needed is laid out.
    int previous = -1;
    for (int slot = 0; slot < SLOTS; ++slot)
        if (slot != keep && m_index[slot].stamp && (previous < 0 || m_index[slot].stamp > m_index[previous].stamp))
            previous = slot;
    static const size_t emptyBytes = recordBytes(afUnicodeData());
    while (held > m_byteBudget) {
        // Buffers that free records kept for reuse go first, then the least recently used.
        int victim = -1;
        for (int slot = 0; slot < SLOTS && victim < 0; ++slot)
            if (!m_index[slot].stamp && recordBytes(m_records[slot]) > emptyBytes)
                victim = slot;
        for (int slot = 0; slot < SLOTS && (victim < 0 || m_index[victim].stamp); ++slot) {
            const IndexEntry& entry = m_index[slot];
            if (!entry.stamp || slot == keep || slot == previous || onScreen(entry))
                continue;
            if (victim < 0 || entry.stamp < m_index[victim].stamp)
                victim = slot;
        }
        if (victim < 0)
            return; // all that is left is on screen
        const size_t before = recordBytes(m_records[victim]);
        if (m_index[victim].stamp)
            freeSlot(victim);
        // Swapped out, not assigned: a string assigned a short one keeps its buffer.
        afUnicodeData emptied;
        std::swap(m_records[victim], emptied);
        held = held - before + recordBytes(m_records[victim]);
    }
}

} // namespace tessel
