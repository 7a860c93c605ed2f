#include "afw/unicode/afUnicodeRenderer.h"

#include "afw/graphics/afCanvas.h"
#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "afw/unicode/afFontSet.h"
#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeColour.h"
#include "afw/unicode/afUnicodeText.h"

#include <algorithm>
#include <cstring>

struct afUnicodeRenderer::Band {
    int visibleLeft; // what ends left of it is not drawn: the clip's left edge, less a line height for overhangs
    int clipRight;   // what starts at or beyond it is not drawn
    int top;
    int bottom;
    int lineHeight;
    float line[4]; // the line's background with the overlay laid over it
};

namespace {

// Walks the clusters of a run at `left` that the band shows, in logical order, with the x of
// each from the run's logical start (the sum of the advances of the glyphs before it). It starts
// at the first cluster that ends inside the band, found by summing advances, not by walking
// characters, and is over once past the band.
class ClusterWalk {
public:
    ClusterWalk(const afUnicodeData& data, const afUnicodeItem& run, int left, int visibleLeft, int clipRight)
        : m_data(data), m_run(run), character(run.first), glyph(run.firstGlyph) {
        const int from = run.rightToLeft() ? left + run.width - clipRight : visibleLeft - left;
        m_to = run.rightToLeft() ? left + run.width - visibleLeft : clipRight - left;
        seek(from);
    }

    bool visible() const { return character < m_run.end() && x < m_to; }

    void next() {
        int end = character + 1;
        const WORD cluster = m_data.logClusters[character];
        while (end < m_run.end() && m_data.logClusters[end] == cluster)
            ++end;
        const int glyphEnd = end < m_run.end() ? m_run.firstGlyph + m_data.logClusters[end]
                                               : m_run.firstGlyph + m_run.glyphCount;
        for (; glyph < glyphEnd; ++glyph)
            x += m_data.advances[glyph];
        character = end;
    }

private:
    void seek(int from) {
        const int glyphEnd = m_run.firstGlyph + m_run.glyphCount;
        int at = glyph, sum = x;
        while (at < glyphEnd && sum + m_data.advances[at] <= from)
            sum += m_data.advances[at++];
        if (at >= glyphEnd) {
            character = m_run.end();
            glyph = glyphEnd;
            x = sum;
            return;
        }
        // The cluster holding glyph `at` starts at the first character mapped to its first glyph.
        const WORD* clusters = m_data.logClusters.data();
        const WORD relative = static_cast<WORD>(at - m_run.firstGlyph);
        const WORD* last = std::upper_bound(clusters + character, clusters + m_run.end(), relative) - 1;
        const WORD* first = std::lower_bound(clusters + character, last + 1, *last);
        const int start = m_run.firstGlyph + *first;
        for (int k = start; k < at; ++k)
            sum -= m_data.advances[k];
        character = static_cast<int>(first - clusters);
        glyph = start;
        x = sum;
    }

    const afUnicodeData& m_data;
    const afUnicodeItem& m_run;
    int m_to = 0;

public:
    int character; // the current cluster's first character
    int glyph;     // its first glyph
    int x = 0;
};

// Calls draw(run, x) for each run of the subline's visual order [first, last] from `origin` on
// that ends right of visibleLeft, up to the first that starts at or beyond clipRight.
template <class Draw>
void eachShownRun(const afUnicodeData& data, int first, int last, int origin, int visibleLeft, int clipRight,
                  Draw draw) {
    for (int v = first, x = origin; v <= last && x < clipRight; ++v) {
        const afUnicodeItem& run = data.items[data.visualOrder[v]];
        if (x + run.width > visibleLeft)
            draw(run, x);
        x += run.width;
    }
}

// A group [start, end) of a run's logical x on the canvas.
RECT groupBox(const afUnicodeItem& run, int left, int start, int end, int top, int bottom) {
    return run.rightToLeft() ? RECT{left + run.width - end, top, left + run.width - start, bottom}
                             : RECT{left + start, top, left + end, bottom};
}

} // namespace

afUnicodeRenderer::afUnicodeRenderer(afUnicode& engine) : m_engine(engine) {}

void afUnicodeRenderer::setPaintColours(const float (&colours)[AF_PAINT_COLOURS * 4]) {
    std::memcpy(m_colours, colours, sizeof m_colours);
}

void afUnicodeRenderer::setWhitespaceMarks(bool leading, bool inner, bool trailing) {
    m_marks = leading || inner || trailing;
    m_marksLeading = leading;
    m_marksInner = inner;
    m_marksTrailing = trailing;
}

COLORREF afUnicodeRenderer::paint(int index) const {
    return rgba4ToColorRef(m_colours[index]);
}

