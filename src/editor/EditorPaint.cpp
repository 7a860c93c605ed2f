// The editor's painting: rows composed one at a time in a line buffer and copied to the
// window, the gutter, the band a line range invalidates, and the themed border.
#include "editor/Editor.h"

#include "afw/core/afLog.h"
#include "afw/graphics/afCanvasBuffer.h"
#include "afw/graphics/afCanvasRegion.h"
#include "afw/graphics/afStockResources.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/unicode/afFontSet.h"
#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeRenderer.h"
#include "pel/base/Exception.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"

#include <algorithm>
#include <cstdio>

namespace tessel {

namespace {

int decimalDigits(int32_t n) {
    int digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

} // namespace

bool Editor::numbersShown() const {
    return m_gutterMode == GUTTER_NUMBERS || (m_gutterMode == GUTTER_BY_PRESET && m_preset.gutterLineNumbers);
}

int32_t Editor::caretLine() const {
    return m_controller ? m_controller->getSelection().getCaret().line : -1;
}

int Editor::getDigitWidth() const {
    return m_digits ? m_digitsWidth / m_digits : 0;
}

void Editor::updateGutterWidth(int32_t lineCount) {
    bool changed = false;
    if (!numbersShown()) {
        changed = m_digits != 0;
        m_digits = 0;
        m_digitsWidth = 0;
    } else {
        // The numbers are set in the text's own font: as large as the text beside them.
        const afFontEntry* font = m_layout->getPrimaryFont();
        const int digits = std::max(m_minDigits, decimalDigits(std::max(lineCount, 0)));
        if (digits != m_digits || font != m_digitsFont) {
            m_digits = digits;
            m_digitsFont = font;
            const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
            canvas->selectFont(font ? font->font : afGetStockFont(AF_FONT_FIXED));
            const int width = canvas->measureText(L"0123456789", 10, DT_SINGLELINE).cx;
            m_digitsWidth = (width + 9) / 10 * digits;
            changed = true;
        }
    }
    const int width = afScaled(m_gutterLead) + m_markerColumn + afScaled(m_gutterGap) +
                      (m_digits == 0 ? 0 : m_digitsWidth + 2 * afScaled(m_numberPadding));
    changed = changed || width != m_gutterWidth;
    m_gutterWidth = width;
    if (!changed)
        return;
    beginUpdate();
    m_repaintAll = m_scrollBarsDirty = true;
    // Rows wrapped at the window's edge are as wide as the text beside the gutter: with a wider
    // gutter their ends would lie under the edge, reached only by scrolling sideways.
    recomputeWrap();
    recomputeView(true);
    endUpdate();
}

int Editor::textColumnRight(int clientWidth) const {
    if (m_preset.wordWrap && m_preset.boundaryBreak && m_preset.center)
        return std::min(clientWidth - m_textLeft, m_gutterWidth + m_textLeft + m_layout->getWrapWidth());
    return clientWidth;
}

bool Editor::onDraw(afCanvas& canvas, const afRect* area) {
    if (!m_controller || !m_layout)
        return false;
    RECT client;
    ::GetClientRect(getHandle(), &client);
    const RECT dirty = area ? static_cast<const RECT&>(*area) : client;
    if (dirty.bottom - dirty.top <= 0)
        return true;
    const int lineHeight = getLineHeight();
    const int firstRow = std::max(static_cast<int>(dirty.top), 0) / lineHeight;
    const int lastRow = (std::min(dirty.bottom, client.bottom) - 1) / lineHeight;
    const int width = client.right;
    const RECT bufferRect = {0, 0, width, lineHeight};
    const std::unique_ptr<afCanvasBuffer> buffer = afCanvasBuffer::create(canvas, bufferRect, false);
    if (!buffer->isBuffered())
        return true;
    SubLineIterator row = m_top;
    row.advance(firstRow);
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    const int32_t current = caretLine();
    for (int r = firstRow; r <= lastRow; ++r, row.advance(1)) {
        // The paint's clip holds what needs drawing: a sideways scroll leaves the gutter out.
        const RECT gutter = {0, r * lineHeight, m_gutterWidth, (r + 1) * lineHeight};
        const RECT text = {m_gutterWidth, r * lineHeight, width, (r + 1) * lineHeight};
        const bool gutterShown = ::RectVisible(canvas.getDC(), &gutter) != FALSE;
        if (!gutterShown && !::RectVisible(canvas.getDC(), &text))
            continue;
        try {
            drawRow(*buffer, row, current, width, gutterShown);
        } catch (const pel::Exception& error) {
            // A row that cannot be laid out is drawn blank; the paint goes on.
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"Editor::onDraw(): Line %d not drawn: %s\n", row.line,
                            error.displayText().c_str());
            const RECT blank = {0, 0, width, lineHeight};
            buffer->fillRect(blank, m_textBackground);
        }
        ::BitBlt(canvas.getDC(), 0, r * lineHeight, width, lineHeight, buffer->getDC(), 0, 0, SRCCOPY);
        ++m_rowsCopied;
    }
    return true;
}

void Editor::drawRow(afCanvas& lineCanvas, const SubLineIterator& row, int32_t currentLine, int clientWidth,
                     bool withGutter) {
    const int lineHeight = getLineHeight();
    const bool onLine = row.line >= 0 && row.line < m_lineCache->getLineCount();
    const bool unwrapped = m_lineCache->isUnwrapped();
    const int columnLeft = m_gutterWidth + m_textLeft;
    const int columnRight = textColumnRight(clientWidth);
    const int rowLeft = columnLeft - m_scrollColumn * getCharWidth();
    // The first piece of the row's line that shows: unwrapped, the one under the column's left
    // edge, a couple of cells early for glyphs that reach back.
    LineCache::Piece piece;
    if (onLine)
        piece = unwrapped ? m_lineCache->pieceAtX(row.line, std::max(columnLeft - 2 * lineHeight - rowLeft, 0))
                          : m_lineCache->pieceOnRow(row.line, row.subline);
    const int32_t line = piece.data ? row.line : -1;
    const bool isCurrent = line >= 0 && line == currentLine;
    if (m_preset.wordWrap && m_preset.boundaryBreak && m_preset.center && m_textLeft > 0) {
        const RECT whole = {0, 0, clientWidth, lineHeight};
        lineCanvas.fillRect(whole, isCurrent ? m_marginBackgroundCurrent : m_marginBackground);
    }
    const RECT column = {columnLeft, 0, columnRight, lineHeight};
    lineCanvas.fillRect(column, isCurrent ? m_textBackgroundCurrent : m_textBackground);
    if (piece.data && columnRight > columnLeft) {
        const RECT clip = {columnLeft - 2 * lineHeight, 0, columnRight + 2 * lineHeight, lineHeight};
        static const float none[4] = {0, 0, 0, 0};
        const HDC dc = lineCanvas.getDC();
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, column.left, column.top, column.right, column.bottom);
        const int32_t lineStart = m_controller->getDocument().getLineStart(line);
        // Unwrapped, the pieces that meet the column are drawn left to right, each where the one
        // before it ends; wrapped, the row is one display line of one piece.
        for (;;) {
            afUnicodeData& data = *piece.data;
            m_layout->updateHighlights(data, m_controller, line, lineStart + piece.start);
            const int subline =
                unwrapped ? 0 : std::max(std::min(row.subline - piece.firstSubline, data.sublineCount() - 1), 0);
            const RECT rect = {rowLeft + (unwrapped ? piece.x : 0), 0, columnRight, lineHeight};
            m_renderer->drawSubline(lineCanvas, data, subline, rect, clip, isCurrent ? m_lineHighlight : none, true);
            if (!unwrapped || piece.last)
                break;
            const int32_t next = rect.left + std::max(data.widestWidth, 1);
            if (next >= clip.right)
                break;
            piece = m_lineCache->piece(line, piece.index + 1);
        }
        ::RestoreDC(dc, saved);
    }
    if (withGutter)
        drawGutter(lineCanvas, line, piece.data && row.clampedSubline() > 0, isCurrent);
}

