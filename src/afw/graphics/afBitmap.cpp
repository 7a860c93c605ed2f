#include "afw/graphics/afBitmap.h"

#include <atomic>

namespace {
std::atomic<int> s_liveCount(0);
}

afBitmap::afBitmap() {
    ++s_liveCount;
}

int afBitmap::getLiveCount() {
    return s_liveCount;
}

std::unique_ptr<afBitmap> afBitmap::createDIB(int width, int height) {
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE)
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    void* bits = nullptr;
    HBITMAP handle = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!handle)
        return nullptr;
    std::unique_ptr<afBitmap> bitmap(new afBitmap());
    bitmap->m_handle = handle;
    bitmap->m_pixels = static_cast<uint8_t*>(bits);
    bitmap->m_width = width;
    bitmap->m_height = height;
    bitmap->m_stride = width * 4;
    return bitmap;
}

std::unique_ptr<afBitmap> afBitmap::overMemory(void* pixels, int width, int height, int stride) {
    if (!pixels || width < 0 || height < 0 || stride < width * 4)
        return nullptr;
    std::unique_ptr<afBitmap> bitmap(new afBitmap());
    bitmap->m_pixels = static_cast<uint8_t*>(pixels);
    bitmap->m_width = width;
    bitmap->m_height = height;
    bitmap->m_stride = stride;
    return bitmap;
}

afBitmap::afBitmap(HBITMAP bitmap) : afBitmap() {
    m_handle = bitmap;
    DIBSECTION section = {};
    const int size = bitmap ? ::GetObjectW(bitmap, sizeof section, &section) : 0;
    if (size == 0)
        return;
    m_width = section.dsBm.bmWidth;
    m_height = section.dsBm.bmHeight;
    m_bitsPerPixel = section.dsBm.bmBitsPixel;
    if (size == sizeof section && section.dsBm.bmBits) {
        const int rowBytes = section.dsBm.bmWidthBytes;
        const bool bottomUp = section.dsBmih.biHeight > 0;
        m_pixels = static_cast<uint8_t*>(section.dsBm.bmBits) + (bottomUp ? rowBytes * (m_height - 1) : 0);
        m_stride = bottomUp ? -rowBytes : rowBytes;
    }
}

afBitmap::~afBitmap() {
    if (m_handle)
        ::DeleteObject(m_handle);
    --s_liveCount;
}

uint32_t* afBitmap::row(int y) const {
    if (!hasPixels32() || y < 0 || y >= m_height)
        return nullptr;
    return reinterpret_cast<uint32_t*>(m_pixels + static_cast<ptrdiff_t>(y) * m_stride);
}

void invertAlpha(afBitmap& bitmap) {
    for (int y = 0; y < bitmap.getHeight(); ++y) {
        uint32_t* pixel = bitmap.row(y);
        if (!pixel)
            return;
        for (int x = 0; x < bitmap.getWidth(); ++x)
            pixel[x] ^= 0xFF000000u;
    }
}
