#include "afw/graphics/afCanvas.h"

#include "afw/graphics/afBitmap.h"
#include "afw/graphics/afCanvasRegion.h"
#include "afw/graphics/afIcon.h"
#include "pel/base/Assert.h"

#include <cwchar>

std::unique_ptr<afCanvas> afCanvas::fromDC(HDC dc) {
    std::unique_ptr<afCanvas> canvas(new afCanvas(dc));
    canvas->begin();
    return canvas;
}

afCanvas::~afCanvas() {
    end();
}

void afCanvas::begin() {
    m_savedState = ::SaveDC(m_dc);
    ::SelectObject(m_dc, ::GetStockObject(DC_PEN));
    ::SelectObject(m_dc, ::GetStockObject(DC_BRUSH));
}

void afCanvas::end() {
    if (m_savedState > 0)
        ::RestoreDC(m_dc, m_savedState);
    m_savedState = 0;
    m_depth = 0;
    m_hasMetrics = false;
}

void afCanvas::fillRect(const RECT& rect, COLORREF colour) {
    const COLORREF previous = ::SetBkColor(m_dc, colour);
    ::ExtTextOutW(m_dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(m_dc, previous);
}

void afCanvas::drawLine(int x1, int y1, int x2, int y2, COLORREF colour) {
    const COLORREF previousColour = ::SetDCPenColor(m_dc, colour);
    const HGDIOBJ previousPen = ::SelectObject(m_dc, ::GetStockObject(DC_PEN));
    POINT previousPosition;
    ::MoveToEx(m_dc, x1, y1, &previousPosition);
    ::LineTo(m_dc, x2, y2);
    ::MoveToEx(m_dc, previousPosition.x, previousPosition.y, nullptr);
    ::SelectObject(m_dc, previousPen);
    ::SetDCPenColor(m_dc, previousColour);
}

void afCanvas::drawLineHorizontal(const RECT& rect, COLORREF colour) {
    drawLine(rect.left, rect.top, rect.right, rect.top, colour);
}

void afCanvas::drawLineVertical(const RECT& rect, COLORREF colour) {
    drawLine(rect.left, rect.top, rect.left, rect.bottom, colour);
}

void afCanvas::drawLineRight(const RECT& rect, COLORREF colour) {
    drawLine(rect.right - 1, rect.top, rect.right - 1, rect.bottom, colour);
}

void afCanvas::drawLineBottom(const RECT& rect, COLORREF colour) {
    drawLine(rect.left, rect.bottom - 1, rect.right, rect.bottom - 1, colour);
}

void afCanvas::frameRect(const RECT& rect, COLORREF colour) {
    drawLineHorizontal(rect, colour);
    drawLineVertical(rect, colour);
    drawLineRight(rect, colour);
    drawLineBottom(rect, colour);
}

void afCanvas::drawText(const wchar_t* text, int length, const RECT& rect, UINT format, COLORREF colour) {
    const int previousMode = ::SetBkMode(m_dc, TRANSPARENT);
    const COLORREF previousColour = ::SetTextColor(m_dc, colour);
    RECT box = rect;
    ::DrawTextW(m_dc, text, length, &box, format);
    ::SetTextColor(m_dc, previousColour);
    ::SetBkMode(m_dc, previousMode);
}

void afCanvas::drawText(const std::wstring& text, const RECT& rect, UINT format, COLORREF colour) {
    drawText(text.c_str(), static_cast<int>(text.size()), rect, format, colour);
}

SIZE afCanvas::measureText(const wchar_t* text, int length, UINT format, int maxWidth) {
    const int line = lineHeight();
    if (!text || length == 0 || (length < 0 && text[0] == 0))
        return {0, line};
    SIZE size = {0, 0};
    // One line without prefixes or tabs is what the text extent measures, at a fraction of
    // DrawTextW's cost (lists measure every row with it).
    constexpr UINT kPlainLine = DT_SINGLELINE | DT_NOPREFIX;
    if ((format & ~(kPlainLine | DT_VCENTER)) == 0 && (format & kPlainLine) == kPlainLine &&
        ::GetTextExtentPoint32W(m_dc, text, length < 0 ? static_cast<int>(std::wcslen(text)) : length, &size)) {
        size.cy = line > 0 ? line : size.cy;
        return size;
    }
    RECT box = {0, 0, maxWidth > 0 ? maxWidth : 0, 0};
    ::DrawTextW(m_dc, text, length, &box, format | DT_CALCRECT);
    size = {box.right - box.left, box.bottom - box.top};
    if (line > 0)
        size.cy = (size.cy + line - 1) / line * line;
    return size;
}

void afCanvas::drawIcon(const RECT& rect, const afIcon& icon, int flags) {
    const afRect box(rect);
    if (box.isEmpty())
        return;
    const int size = icon.getSize();
    int x = box.left + ((box.width() - size) >> 1);
    if ((flags & AF_ALIGN_HORIZONTAL_MASK) == AF_ALIGN_LEFT)
        x = box.left;
    else if ((flags & AF_ALIGN_HORIZONTAL_MASK) == AF_ALIGN_RIGHT)
        x = box.right - size;
    int y = box.top + ((box.height() - size) >> 1);
    if ((flags & AF_ALIGN_VERTICAL_MASK) == AF_ALIGN_TOP)
        y = box.top;
    else if ((flags & AF_ALIGN_VERTICAL_MASK) == AF_ALIGN_BOTTOM)
        y = box.bottom - size;
    ::DrawIconEx(m_dc, x, y, icon.getHandle(), size, size, 0, nullptr, DI_NORMAL);
}

SIZE afCanvas::menuCheckSize() {
    return {::GetSystemMetrics(SM_CXMENUCHECK), ::GetSystemMetrics(SM_CYMENUCHECK)};
}

bool afKeptBitmap::make(HDC compatible, SIZE size, bool monochrome) {
    reset();
    m_dc = ::CreateCompatibleDC(compatible);
    if (m_dc)
        m_bitmap = monochrome ? ::CreateBitmap(size.cx, size.cy, 1, 1, nullptr)
                              : ::CreateCompatibleBitmap(compatible, size.cx, size.cy);
    if (!m_bitmap) {
        reset();
        return false;
    }
    m_previous = ::SelectObject(m_dc, m_bitmap);
    m_size = size;
    return true;
}

void afKeptBitmap::reset() {
    if (m_dc && m_previous)
        ::SelectObject(m_dc, m_previous);
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
    if (m_dc)
        ::DeleteDC(m_dc);
    m_dc = nullptr;
    m_bitmap = nullptr;
    m_previous = nullptr;
    m_size = {0, 0};
}

void afCanvas::drawMenuCheck(const RECT& rect, COLORREF colour, COLORREF background) {
    drawMenuCheck(rect, menuCheckSize(), colour, background);
}

void afCanvas::drawMenuCheck(const RECT& rect, SIZE size, COLORREF colour, COLORREF background) {
    // The system's mark as a monochrome mask, drawn once per size: DrawFrameControl costs far
    // more than the blit of its result, and the colours are applied at the blit.
    static afKeptBitmap s_mask;
    if (!s_mask.hasSize(size)) {
        if (!s_mask.make(nullptr, size, true))
            return;
        RECT box = {0, 0, size.cx, size.cy};
        ::DrawFrameControl(s_mask.getDC(), &box, DFC_MENU, DFCS_MENUCHECK);
    }
    HDC mask = s_mask.getDC();
    // A monochrome source takes the text colour for its 0 bits (the mark) and the background
    // colour for its 1 bits.
    const COLORREF previousText = ::GetTextColor(m_dc);
    const COLORREF previousBack = ::GetBkColor(m_dc);
    const int top = rect.top + (rect.bottom - rect.top - size.cy) / 2;
    if (background == NO_BACKGROUND) {
        // The mark's pixels black, the rest kept; then the colour ORed into the black ones.
        ::SetTextColor(m_dc, RGB(0, 0, 0));
        ::SetBkColor(m_dc, RGB(255, 255, 255));
        ::BitBlt(m_dc, rect.left, top, size.cx, size.cy, mask, 0, 0, SRCAND);
        ::SetTextColor(m_dc, colour);
        ::SetBkColor(m_dc, RGB(0, 0, 0));
        ::BitBlt(m_dc, rect.left, top, size.cx, size.cy, mask, 0, 0, SRCPAINT);
    } else {
        ::SetTextColor(m_dc, colour);
        ::SetBkColor(m_dc, background);
        ::BitBlt(m_dc, rect.left, top, size.cx, size.cy, mask, 0, 0, SRCCOPY);
    }
    ::SetBkColor(m_dc, previousBack);
    ::SetTextColor(m_dc, previousText);
}

void afCanvas::drawBitmap(const afBitmap& bitmap, int x, int y) {
    HDC source = ::CreateCompatibleDC(m_dc);
    if (!source)
        return;
    const HGDIOBJ previous = ::SelectObject(source, bitmap.getHandle());
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::GdiAlphaBlend(m_dc, x, y, bitmap.getWidth(), bitmap.getHeight(), source, 0, 0, bitmap.getWidth(),
                    bitmap.getHeight(), blend);
    ::SelectObject(source, previous);
    ::DeleteDC(source);
}

void afCanvas::selectFont(HFONT font) {
    if (::SelectObject(m_dc, font) != font)
        m_hasMetrics = false;
}

const TEXTMETRICW& afCanvas::textMetrics() {
    if (!m_hasMetrics) {
        m_metrics = TEXTMETRICW();
        m_hasMetrics = ::GetTextMetricsW(m_dc, &m_metrics) != 0;
    }
    return m_metrics;
}

int afCanvas::lineHeight() {
    const TEXTMETRICW& metrics = textMetrics();
    return metrics.tmHeight + metrics.tmExternalLeading;
}

void afCanvas::save() {
    if (::SaveDC(m_dc))
        ++m_depth;
}

void afCanvas::restore() {
    if (!PEL_SOFT_ASSERT(m_depth > 0))
        return;
    ::RestoreDC(m_dc, -1);
    --m_depth;
    m_hasMetrics = false;
}

POINT afCanvas::viewportOrigin() const {
    POINT origin = {0, 0};
    ::GetViewportOrgEx(m_dc, &origin);
    return origin;
}

void afCanvas::setViewportOrigin(POINT origin) {
    ::SetViewportOrgEx(m_dc, origin.x, origin.y, nullptr);
}

void afCanvas::selectClip(const afCanvasRegion* region) {
    ::SelectClipRgn(m_dc, region ? region->getHandle() : nullptr);
}

void afCanvas::intersectClip(const RECT& rect) {
    ::IntersectClipRect(m_dc, rect.left, rect.top, rect.right, rect.bottom);
}

std::unique_ptr<afCanvasRegion> afCanvas::clipRegion() const {
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (!region)
        return nullptr;
    if (::GetClipRgn(m_dc, region) != 1) {
        ::DeleteObject(region);
        return nullptr;
    }
    return std::make_unique<afCanvasRegion>(region);
}
