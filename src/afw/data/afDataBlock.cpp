#include "afw/data/afDataBlock.h"

#include <cstring>
#include <windows.h>
#include <shlobj.h>

namespace afDataBlock {

uint32_t narrowTextSize(const void* data, size_t size) {
    if (!data)
        return 0;
    const void* end = std::memchr(data, 0, size);
    return static_cast<uint32_t>(end ? static_cast<const char*>(end) - static_cast<const char*>(data) : size);
}

uint32_t wideTextSize(const void* data, size_t size) {
    if (!data)
        return 0;
    const char* bytes = static_cast<const char*>(data);
    const size_t units = size / 2;
    size_t i = 0;
    for (uint16_t unit; i < units; ++i) {
        std::memcpy(&unit, bytes + 2 * i, 2);
        if (!unit)
            break;
    }
    return static_cast<uint32_t>(2 * i);
}

namespace {

// The offset of the first of two adjacent zero units of the given width, or size when none.
size_t findDoubleNul(const unsigned char* data, size_t size, size_t width) {
    const auto isNul = [&](size_t at) { return data[at] == 0 && (width == 1 || data[at + 1] == 0); };
    for (size_t at = 0; at + 2 * width <= size; at += width)
        if (isNul(at) && isNul(at + width))
            return at;
    return size;
}

} // namespace

bool isDropFiles(const void* data, size_t size) {
    if (!data || size < sizeof(DROPFILES))
        return false;
    DROPFILES header;
    std::memcpy(&header, data, sizeof header);
    if (header.pFiles >= size)
        return false;
    const size_t listSize = size - header.pFiles;
    const unsigned char* list = static_cast<const unsigned char*>(data) + header.pFiles;
    return findDoubleNul(list, listSize, header.fWide ? 2 : 1) < listSize;
}

} // namespace afDataBlock