void afUnicodeRenderer::drawSubline(afCanvas& canvas, const afUnicodeData& data, int subline, const RECT& rect,
                                    const RECT& clip, const float (&overlay)[4], bool drawText) {
    Band band;
    band.lineHeight = m_engine.getLineHeight();
    band.visibleLeft = clip.left - band.lineHeight;
    band.clipRight = clip.right;
    band.top = rect.top;
    band.bottom = rect.bottom;
    if (data.laidOut)
        rgbaToFloat4(data.lineBackground, band.line);
    else
        std::memcpy(band.line, m_colours[AF_PAINT_BACKGROUND], sizeof band.line);
    blendColour(band.line, overlay, overlay[3]);
    canvas.fillRect(rect, rgba4ToColorRef(band.line));

    int first, last;
    afUnicode::sublineRuns(data, subline, first, last);
    const int origin = rect.left + m_engine.sublineOrigin(data, subline);
    eachShownRun(data, first, last, origin, band.visibleLeft, band.clipRight,
                 [&](const afUnicodeItem& run, int x) { drawFills(canvas, data, run, x, band); });
    if (data.laidOut && subline == data.sublineCount() - 1)
        drawVirtualSpace(canvas, data, subline, origin + data.sublineWidths[subline], band);
    drawGuides(canvas, data, subline, rect, band);
    if (!drawText || last < first)
        return;

    // Glyphs go where the layout put them, whatever alignment the DC came with.
    HDC dc = canvas.getDC();
    const int previousMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColour = ::GetTextColor(dc);
    const UINT previousAlign = ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    // A control box reaches a pixel into each neighbour's cell: all of them are filled before any
    // text goes on, so that no box covers the edge of the code or the glyph beside it (two NULs
    // would read "0C00").
    eachShownRun(data, first, last, origin, band.visibleLeft, band.clipRight, [&](const afUnicodeItem& run, int x) {
        if (run.kind == afUnicodeItem::CONTROL)
            drawControlBox(canvas, run, x, band.top);
    });
    eachShownRun(data, first, last, origin, band.visibleLeft, band.clipRight, [&](const afUnicodeItem& run, int x) {
        if (run.kind == afUnicodeItem::TEXT)
            drawTextRun(canvas, data, run, x, band.top, band);
        else if (run.kind == afUnicodeItem::TAB && marksAt(data, run.first))
            drawTab(canvas, x, x + run.width, band.top);
        else if (run.kind == afUnicodeItem::CONTROL)
            drawControlCode(canvas, data, run, x, band.top);
    });
    ::SetTextAlign(dc, previousAlign);
    ::SetTextColor(dc, previousColour);
    ::SetBkMode(dc, previousMode);
}

void afUnicodeRenderer::fillsOf(const afUnicodeData& data, uint32_t entry, const float (&line)[4], COLORREF& main,
                                COLORREF& inner) {
    const afUnicodeStyle& style = m_engine.styleFor(static_cast<uint16_t>(entry & tessel::LineAttributes::STYLE_MASK));
    const uint32_t mask = (entry >> tessel::LineAttributes::RANGE_SHIFT) & 0x1F;
    const uint32_t innerMask = (entry >> tessel::LineAttributes::POSITION_SHIFT) & 0x1F;
    // A style background that is transparent or the line's own leaves the line's (and the
    // overlay laid over it) to show.
    const bool own = (style.background >> 24) != 0 && style.background != data.lineBackground;
    float base[4];
    if (own)
        rgbaToFloat4(style.background, base);
    else
        std::memcpy(base, line, sizeof base);
    auto layered = [&](uint32_t slotMask) {
        const tessel::HighlightStyle& slot = m_engine.blendSlot(slotMask);
        float colour[4];
        std::memcpy(colour, base, sizeof colour);
        blendColour(colour, slot.background, slot.background[3]);
        return rgba4ToColorRef(colour);
    };
    main = mask ? layered(mask) : own ? rgba4ToColorRef(base) : CLR_INVALID;
    inner = innerMask ? layered(innerMask) : CLR_INVALID;
}

