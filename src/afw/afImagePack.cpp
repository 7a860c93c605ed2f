#include "afw/afImagePack.h"

#include "afw/afLog.h"
#include "pel/base/Assert.h"

#include <cstring>

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
    uint32_t count = 0;
    if (size >= sizeof count)
        std::memcpy(&count, base, sizeof count);
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
    return pack;
}

bool afImagePack::entry(uint32_t index, const uint8_t** o_bytes, uint32_t* o_size) const {
    PEL_CHECK_PTR(o_bytes);
    PEL_CHECK_PTR(o_size);
    if (index >= count)
        return false;
    const uint32_t start = index ? endOffsets[index - 1] : 0;
    const uint32_t end = endOffsets[index];
    const uint64_t room = size - static_cast<uint64_t>(data - base);
    if (start > end || end > room)
        return false;
    *o_bytes = data + start;
    *o_size = end - start;
    return true;
}
