#pragma once
// A bitmap the framework draws with: a 32-bit DIB section whose pixels are at hand (blue,
// green, red, alpha; premultiplied where the format says alpha), or any bitmap handle taken
// over. It owns its handle.

#include "pel/base/Object.h"

#include <cstdint>
#include <memory>
#include <windows.h>

class afBitmap : public pel::Object {
public:
    // Format tags: the pixels carry alpha (premultiplied), or they are opaque colour only.
    static constexpr int FORMAT_ALPHA = 6;
    static constexpr int FORMAT_RGB = 2;
    // Larger sides are refused: width x height x 4 has to stay far inside 32 bits.
    static constexpr int MAX_SIDE = 16384;

    // A top-down 32-bit DIB section, all pixels zero, tagged FORMAT_ALPHA; null when a side is
    // not in 1..MAX_SIDE or the system cannot make it.
    static std::unique_ptr<afBitmap> createDIB(int width, int height);
    // A bitmap without a handle over 32-bit pixels the caller owns and keeps alive (stride: bytes
    // from one row to the next): what images render into in memory. Null for a negative side or
    // a stride too small for the width.
    static std::unique_ptr<afBitmap> overMemory(void* pixels, int width, int height, int stride);
    // Takes over the bitmap and reads its size; the pixels are at hand only for a DIB section.
    explicit afBitmap(HBITMAP bitmap);
    ~afBitmap() override;
    afBitmap(const afBitmap&) = delete;
    afBitmap& operator=(const afBitmap&) = delete;

    HBITMAP getHandle() const { return m_handle; }
    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }
    int getBitsPerPixel() const { return m_bitsPerPixel; }
    int getFormat() const { return m_format; }
    void setFormat(int format) { m_format = format; }

    // Row y (0 at the top) of a 32-bit bitmap whose pixels are at hand; null otherwise.
    uint32_t* row(int y) const;
    bool hasPixels32() const { return m_pixels && m_bitsPerPixel == 32; }

    // How many bitmaps exist in the process: decoders are checked by it for leaks (the system
    // reports no GDI object counts under Wine).
    static int getLiveCount();

private:
    afBitmap();

    uint8_t* m_pixels = nullptr;
    HBITMAP m_handle = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 32;
    int m_format = FORMAT_ALPHA;
    int m_stride = 0; // bytes from one row to the next, top to bottom; negative for bottom-up
};

// Replaces every pixel's alpha a by 255 - a.
void invertAlpha(afBitmap& bitmap);

// Bilinear resampling of the source rectangle (x1, y1)-(x2, y2) into the target rectangle
// (tx1, ty1)-(tx2, ty2) of another 32-bit bitmap, each channel on its own, in 8.8 fixed point.
// Only pixels inside the source rectangle and inside the source bitmap are read; only pixels
// inside the target bitmap are written, so a rectangle reaching outside draws its inside part.
// An empty rectangle logs "Invalid" and draws nothing.
void stretch(const afBitmap& source, afBitmap& target, int x1, int y1, int x2, int y2, int tx1, int ty1, int tx2,
             int ty2);
