// Queries on a laid-out line: caret offsets to x and back (with virtual columns past the end),
// sublines and their bounds, character and word stops. A record that is not laid out answers
// as an empty line; offsets past the laid-out part answer as at its end.

#include "afw/core/afLog.h"
#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "afw/unicode/afUnicode.h"

#include <algorithm>
#include <cstdlib>

int afUnicode::lengthOf(const afUnicodeData& data) {
    return data.laidOut ? std::max(0, std::min(data.lineLength, data.laidLength)) : 0;
}

void afUnicode::sublineRuns(const afUnicodeData& data, int subline, int& first, int& last) {
    if (!data.laidOut || subline < 0 || subline >= data.sublineCount()) {
        first = 0;
        last = -1;
        return;
    }
    first = subline == 0 ? 0 : data.sublineEnds[subline - 1] + 1;
    last = data.sublineEnds[subline];
}

int afUnicode::xToColumns(int x) const {
    if (x < 0)
        return -xToColumns(-x);
    return x / m_spaceWidth + (2 * (x % m_spaceWidth) > m_spaceWidth ? 1 : 0);
}

int afUnicode::runX(const afUnicodeData& data, const afUnicodeItem& run, int offset, bool trailing) const {
    int x = 0;
    if (offset >= run.count) {
        // The run's logical end: its right edge, or its left one when it runs right to left.
        x = run.width;
    } else if (run.kind != afUnicodeItem::TEXT || run.glyphCount == 0) {
        x = trailing ? run.width : 0;
    } else if (FAILED(afUniscribe().cpToX(offset, trailing, run.count, run.glyphCount,
                                          data.logClusters.data() + run.first, data.visAttrs.data() + run.firstGlyph,
                                          data.advances.data() + run.firstGlyph, &run.analysis, &x))) {
        x = 0;
    }
    // Right-to-left glyphs in logical order measure from the run's right end.
    return run.rightToLeft() ? run.width - x : x;
}

namespace {

// The visual index of the range's last run that is not a line end; last when all are.
int lastDrawnRun(const afUnicodeData& data, int first, int last) {
    int v = last;
    while (v > first && data.items[data.visualOrder[v]].kind == afUnicodeItem::LINE_END)
        --v;
    return v;
}

} // namespace

int afUnicode::caretX(const afUnicodeData& data, int offset, bool trailing, bool bySubline, int& subline) const {
    subline = 0;
    if (!data.laidOut || data.items.empty())
        return 0;
    int at = offset - (trailing ? 1 : 0);
    if (at < 0) {
        at = 0;
        trailing = false;
    }
    // Past every run: the logical end of the last subline's last drawn run.
    const int count = data.sublineCount();
    const int lastVisual = lastDrawnRun(data, count > 1 ? data.sublineEnds[count - 2] + 1 : 0, data.sublineEnds.back());
    int first = 0, sum = 0;
    for (int k = 0; k < count; ++k) {
        if (bySubline)
            sum = 0;
        for (int v = first; v <= data.sublineEnds[k]; ++v) {
            const afUnicodeItem& run = data.items[data.visualOrder[v]];
            const bool inside = at >= run.first && at < run.end();
            if (inside || v == lastVisual) {
                subline = k;
                return (bySubline ? sublineOrigin(data, k) : 0) + sum +
                       runX(data, run, inside ? at - run.first : run.count, trailing);
            }
            sum += run.width;
        }
        first = data.sublineEnds[k] + 1;
    }
    return 0;
}

int afUnicode::getX(const afUnicodeData& data, int offset, bool trailing, int extraColumns) const {
    int subline;
    return caretX(data, offset, trailing, false, subline) + columnsToX(extraColumns);
}

int afUnicode::getSublineX(const afUnicodeData& data, int offset, bool trailing, int extraColumns,
                           int& subline) const {
    return caretX(data, offset, trailing, true, subline) + columnsToX(extraColumns);
}