void afUnicodeRenderer::drawFills(afCanvas& canvas, const afUnicodeData& data, const afUnicodeItem& run, int left,
                                  const Band& band) {
    ClusterWalk walk(data, run, left, band.visibleLeft, band.clipRight);
    const std::vector<uint32_t>& entries = data.attributes.entries;
    uint32_t known = 0;
    bool seen = false;
    COLORREF main = CLR_INVALID, inner = CLR_INVALID;
    auto fillsAt = [&](int character) {
        if (!seen || entries[character] != known) {
            seen = true;
            known = entries[character];
            fillsOf(data, known, band.line, main, inner);
        }
    };
    while (walk.visible()) {
        fillsAt(walk.character);
        const COLORREF groupMain = main, groupInner = inner;
        const int start = walk.x;
        do {
            walk.next();
            if (!walk.visible())
                break;
            fillsAt(walk.character);
        } while (main == groupMain && inner == groupInner);
        const RECT box = groupBox(run, left, start, walk.x, band.top, band.bottom);
        if (groupMain != CLR_INVALID)
            canvas.fillRect(box, groupMain);
        if (groupInner != CLR_INVALID) {
            // The inner fill leaves the group's leading edge two pixels of the main fill.
            RECT innerBox = box;
            (run.rightToLeft() ? innerBox.right : innerBox.left) += run.rightToLeft() ? -2 : 2;
            if (innerBox.right > innerBox.left)
                canvas.fillRect(innerBox, groupInner);
        }
    }
}

void afUnicodeRenderer::drawVirtualSpace(afCanvas& canvas, const afUnicodeData& data, int subline, int left,
                                         const Band& band) {
    const std::vector<uint32_t>& entries = data.attributes.entries;
    const int space = m_engine.getSpaceWidth();
    size_t index = data.text.size();
    int x = left;
    if (x + space <= band.visibleLeft) {
        const int skipped = (band.visibleLeft - x) / space;
        index += skipped;
        x += skipped * space;
    }
    for (; index < entries.size() && x < band.clipRight; ++index, x += space) {
        COLORREF main, inner;
        fillsOf(data, entries[index], band.line, main, inner);
        const RECT box = {x, band.top, x + space, band.bottom};
        if (main != CLR_INVALID)
            canvas.fillRect(box, main);
        if (inner != CLR_INVALID && space > 2)
            canvas.fillRect({x + 2, band.top, x + space, band.bottom}, inner);
    }
}

void afUnicodeRenderer::drawGuides(afCanvas& canvas, const afUnicodeData& data, int subline, const RECT& rect,
                                   const Band& band) {
    const int space = m_engine.getSpaceWidth();
    const int lineLeft = rect.left - data.rowX;
    if (m_rightMargin > 0 && lineLeft + m_rightMargin < band.clipRight && lineLeft + m_rightMargin >= rect.left) {
        const int x = lineLeft + m_rightMargin;
        canvas.drawLine(x, band.top, x, band.bottom, paint(AF_PAINT_MARGIN));
    }
    const int tabSize = m_engine.getTabSize();
    const bool continuation = m_engine.continuesRow(data, subline);
    if (m_indentGuides && tabSize >= 1 && data.indentation > 0 && (!continuation || m_engine.getKeepIndentation())) {
        const COLORREF colour = paint(AF_PAINT_GUIDES);
        for (int column = 0; column < data.indentation; column += tabSize) {
            const int x = lineLeft + column * space;
            if (x >= band.clipRight)
                break;
            if (x >= band.visibleLeft && x >= rect.left)
                canvas.drawLine(x, band.top, x, band.bottom, colour);
        }
    }
    if (m_engine.getContinuationIndent() && continuation) {
        // In the continuation's own room, left of where the subline's text starts.
        const int x = rect.left + std::max(0, m_engine.sublineOrigin(data, subline) - 2 * space) + space;
        const COLORREF colour = paint(AF_PAINT_WRAP);
        if (subline == data.sublineCount() - 1 && !data.textAfter) {
            const int middle = band.top + band.lineHeight / 2;
            canvas.drawLine(x, band.top, x, middle, colour);
            canvas.drawLine(x, middle, x + space, middle, colour);
        } else {
            canvas.drawLine(x, band.top, x, band.bottom, colour);
        }
    }
}