void Editor::drawGutter(afCanvas& lineCanvas, int32_t line, bool isContinuation, bool isCurrentLine) {
    const bool numbers = numbersShown();
    const int lineHeight = getLineHeight();
    const int gap = afScaled(m_gutterGap), padding = afScaled(m_numberPadding);
    RECT rect = {0, 0, m_gutterWidth - gap, lineHeight + 1};
    lineCanvas.fillRect(rect, numbers ? m_gutterColours[isCurrentLine ? NUMBER_BACKGROUND_CURRENT : NUMBER_BACKGROUND]
                                      : m_textBackground);
    if (!isContinuation && line >= 0) {
        RECT inner = rect;
        inner.left += padding;
        if (m_controller->getLineMarkers(line)) {
            static const afIcon* bookmark = afGetStockIcon(AF_STOCK_ICON_BOOKMARK);
            if (bookmark) {
                const RECT box = {inner.left, 0, inner.left + m_markerColumn, lineHeight};
                lineCanvas.drawIcon(box, *bookmark, 0);
            }
        }
        if (numbers) {
            wchar_t text[16];
            const int length = std::swprintf(text, 16, L"%d", line + 1);
            // On the text's baseline: the font's glyphs start where the row's first font's do.
            const afFontEntry* font = m_layout->getPrimaryFont();
            RECT numberRect = inner;
            numberRect.right -= padding + 1;
            numberRect.top = font ? m_layout->glyphTop(*font) : 0;
            numberRect.bottom = lineHeight;
            const COLORREF colour = m_gutterColours[isCurrentLine           ? NUMBER_TEXT_CURRENT
                                                    : (line + 1) % 10 == 0 ? NUMBER_TEXT_TENTH
                                                                           : NUMBER_TEXT];
            lineCanvas.selectFont(font ? font->font : afGetStockFont(AF_FONT_FIXED));
            lineCanvas.drawText(text, length, numberRect, DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX, colour);
        }
    }
    if (!numbers)
        return;
    const RECT separator = {rect.right - 1, 0, rect.right, lineHeight};
    lineCanvas.fillRect(separator, m_gutterColours[isCurrentLine ? SEPARATOR_CURRENT : SEPARATOR]);
    const RECT after = {rect.right, 0, rect.right + gap, lineHeight};
    lineCanvas.fillRect(after, m_textBackgroundCurrent);
}

