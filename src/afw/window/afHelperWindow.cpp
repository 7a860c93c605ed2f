// The helper window's painting into its off-screen bitmap and presenting it.

#include "afw/window/afHelperWindow.h"

#include "afw/graphics/afBitmap.h"
#include "afw/graphics/afCanvas.h"

namespace {

// The screen's DC and a memory DC beside it, released on every way out.
class MemoryDC {
public:
    MemoryDC() : m_screen(::GetDC(nullptr)), m_memory(m_screen ? ::CreateCompatibleDC(m_screen) : nullptr) {}
    ~MemoryDC() {
        if (m_memory) {
            if (m_previous)
                ::SelectObject(m_memory, m_previous);
            ::DeleteDC(m_memory);
        }
        if (m_screen)
            ::ReleaseDC(nullptr, m_screen);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC screen() const { return m_screen; }
    HDC memory() const { return m_memory; }
    void select(HBITMAP bitmap) { m_previous = ::SelectObject(m_memory, bitmap); }

private:
    HDC m_screen;
    HDC m_memory;
    HGDIOBJ m_previous = nullptr;
};

} // namespace

afHelperWindow::afHelperWindow(afViewPlatform* host) : afWindow(host) {
    setHideOnClose(false);
}

void afHelperWindow::setVisible(bool visible) {
    if (getHandle())
        setShown(visible, false);
}

bool afHelperWindow::buildSeed(afSeed& seed) {
    afWindow::buildSeed(seed);
    seed.style = WS_POPUP;
    seed.exStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST;
    return true;
}

void afHelperWindow::moveTo(int x, int y) {
    POINT position = {x, y};
    if (HWND window = getHandle())
        ::UpdateLayeredWindow(window, nullptr, &position, nullptr, nullptr, nullptr, 0, nullptr, 0);
}

void afHelperWindow::updateLayered() {
    HWND window = getHandle();
    if (!window)
        return;
    afRect frame;
    ::GetWindowRect(window, &frame);
    SIZE size = {frame.width(), frame.height()};
    adjustSize(size);
    // Per-pixel alpha needs 32 bits a pixel, which a bitmap compatible with the screen need not
    // have.
    // The bitmap outlives the DC it is selected into.
    const std::unique_ptr<afBitmap> bitmap = afBitmap::createDIB(size.cx, size.cy);
    MemoryDC dc;
    if (!dc.memory() || !bitmap)
        return;
    dc.select(bitmap->getHandle());
    {
        const std::unique_ptr<afCanvas> canvas = afCanvas::fromDC(dc.memory());
        paint(*canvas, afRect(0, 0, size.cx, size.cy));
    }
    POINT position = {frame.left, frame.top}, origin = {0, 0};
    ::UpdateLayeredWindow(window, dc.screen(), &position, &size, dc.memory(), &origin, m_colourKey,
                          m_updateFlags == ULW_ALPHA ? &m_blend : nullptr, m_updateFlags);
}
