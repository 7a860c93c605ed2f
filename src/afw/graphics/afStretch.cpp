#include "afw/graphics/afBitmap.h"

#include "afw/core/afLog.h"
#include "pel/base/Assert.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// Bilinear resampling in 8.8 fixed point. Every source position a target pixel reads is clamped
// into the source rectangle and the source bitmap (upscaling would otherwise read the row below
// the rectangle), and only target pixels inside the target bitmap are visited, so no rectangle
// can make it read or write outside either bitmap.

namespace {

constexpr uint32_t kEvenChannels = 0x00FF00FFu; // blue and red, one 16-bit lane each

struct Sample {
    int first;       // source index of the pixel
    int next;        // its right (or lower) neighbour
    uint32_t weight; // of the neighbour, 0..255; the pixel weighs 256 - weight
};

// The source samples of target positions [from, to) of the target extent [targetStart,
// targetEnd), both indexes clamped into [readFirst, readLast]: the part of the source extent
// inside its bitmap, so the neighbour of the extent's last pixel is that pixel itself.
// lastIsCurrent: the last target position reads its own row again (the rows' rule).
std::vector<Sample> samples(int sourceStart, int sourceEnd, int targetStart, int targetEnd, int from, int to,
                            int readFirst, int readLast, bool lastIsCurrent) {
    const int64_t step = (static_cast<int64_t>(sourceEnd - sourceStart) << 8) / (targetEnd - targetStart);
    std::vector<Sample> result;
    result.reserve(static_cast<size_t>(to - from));
    for (int position = from; position < to; ++position) {
        const int64_t fixed = step * (position - targetStart);
        const int64_t first = sourceStart + (fixed >> 8);
        const bool last = lastIsCurrent && position == targetEnd - 1;
        const int64_t next = last ? first : first + 1;
        result.push_back({static_cast<int>(std::clamp<int64_t>(first, readFirst, readLast)),
                          static_cast<int>(std::clamp<int64_t>(next, readFirst, readLast)),
                          static_cast<uint32_t>(fixed & 0xFF)});
    }
    return result;
}

// Blue and red, then green and alpha, of two pixels mixed by w (the second's weight): each
// channel in its 16-bit lane, at most 255 x 256.
inline void mix(uint32_t a, uint32_t b, uint32_t w, uint32_t& o_even, uint32_t& o_odd) {
    const uint32_t v = 256 - w;
    o_even = (a & kEvenChannels) * v + (b & kEvenChannels) * w;
    o_odd = ((a >> 8) & kEvenChannels) * v + ((b >> 8) & kEvenChannels) * w;
}

// One row whose lower neighbour carries no weight: (mix x 256) >> 16 is mix >> 8.
void stretchRow(const uint32_t* source, uint32_t* out, const std::vector<Sample>& columns) {
    for (const Sample& column : columns) {
        uint32_t even, odd;
        mix(source[column.first], source[column.next], column.weight, even, odd);
        *out++ = ((even >> 8) & kEvenChannels) | (odd & ~kEvenChannels);
    }
}

inline uint32_t blendLane(uint32_t top, uint32_t bottom, uint32_t topWeight, uint32_t bottomWeight, int shift) {
    return (((top >> shift) & 0xFFFF) * topWeight + ((bottom >> shift) & 0xFFFF) * bottomWeight) >> 16;
}

void stretchRows(const uint32_t* upper, const uint32_t* lower, uint32_t fy, uint32_t* out,
                 const std::vector<Sample>& columns) {
    const uint32_t gy = 256 - fy;
    for (const Sample& column : columns) {
        uint32_t topEven, topOdd, bottomEven, bottomOdd;
        mix(upper[column.first], upper[column.next], column.weight, topEven, topOdd);
        mix(lower[column.first], lower[column.next], column.weight, bottomEven, bottomOdd);
        *out++ = blendLane(topEven, bottomEven, gy, fy, 0) | blendLane(topOdd, bottomOdd, gy, fy, 0) << 8 |
                 blendLane(topEven, bottomEven, gy, fy, 16) << 16 | blendLane(topOdd, bottomOdd, gy, fy, 16) << 24;
    }
}

} // namespace

void stretch(const afBitmap& source, afBitmap& target, int x1, int y1, int x2, int y2, int tx1, int ty1, int tx2,
             int ty2) {
    if (x2 <= x1 || y2 <= y1 || tx2 <= tx1 || ty2 <= ty1) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"Invalid\n");
        return;
    }
    if (!PEL_SOFT_ASSERT(source.hasPixels32() && target.hasPixels32()))
        return;
    // What may be read: the source rectangle inside the source bitmap.
    const int readLeft = std::max(x1, 0), readRight = std::min(x2, source.getWidth());
    const int readTop = std::max(y1, 0), readBottom = std::min(y2, source.getHeight());
    // What may be written: the target rectangle inside the target bitmap.
    const int writeLeft = std::max(tx1, 0), writeRight = std::min(tx2, target.getWidth());
    const int writeTop = std::max(ty1, 0), writeBottom = std::min(ty2, target.getHeight());
    if (readLeft >= readRight || readTop >= readBottom || writeLeft >= writeRight || writeTop >= writeBottom)
        return;

    const std::vector<Sample> columns =
        samples(x1, x2, tx1, tx2, writeLeft, writeRight, readLeft, readRight - 1, false);
    const std::vector<Sample> rows = samples(y1, y2, ty1, ty2, writeTop, writeBottom, readTop, readBottom - 1, true);
    for (int y = writeTop; y < writeBottom; ++y) {
        const Sample& row = rows[static_cast<size_t>(y - writeTop)];
        uint32_t* out = target.row(y) + writeLeft;
        if (row.weight == 0 || row.next == row.first)
            stretchRow(source.row(row.first), out, columns);
        else
            stretchRows(source.row(row.first), source.row(row.next), row.weight, out, columns);
    }
}
