#include "editor/DropMarker.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"

namespace tessel {

namespace {

// The fast solid fill: an empty opaque text run over the rectangle in the background colour.
void fill(HDC dc, const RECT& rect, COLORREF colour) {
    ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, L"", 0, nullptr);
}

} // namespace

DropMarker* DropMarker::create(afViewPlatform* parent) {
    return afCreateWidget<DropMarker>(parent);
}

DropMarker::DropMarker(afViewPlatform* parent) : afHelperWindow(parent) {
    setLayeredMode(COLOUR_KEY, ULW_COLORKEY, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
}

void DropMarker::setGeometry(int32_t orientation, int32_t length) {
    if (orientation == m_orientation && length == m_length)
        return;
    m_orientation = orientation;
    m_length = length;
    updateLayered();
}

void DropMarker::showAt(HWND reference, int x, int y) {
    RECT frame = {0, 0, 0, 0};
    if (reference)
        ::GetWindowRect(reference, &frame);
    const int half = THICKNESS / 2;
    if (m_orientation == VERTICAL)
        moveTo(frame.left + x - half, frame.top + y);
    else
        moveTo(frame.left + x, frame.top + y - half);
}

void DropMarker::adjustSize(SIZE& io_size) {
    io_size = m_orientation == VERTICAL ? SIZE{THICKNESS, m_length} : SIZE{m_length, THICKNESS};
}

void DropMarker::paint(afCanvas& canvas, const afRect& rect) {
    HDC dc = canvas.getDC();
    const int w = rect.width(), h = rect.height();
    const COLORREF previous = ::GetBkColor(dc);
    fill(dc, RECT{0, 0, w, h}, COLOUR_KEY);
    // A fresh memory DC's background is white, the key itself: the bar is drawn in black.
    const RECT vertical[] = {{2, 2, 4, h - 2}, {0, 0, 6, 1}, {1, 1, 5, 2}, {0, h - 1, 6, h}, {1, h - 2, 5, h - 1}};
    const RECT horizontal[] = {{2, 2, w - 2, 4}, {0, 0, 1, 6}, {1, 1, 2, 5}, {w - 1, 0, w, 6}, {w - 2, 1, w - 1, 5}};
    for (const RECT& part : m_orientation == VERTICAL ? vertical : horizontal)
        fill(dc, part, BAR_COLOUR);
    ::SetBkColor(dc, previous);
    ++m_drawCount;
}

} // namespace tessel
