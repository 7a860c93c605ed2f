#include "components/Hint.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afDrawableNinePatch.h"
#include "afw/graphics/afNinePatch.h"
#include "afw/graphics/afStockResources.h"

#include <algorithm>

namespace {

constexpr UINT TEXT_FORMAT = DT_SINGLELINE | DT_NOPREFIX;

// GDI leaves the alpha of what it draws at zero, which the layered window would show as
// holes: the text area, drawn on the opaque body of the background, is made opaque again.
void makeOpaque(HDC dc, const afRect& rect) {
    DIBSECTION section = {};
    HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
    if (!bitmap || ::GetObjectW(bitmap, sizeof section, &section) != sizeof section || !section.dsBm.bmBits ||
        section.dsBm.bmBitsPixel != 32)
        return;
    ::GdiFlush();
    const int width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
    const bool bottomUp = section.dsBmih.biHeight > 0;
    auto* bits = static_cast<uint8_t*>(section.dsBm.bmBits);
    for (int y = std::max<int>(rect.top, 0); y < std::min<int>(rect.bottom, height); ++y) {
        uint8_t* row = bits + static_cast<size_t>(bottomUp ? height - 1 - y : y) * section.dsBm.bmWidthBytes;
        for (int x = std::max<int>(rect.left, 0); x < std::min<int>(rect.right, width); ++x)
            row[x * 4 + 3] = 255;
    }
}

} // namespace

Hint* Hint::create(afViewPlatform* parent) {
    return afCreateWidget<Hint>(parent);
}

Hint::Hint(afViewPlatform* parent) : afHelperWindow(parent), m_ninePatch(afNinePatch::fromPack()) {
    if (m_ninePatch)
        m_background.reset(new afDrawableNinePatch(m_ninePatch.get()));
}

Hint::~Hint() = default;

void Hint::addText(const std::wstring& text) {
    m_lines.push_back(text);
    refresh();
}

void Hint::clear() {
    m_lines.clear();
    refresh();
}

afRect Hint::padding() const {
    afRect room = m_ninePatch ? m_ninePatch->padding() : afRect(0, 0, 0, 0);
    room.left = std::max<LONG>(room.left, PADDING_X);
    room.right = std::max<LONG>(room.right, PADDING_X);
    room.top = std::max<LONG>(room.top, PADDING_Y);
    room.bottom = std::max<LONG>(room.bottom, PADDING_Y);
    return room;
}

SIZE Hint::measure() {
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    canvas->selectFont(afGetStockFont(AF_FONT_MESSAGE));
    const int lineHeight = canvas->lineHeight();
    LONG width = 0;
    for (const std::wstring& line : m_lines)
        width = std::max(width, canvas->measureText(line.c_str(), static_cast<int>(line.size()), TEXT_FORMAT).cx);
    const afRect room = padding();
    return {width + room.left + room.right,
            static_cast<LONG>(lineHeight * m_lines.size()) + room.top + room.bottom};
}

void Hint::showAt(int x, int y) {
    if (!getHandle())
        return;
    const SIZE size = measure();
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    const POINT point = {x, y};
    if (::GetMonitorInfoW(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        x = std::max<int>(std::min<int>(x, work.right - size.cx), work.left);
        y = std::max<int>(std::min<int>(y, work.bottom - size.cy), work.top);
    }
    m_anchor = {x, y};
    ::SetWindowPos(getHandle(), HWND_TOPMOST, x, y, size.cx, size.cy, SWP_NOACTIVATE);
    setShown(true, false);
    updateLayered();
}

void Hint::hide() {
    if (getHandle())
        setShown(false, false);
}

void Hint::refresh() {
    if (!getHandle() || !isShown())
        return;
    const SIZE size = measure();
    ::SetWindowPos(getHandle(), HWND_TOPMOST, m_anchor.x, m_anchor.y, size.cx, size.cy, SWP_NOACTIVATE);
    updateLayered();
}

void Hint::paint(afCanvas& canvas, const afRect& rect) {
    const afRect room = padding();
    if (m_background) {
        m_background->setBounds(rect);
        m_background->draw(canvas);
    } else {
        canvas.fillRect(rect, afGetStockColour(BACKGROUND_COLOUR));
        canvas.frameRect(rect, afGetStockColour(FRAME_COLOUR));
    }
    canvas.selectFont(afGetStockFont(AF_FONT_MESSAGE));
    const int lineHeight = canvas.lineHeight();
    afRect line(rect.left + room.left, rect.top + room.top, rect.right - room.right, rect.top + room.top + lineHeight);
    for (const std::wstring& text : m_lines) {
        canvas.drawText(text, line, TEXT_FORMAT, afGetStockColour(TEXT_COLOUR));
        line.offset(0, lineHeight);
    }
    makeOpaque(canvas.getDC(), m_background ? afRect(rect.left + room.left, rect.top + room.top,
                                                     rect.right - room.right, rect.bottom - room.bottom)
                                            : rect);
}
