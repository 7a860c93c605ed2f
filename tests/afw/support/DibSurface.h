#pragma once
// Drawing targets for the framework tests that need no display: a memory DC over a 32-bit
// top-down DIB, pixels read as 0x00RRGGBB (GDI leaves the alpha byte alone); and icons of one
// opaque colour.

#include "afw/graphics/afBitmap.h"
#include "afw/graphics/afIcon.h"

#include <algorithm>
#include <memory>
#include <vector>
#include <windows.h>

namespace tessel_test {

class DibSurface {
public:
    DibSurface(int width, int height, uint32_t value = 0xFFFFFF)
        : m_bitmap(afBitmap::createDIB(width, height)), m_dc(::CreateCompatibleDC(nullptr)) {
        m_previous = ::SelectObject(m_dc, m_bitmap->getHandle());
        for (int y = 0; y < height; ++y)
            std::fill(m_bitmap->row(y), m_bitmap->row(y) + width, value);
    }
    ~DibSurface() {
        ::SelectObject(m_dc, m_previous);
        ::DeleteDC(m_dc);
    }

    // A GDI colour (0x00BBGGRR) as the pixels read.
    static uint32_t pixelOf(COLORREF colour) {
        return static_cast<uint32_t>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
    }

    HDC dc() const { return m_dc; }
    uint32_t rgb(int x, int y) const {
        ::GdiFlush();
        return m_bitmap->row(y)[x] & 0xFFFFFF;
    }
    // How many pixels of the rectangle have the colour.
    int count(const RECT& rect, uint32_t colour) const {
        int found = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                found += rgb(x, y) == colour;
        return found;
    }

private:
    std::unique_ptr<afBitmap> m_bitmap;
    HDC m_dc;
    HGDIOBJ m_previous = nullptr;
};

inline afIcon solidIcon(int size, uint32_t rgb) {
    auto colour = afBitmap::createDIB(size, size);
    for (int y = 0; y < size; ++y)
        std::fill(colour->row(y), colour->row(y) + size, 0xFF000000u | rgb);
    const std::vector<uint8_t> zeros(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
    HBITMAP mask = ::CreateBitmap(size, size, 1, 1, zeros.data());
    ICONINFO info = {TRUE, 0, 0, mask, colour->getHandle()};
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(mask);
    return afIcon(icon, size, true);
}

} // namespace tessel_test