void Editor::invalidateLineRange() {
    SubLineIterator shown = m_top;
    shown.advance(m_visibleLines); // the partly visible row counts
    if (m_dirtyFirst > shown.line || (m_dirtyLast != -1 && m_dirtyLast < m_top.line))
        return;
    RECT band = {0, 0, m_clientWidth, m_clientHeight};
    if (m_dirtyFirst >= 0)
        band.top = lineToY(m_dirtyFirst, 0);
    if (m_dirtyLast >= 0 && m_dirtyLast <= shown.line) {
        const int32_t lastSubline = std::max(m_lineCache->getSubLineCount(m_dirtyLast, true) - 1, 0);
        band.bottom = std::min(lineToY(m_dirtyLast, lastSubline) + getLineHeight(), m_clientHeight);
    }
    if (band.bottom > band.top)
        invalidateClient(&band);
}

bool Editor::onRawMessage(afMessage& msg) {
    if (onInputMessage(msg))
        return true;
    switch (msg.message) {
    case WM_ERASEBKGND:
        msg.result = 1;
        return true;
    case WM_PAINT: {
        // The bars an edit or a scroll changed come after the text it changed.
        const bool handled = afWidget::onRawMessage(msg);
        drawScrollBars();
        return handled;
    }
    case WM_SIZE:
        takeClientSize();
        break;
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
        if (themedBorder(msg))
            return true;
        break;
    default:
        break;
    }
    return afWidget::onRawMessage(msg);
}

} // namespace tessel