void afUnicodeRenderer::drawTextRun(afCanvas& canvas, const afUnicodeData& data, const afUnicodeItem& run, int x,
                                    int y, const Band& band) {
    HDC dc = canvas.getDC();
    canvas.selectFont(run.font->font);
    const int glyphY = y + m_engine.glyphTop(*run.font);
    const bool rightToLeft = run.rightToLeft();
    // A right-to-left run is drawn from its right edge.
    const UINT previousAlign = rightToLeft ? ::SetTextAlign(dc, TA_RIGHT) : 0;
    ClusterWalk walk(data, run, x, band.visibleLeft, band.clipRight);
    const std::vector<uint32_t>& entries = data.attributes.entries;
    uint32_t known = 0;
    bool seen = false;
    COLORREF colour = 0;
    uint16_t flags = 0;
    auto lookAt = [&](int character) {
        if (seen && entries[character] == known)
            return;
        seen = true;
        known = entries[character];
        const afUnicodeStyle& style = m_engine.styleFor(static_cast<uint16_t>(known & tessel::LineAttributes::STYLE_MASK));
        float foreground[4];
        rgbaToFloat4(style.foreground, foreground);
        flags = style.flags & ~afUnicodeStyle::VARIANT_MASK;
        if (const uint32_t mask = (known >> tessel::LineAttributes::RANGE_SHIFT) & 0x1F) {
            const tessel::HighlightStyle& slot = m_engine.blendSlot(mask);
            blendColour(foreground, slot.foreground, slot.foreground[3]);
            flags |= slot.flags;
        }
        colour = rgba4ToColorRef(foreground);
    };
    const afUniscribeApi& uniscribe = afUniscribe();
    while (walk.visible()) {
        lookAt(walk.character);
        const COLORREF groupColour = colour;
        const uint16_t groupFlags = flags;
        const int start = walk.x, firstGlyph = walk.glyph;
        int space = -1, spaceX = 0;
        for (;;) {
            const int character = walk.character, before = walk.x;
            walk.next();
            if (m_marks && data.text[character] == L' ') {
                space = character;
                spaceX = before;
                break;
            }
            if (!walk.visible())
                break;
            lookAt(walk.character);
            if (colour != groupColour || flags != groupFlags)
                break;
        }
        ::SetTextColor(dc, groupColour);
        const int drawX = rightToLeft ? x + run.width - start : x + start;
        uniscribe.textOut(dc, &run.font->cache, drawX, glyphY, 0, nullptr, &run.analysis, nullptr, 0,
                          data.glyphs.data() + firstGlyph, walk.glyph - firstGlyph, data.advances.data() + firstGlyph,
                          nullptr, data.offsets.data() + firstGlyph);
        if (space >= 0 && marksAt(data, space)) {
            const RECT cell = groupBox(run, x, spaceX, walk.x, band.top, band.bottom);
            drawSpaceMark(canvas, cell.left, cell.right - cell.left, band.top);
        }
    }
    if (rightToLeft)
        ::SetTextAlign(dc, previousAlign);
}

void afUnicodeRenderer::drawTab(afCanvas& canvas, int left, int right, int top) {
    HDC dc = canvas.getDC();
    const int middle = top + m_engine.getLineHeight() / 2;
    HPEN pen = ::CreatePen(PS_SOLID, 1, paint(AF_PAINT_WHITESPACE));
    const HGDIOBJ previousPen = ::SelectObject(dc, pen);
    POINT previous;
    ::MoveToEx(dc, left, middle, &previous);
    ::LineTo(dc, right - 3, middle);
    ::MoveToEx(dc, right - 5, middle - 2, nullptr);
    ::LineTo(dc, right - 3, middle);
    ::LineTo(dc, right - 6, middle + 3);
    ::MoveToEx(dc, previous.x, previous.y, nullptr);
    ::SelectObject(dc, previousPen);
    ::DeleteObject(pen);
}

void afUnicodeRenderer::drawControlBox(afCanvas& canvas, const afUnicodeItem& run, int x, int y) {
    const int bottom = y + m_engine.getLineHeight();
    const COLORREF fill = paint(AF_PAINT_FOREGROUND);
    canvas.fillRect({x, y, x + run.width, bottom}, fill);
    // Wider by a pixel, lower by one at each end: the corners come out rounded.
    canvas.fillRect({x - 1, y + 1, x + run.width + 1, bottom - 1}, fill);
}

void afUnicodeRenderer::drawControlCode(afCanvas& canvas, const afUnicodeData& data, const afUnicodeItem& run, int x,
                                        int y) {
    wchar_t code[8];
    const int length = afControlCodeText(data.text[run.first], code);
    canvas.selectFont(run.font->font);
    const RECT cell = {x, y, x + run.width, y + m_engine.getLineHeight()};
    canvas.drawText(code, length, cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE, paint(AF_PAINT_BACKGROUND));
}

void afUnicodeRenderer::drawSpaceMark(afCanvas& canvas, int cellLeft, int advance, int top) {
    HDC dc = canvas.getDC();
    const COLORREF colour = paint(AF_PAINT_WHITESPACE);
    const int x = cellLeft + advance / 2, y = top + m_engine.getLineHeight() / 2;
    ::SetPixel(dc, x, y, colour);
    ::SetPixel(dc, x - 1, y, colour);
    ::SetPixel(dc, x + 1, y, colour);
    ::SetPixel(dc, x, y - 1, colour);
    ::SetPixel(dc, x, y + 1, colour);
}

bool afUnicodeRenderer::marksAt(const afUnicodeData& data, int offset) const {
    if (!m_marks)
        return false;
    // A blank line's blanks lie before its first non-blank and after its last one alike.
    const bool leading = offset < data.firstNonBlank;
    const bool trailing = offset >= data.lastNonBlankEnd;
    return (leading && m_marksLeading) || (trailing && m_marksTrailing) || (!leading && !trailing && m_marksInner);
}