int afUnicode::getOffsetFromXRange(const afUnicodeData& data, int firstVisual, int lastVisual, int x,
                                   bool isLastSubline, bool& trailing, int& extraColumns) const {
    trailing = false;
    extraColumns = 0;
    const int length = lengthOf(data);
    int width = 0, end = 0;
    if (data.laidOut)
        for (int v = firstVisual; v <= lastVisual; ++v) {
            const afUnicodeItem& run = data.items[data.visualOrder[v]];
            width += run.width;
            if (run.kind != afUnicodeItem::LINE_END)
                end = std::max(end, run.end());
        }
    if (x >= width || !data.laidOut || lastVisual < firstVisual) {
        trailing = true;
        if (!isLastSubline)
            return std::min(end, length);
        extraColumns = xToColumns(std::max(x - width, 0));
        return length;
    }
    if (x < 0) {
        const afUnicodeItem& run = data.items[data.visualOrder[firstVisual]];
        trailing = run.rightToLeft();
        return run.first;
    }
    int sum = 0;
    for (int v = firstVisual; v <= lastVisual; ++v) {
        const afUnicodeItem& run = data.items[data.visualOrder[v]];
        if (sum + run.width <= x) {
            sum += run.width;
            continue;
        }
        const int inRun = run.rightToLeft() ? run.width - (x - sum) : x - sum;
        int character = 0, after = 0;
        if (run.kind != afUnicodeItem::TEXT || run.glyphCount == 0) {
            after = 2 * inRun >= run.width ? run.count : 0;
        } else if (FAILED(afUniscribe().xToCP(inRun, run.count, run.glyphCount, data.logClusters.data() + run.first,
                                              data.visAttrs.data() + run.firstGlyph,
                                              data.advances.data() + run.firstGlyph, &run.analysis, &character,
                                              &after))) {
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                            L"afUnicode::getOffsetFromXRange(): Converting X to offset failed.\n");
            return -1;
        }
        int offset = std::min(std::min(run.first + std::max(character, 0) + std::max(after, 0), run.end()), length);
        trailing = after > 0;
        // A character drawn as several glyphs (emoji a font cannot join, a pair no font has) is
        // hit as a whole: the point goes to whichever of its ends is nearer.
        if (offset > 0 && offset < length && !(data.logicalAttribute(offset) & AF_CHARACTER_STOP)) {
            const int before = std::max(findStop(data, offset, false, false), 0);
            const int after = findStop(data, offset, true, false);
            const auto xIn = [&](int at) {
                return runX(data, run, std::max(0, std::min(at - run.first, run.count)), false);
            };
            const int point = x - sum;
            offset = std::abs(point - xIn(before)) < std::abs(xIn(after) - point) ? before : after;
            trailing = offset == after;
        }
        return offset;
    }
    trailing = true;
    return std::min(end, length);
}

int afUnicode::getOffsetFromX(const afUnicodeData& data, int x, bool& trailing, int& extraColumns) const {
    return getOffsetFromXRange(data, 0, static_cast<int>(data.visualOrder.size()) - 1, x, true, trailing,
                               extraColumns);
}

int afUnicode::getSublineOffsetFromX(const afUnicodeData& data, int subline, int x, bool& trailing,
                                     int& extraColumns) const {
    int first, last;
    sublineRuns(data, subline, first, last);
    return getOffsetFromXRange(data, first, last, x - sublineOrigin(data, subline),
                               subline >= data.sublineCount() - 1, trailing, extraColumns);
}

int afUnicode::sublineStart(const afUnicodeData& data, int subline) const {
    int first, last;
    sublineRuns(data, subline, first, last);
    return last >= first ? data.items[first].first : 0;
}

int afUnicode::sublineEnd(const afUnicodeData& data, int subline, bool& wrapped) const {
    int first, last;
    sublineRuns(data, subline, first, last);
    wrapped = false;
    if (last < first)
        return 0;
    if (data.items[last].kind == afUnicodeItem::LINE_END) {
        while (last > first && data.items[last - 1].kind == afUnicodeItem::LINE_END)
            --last;
        return data.items[last].first;
    }
    // Only a subline that another follows ends where the line wrapped.
    wrapped = subline < data.sublineCount() - 1;
    return data.items[last].end();
}

int afUnicode::sublineOf(const afUnicodeData& data, int offset, bool trailing) const {
    const int count = data.sublineCount();
    if (!data.laidOut || count <= 1)
        return 0;
    const int at = std::max(offset - (trailing ? 1 : 0), 0);
    // The last subline that starts at or before the offset.
    int low = 0, high = count - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (sublineStart(data, middle) <= at)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

bool afUnicode::continuesRow(const afUnicodeData& data, int subline) const {
    return subline > 0 || (data.textBefore && m_wrapEnabled);
}

int afUnicode::sublineOrigin(const afUnicodeData& data, int subline) const {
    return continuesRow(data, subline) ? wrapIndent(data) : 0;
}

int afUnicode::availableWidth(const afUnicodeData& data, int subline) const {
    return continuesRow(data, subline) ? m_wrapWidth - wrapIndent(data) : m_wrapWidth;
}

int afUnicode::findStop(const afUnicodeData& data, int offset, bool forward, bool wordStops) const {
    const int length = lengthOf(data);
    const uint8_t stop = wordStops ? AF_WORD_STOP : AF_CHARACTER_STOP;
    if (forward) {
        if (offset >= length)
            return offset;
        for (int i = std::max(offset + 1, 0); i < length; ++i)
            if (data.logicalAttribute(i) & stop)
                return i;
        return length;
    }
    // From the line's end (or past it) the previous stop is the last character's.
    for (int i = std::min(offset, length) - 1; i >= 0; --i)
        if (data.logicalAttribute(i) & stop)
            return i;
    return -1;
}

void afUnicode::getGlyphRange(const afUnicodeData& data, const afUnicodeItem& run, int a, int b, int& firstGlyph,
                              int& lastGlyph) const {
    firstGlyph = run.firstGlyph + data.logClusters[a];
    lastGlyph = b < run.end() ? run.firstGlyph + data.logClusters[b] - 1
                              : run.firstGlyph + data.logClusters[run.first] - 1 + run.glyphCount;
}
