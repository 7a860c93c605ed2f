#include "afw/graphics/afImagePack.h"

#include "afw/core/afLog.h"
#include "pel/base/Assert.h"

#include <cstring>

namespace {

uint32_t readWord(const uint8_t* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

uint32_t readBigEndian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

// The width and height in a PNG's header chunk, which follows the 8-byte signature.
bool pngSize(const uint8_t* png, uint32_t length, int64_t* o_width, int64_t* o_height) {
    if (length < 24 || std::memcmp(png + 12, "IHDR", 4) != 0)
        return false;
    *o_width = readBigEndian(png + 16);
    *o_height = readBigEndian(png + 20);
    return true;
}

} // namespace

std::unique_ptr<afImagePack> afImagePack::load(HMODULE module) {
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(RESOURCE_ID), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = resource ? ::SizeofResource(module, resource) : 0;
    if (!bytes || !size)
        return nullptr;
    return fromBytes(bytes, size);
}

std::unique_ptr<afImagePack> afImagePack::fromBytes(const void* bytes, uint32_t size) {
    if (!bytes)
        return nullptr;
    const uint8_t* base = static_cast<const uint8_t*>(bytes);
    const uint32_t count = size >= 4 ? readWord(base) : 0;
    // The count and one end offset per entry must lie inside the resource.
    const uint64_t table = 4 * (uint64_t(count) + 1);
    if (size < table) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                        L"afImagePack: resource %d of %u bytes is too short for %u entries; no images.\n",
                        RESOURCE_ID, size, count);
        return nullptr;
    }
    std::unique_ptr<afImagePack> pack(new afImagePack);
    pack->base = base;
    pack->endOffsets = reinterpret_cast<const uint32_t*>(base + 4);
    pack->data = base + table;
    pack->size = size;
    pack->count = count;
    if (const wchar_t* fault = pack->findFault()) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afImagePack: resource %d is damaged: %s; no images.\n",
                        RESOURCE_ID, fault);
        return nullptr;
    }
    return pack;
}

const wchar_t* afImagePack::findFault() const {
    const uint64_t room = size - static_cast<uint64_t>(data - base);
    uint32_t start = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t end = readWord(reinterpret_cast<const uint8_t*>(endOffsets + i));
        if (end < start)
            return L"an end offset decreases";
        if (end > room)
            return L"an entry ends outside the data";
        start = end;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (kind(i) != KIND_NINE_PATCH)
            continue;
        afNinePatchMetrics metrics;
        const uint8_t* png = nullptr;
        uint32_t length = 0;
        if (!ninePatch(i, &metrics, &png, &length))
            return L"a nine-patch entry is shorter than its header";
        int64_t width = 0, height = 0;
        if (!pngSize(png, length, &width, &height))
            return L"a nine-patch entry holds no PNG header";
        const auto within = [](int64_t low, int64_t high, int64_t side) { return 0 <= low && low <= high && high <= side; };
        if (!within(metrics.stretchLeft, metrics.stretchRight, width) ||
            !within(metrics.stretchTop, metrics.stretchBottom, height))
            return L"a nine-patch entry stretches outside its image";
    }
    return nullptr;
}

bool afImagePack::entry(uint32_t index, const uint8_t** o_bytes, uint32_t* o_size) const {
    PEL_CHECK_PTR(o_bytes);
    PEL_CHECK_PTR(o_size);
    if (index >= count)
        return false;
    const uint8_t* table = reinterpret_cast<const uint8_t*>(endOffsets);
    const uint32_t start = index ? readWord(table + 4 * (index - 1)) : 0;
    const uint32_t end = readWord(table + 4 * index);
    const uint64_t room = size - static_cast<uint64_t>(data - base);
    if (start > end || end > room)
        return false;
    *o_bytes = data + start;
    *o_size = end - start;
    return true;
}

uint32_t afImagePack::kind(uint32_t index) const {
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
    return entry(index, &bytes, &length) && length >= 4 ? readWord(bytes) : 0;
}

bool afImagePack::ninePatch(uint32_t index, afNinePatchMetrics* o_metrics, const uint8_t** o_png,
                            uint32_t* o_size) const {
    PEL_CHECK_PTR(o_metrics);
    PEL_CHECK_PTR(o_png);
    PEL_CHECK_PTR(o_size);
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
    if (!entry(index, &bytes, &length) || length < NINE_PATCH_HEADER || readWord(bytes) != KIND_NINE_PATCH)
        return false;
    int32_t values[8];
    std::memcpy(values, bytes + 4, sizeof values);
    *o_metrics = {values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7]};
    *o_png = bytes + NINE_PATCH_HEADER;
    *o_size = length - NINE_PATCH_HEADER;
    return true;
}
