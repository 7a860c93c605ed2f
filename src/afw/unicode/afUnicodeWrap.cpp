// Wrapping a laid-out line into sublines: runs are taken in logical order until one does not
// fit; the break search finds where the subline ends, and the run that holds that place is split
// there. Every subline takes at least one cluster, so a deep indentation or an early break can
// never stop the walk. Split runs go to a new list, so a long line costs linear time.

#include "afw/unicode/afUnicode.h"

#include <algorithm>

int afUnicode::rawWrapIndent(const afUnicodeData& data) const {
    int indent = m_continuationIndent ? 2 * m_spaceWidth : 0;
    if (m_keepIndentation && data.indentation > 0)
        indent += data.indentation * m_spaceWidth;
    return indent;
}

int afUnicode::cappedWrapIndent(int indent) const {
    // At least ten average characters stay beside the indent.
    return m_wrapEnabled ? std::max(0, std::min(indent, m_wrapWidth - 10 * m_averageCharWidth)) : indent;
}

int afUnicode::wrapIndent(const afUnicodeData& data) const {
    return cappedWrapIndent(rawWrapIndent(data));
}

int afUnicode::logicalWidth(afUnicodeData& data, int offset) {
    // The source runs lie in logical order; the walk mostly stays in one run or moves to the next.
    const std::vector<afUnicodeItem>& runs = data.items;
    int index = std::min(m_widthRun, static_cast<int>(runs.size()) - 1);
    if (offset < runs[index].first || offset >= runs[index].end()) {
        auto found = std::upper_bound(runs.begin(), runs.end(), offset,
                                      [](int at, const afUnicodeItem& run) { return at < run.first; });
        index = static_cast<int>(found - runs.begin()) - 1;
        m_widthRun = index;
    }
    fillLogicalWidths(data, data.items[index]);
    return data.logicalWidths[offset];
}

int afUnicode::findBreak(afUnicodeData& data, int from, int remaining, int available, int sublineStart) {
    const int length = data.laidLength;
    auto has = [&data](int offset, uint8_t bits) { return (data.logicalAttribute(offset) & bits) != 0; };
    int overflow = -1;
    for (int i = from; i < length; ++i) {
        remaining -= logicalWidth(data, i);
        if (remaining < 0) {
            overflow = i;
            break;
        }
    }
    // Logical widths may sum below the run's own width: what does not overflow fits.
    if (overflow < 0)
        return length;
    int found = -1, remembered = -1;
    if (has(overflow, AF_WHITE_SPACE)) {
        found = overflow;
    } else {
        int passed = 0;
        for (int i = overflow; i >= sublineStart; --i) {
            passed += logicalWidth(data, i);
            if (has(i, AF_SOFT_BREAK | AF_WHITE_SPACE | AF_WORD_STOP)) {
                found = i;
                break;
            }
            if (remembered < 0 && has(i, AF_CHARACTER_STOP))
                remembered = i;
            if (passed > available)
                break;
        }
        if (found < 0)
            found = remembered >= 0 ? remembered : overflow;
    }
    if (found <= sublineStart) {
        if (remembered > sublineStart)
            found = remembered;
        else if (overflow > sublineStart)
            found = overflow;
        else
            for (found = sublineStart + 1; found < length && !has(found, AF_CHARACTER_STOP); ++found) {
            }
    }
    // Never inside a character; blanks after the break stay on the upper subline.
    while (found < length && (!has(found, AF_CHARACTER_STOP) || has(found, AF_WHITE_SPACE)))
        ++found;
    return found;
}

int afUnicode::clusterAligned(const afUnicodeData& data, const afUnicodeItem& run, int at) const {
    while (at > run.first && at < run.end() && data.logClusters[at] == data.logClusters[at - 1])
        ++at;
    return at;
}

void afUnicode::splitRun(afUnicodeData& data, const afUnicodeItem& run, int at, afUnicodeItem& head,
                         afUnicodeItem& tail) {
    const int glyph = run.clusterBase + data.logClusters[at];
    head = run;
    tail = run;
    head.count = at - run.first;
    head.glyphCount = glyph - run.firstGlyph;
    head.analysis.fLinkAfter = 0;
    tail.first = at;
    tail.count = run.end() - at;
    tail.firstGlyph = glyph;
    tail.glyphCount = run.firstGlyph + run.glyphCount - glyph;
    tail.analysis.fLinkBefore = 0;
    head.width = 0;
    for (int i = run.first; i < at; ++i)
        head.width += logicalWidth(data, i);
    tail.width = run.width - head.width;
}

void afUnicode::wrap(afUnicodeData& data) {
    const int length = data.laidLength;
    const int indent = wrapIndent(data);
    m_wrapped.clear();
    m_pending.clear();
    m_widthRun = 0;
    data.sublineEnds.clear();
    data.sublineWidths.clear();
    // A piece of a long line after its first starts on a continuation row.
    int available = availableWidth(data, 0), used = 0, sublineStart = 0;
    size_t sublineFirst = 0, source = 0;

    auto endSubline = [&](int next) {
        int width = 0;
        for (size_t k = sublineFirst; k < m_wrapped.size(); ++k)
            width += m_wrapped[k].width;
        data.sublineWidths.push_back(width);
        data.sublineEnds.push_back(static_cast<int>(m_wrapped.size()) - 1);
        data.widestWidth = std::max(data.widestWidth, width);
        sublineFirst = m_wrapped.size();
        sublineStart = next;
        used = 0;
        available = m_wrapWidth - indent;
    };
    auto accept = [&](const afUnicodeItem& run) {
        m_wrapped.push_back(run);
        used += run.width;
    };

    afUnicodeItem run, head, tail;
    for (;;) {
        if (!m_pending.empty()) {
            run = m_pending.back();
            m_pending.pop_back();
        } else if (source < data.items.size()) {
            run = data.items[source++];
        } else {
            break;
        }
        if (run.kind == afUnicodeItem::LINE_END || used + run.width <= available) {
            accept(run);
            continue;
        }
        int at = findBreak(data, run.first, available - used, available, sublineStart);
        // A break at the end, in the line end or past this run splits nothing here.
        if (at >= length || data.text[at] == L'\r' || data.text[at] == L'\n' || at >= run.end()) {
            accept(run);
            continue;
        }
        if (at > run.first) {
            at = clusterAligned(data, run, at);
            if (at >= run.end()) {
                accept(run);
                continue;
            }
            splitRun(data, run, at, head, tail);
            accept(head);
            endSubline(at);
            m_pending.push_back(tail);
        } else if (at == run.first) {
            endSubline(at);
            m_pending.push_back(run);
        } else {
            // The break lies in a run this subline took already: what follows it goes back.
            m_pending.push_back(run);
            while (m_wrapped.size() > sublineFirst + 1 && m_wrapped.back().first >= at) {
                m_pending.push_back(m_wrapped.back());
                m_wrapped.pop_back();
            }
            afUnicodeItem& last = m_wrapped.back();
            at = clusterAligned(data, last, std::max(at, last.first + 1));
            if (at < last.end()) {
                const afUnicodeItem whole = last;
                splitRun(data, whole, at, head, tail);
                last = head;
                m_pending.push_back(tail);
            } else {
                at = last.end();
            }
            endSubline(at);
        }
    }
    if (sublineFirst < m_wrapped.size() || data.sublineEnds.empty())
        endSubline(length);
    data.items.assign(m_wrapped.begin(), m_wrapped.end());
}
