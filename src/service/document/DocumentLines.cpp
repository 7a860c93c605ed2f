#include "service/document/Document.h"

#include "pel/base/Exception.h"
#include "service/document/DocumentListener.h"
#include "service/document/LineScopeIterator.h"
#include "service/document/search/ProbeHits.h"
#include "service/parser/base/DocumentScope.h"

#include <algorithm>

namespace tessel {

namespace {

bool inTable(const LineTable& lines, int32_t line) { return line >= 0 && line < lines.count(); }

} // namespace

int32_t Document::getLineLength(int32_t line) const {
    if (!inTable(m_lines, line))
        return 0;
    const int32_t withBreak = m_lines.end(line) - m_lines.start(line);
    return line < m_lines.count() - 1 ? withBreak - 1 : withBreak;
}

int32_t Document::getLineLengthWithBreak(int32_t line) const {
    return inTable(m_lines, line) ? m_lines.end(line) - m_lines.start(line) : 0;
}

LineHeader* Document::getLineHeader(int32_t line) {
    if (!inTable(m_lines, line))
        throw pel::InvalidArgumentException(L"Cannot get line header for line and chunk specified.");
    return &m_lines.header(line);
}

std::unique_ptr<LineRuns> Document::getLine(int32_t line) const {
    if (!inTable(m_lines, line))
        throw pel::IllegalStateException(L"Invalid line requested.");
    const void* record = m_lines.header(line).parsedLine;
    return record ? std::make_unique<LineRuns>(lineRecordRuns(record)) : nullptr;
}

std::unique_ptr<LineScopeIterator> Document::createLineScopeIterator(int32_t line) const {
    const LineRuns runs = inTable(m_lines, line) ? lineRecordRuns(m_lines.header(line).parsedLine) : LineRuns();
    auto cursor = std::make_unique<LineScopeIterator>();
    if (runs.count > 0) {
        cursor->runs = runs.runs;
        cursor->count = runs.count;
        cursor->scope = runs.runs[0].scope;
        return cursor;
    }
    const DocumentScope* root = m_scopeRegistry->root();
    if (!root)
        return nullptr;
    cursor->scope = root->index();
    return cursor;
}

const DocumentScope* Document::getScopeAt(int32_t offset) const {
    const int32_t line = m_lines.findLine(offset);
    const int64_t column = int64_t(offset) - m_lines.start(line);
    const LineRuns runs = lineRecordRuns(m_lines.header(line).parsedLine);
    const ScopeRun* found = nullptr;
    for (uint32_t i = 0; i < runs.count && runs.runs[i].column <= column; ++i)
        found = &runs.runs[i];
    const DocumentScope* scope = found ? m_scopeRegistry->get(found->scope) : nullptr;
    return scope ? scope : m_scopeRegistry->root();
}

int32_t Document::getVisualColumn(int32_t line, int32_t charIndex) const {
    if (charIndex < 1)
        return 0;
    int32_t tabWidth;
    {
        pel::ScopedLock<pel::Mutex_Impl> guard(m_formatLock);
        tabWidth = std::max(1, m_format.indentation.size);
    }
    const int32_t counted = std::min(charIndex, getLineLength(line));
    // A column depends on every tab before it, so the line is walked from its start, but in
    // place and by a vectorised search from tab to tab: a line may be many megabytes long.
    int32_t column = 0;
    ProbeUnits tab;
    tab.units[0] = tab.units[1] = tab.units[2] = tab.units[3] = L'\t';
    const ProbeHits tabs(tab, tab);
    gap_buffer_read(m_buffer, m_lines.start(line), counted, [&](const wchar_t* base, int32_t first, int32_t last) {
        int32_t from = first; // the first unit not counted yet
        ProbeHits::Block block;
        for (int32_t place = first; place <= last && tabs.forward(base, place, last, &block);
             place = block.place + ProbeHits::PLACES)
            for (uint64_t bits = block.bits; bits; bits &= bits - 1) {
                const int32_t at = block.place + __builtin_ctzll(bits);
                column = ((column + (at - from)) / tabWidth + 1) * tabWidth;
                from = at + 1;
            }
        column += last + 1 - from;
    });
    return column + (charIndex - counted);
}

int32_t Document::scanLines(const LineScan& scan) const {
    const int32_t last = std::min(m_lines.count(), SCAN_LINES);
    GapBufferText text;
    for (int32_t line = 0; line <= last; ++line) {
        const int32_t start = m_lines.start(line);
        gap_buffer_extract(&text, start, getLineLength(line), m_buffer);
        if (!scan(line, start, text.text(), text.count()))
            return line;
    }
    return last + 1;
}

void Document::setLineMarker(int32_t line, const wchar_t* text, uint32_t value, uint32_t kind) {
    if (!inTable(m_lines, line))
        return;
    LineHeader& header = m_lines.header(line);
    if (!header.markers)
        header.markers = new std::vector<LineMarker>();
    header.markers->push_back(LineMarker{kind, value, text ? text : L""});
    notify([&](DocumentListener& listener) { listener.onLineMarkersChanged(*this, line, 1); });
}

void Document::removeLineMarkers(int32_t line, uint32_t kind) {
    if (!inTable(m_lines, line))
        return;
    std::vector<LineMarker>* markers = m_lines.header(line).markers;
    if (!markers)
        return;
    const size_t before = markers->size();
    markers->erase(std::remove_if(markers->begin(), markers->end(),
                                  [kind](const LineMarker& marker) { return marker.kind == kind; }),
                   markers->end());
    if (markers->size() != before)
        notify([&](DocumentListener& listener) { listener.onLineMarkersChanged(*this, line, 1); });
}

void Document::removeAllLineMarkers(uint32_t kind) {
    for (int32_t line = 0; line < m_lines.count(); ++line)
        removeLineMarkers(line, kind);
}

const std::vector<LineMarker>* Document::getLineMarkers(int32_t line) const {
    return inTable(m_lines, line) ? m_lines.header(line).markers : nullptr;
}

int32_t Document::findMarkedLine(int32_t line, bool forward, bool wrap) const {
    const int32_t count = m_lines.count();
    const auto marked = [&](int32_t at) {
        const std::vector<LineMarker>* markers = m_lines.header(at).markers;
        return markers && !markers->empty();
    };
    const auto search = [&](int32_t from) {
        if (forward) {
            for (int32_t at = std::max(from, -1) + 1; at < count; ++at)
                if (marked(at))
                    return at;
        } else {
            for (int32_t at = std::min(from, count) - 1; at >= 0; --at)
                if (marked(at))
                    return at;
        }
        return -1;
    };
    const int32_t found = search(line);
    return found >= 0 || !wrap ? found : search(forward ? -1 : count);
}

} // namespace tessel
