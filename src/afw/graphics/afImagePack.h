#pragma once
// The image pack: resource 175 (RCDATA) of the program, holding the framework's images. It
// starts with a 32-bit count and the end offset of each entry (counted from the data area that
// follows the table); each entry begins with its kind tag, the CRC-32 of "9patch" or "bitmap".
// A nine-patch entry then holds its four stretch bounds and four content paddings before its
// PNG bytes; a bitmap entry holds the PNG bytes at once. The resource stays mapped; the handle
// only points into it.
//
// A pack is checked whole when it is loaded, and a bad one counts as missing: the table must fit
// the resource, the end offsets must not decrease nor leave the data area, and every nine-patch
// entry must hold its header and stretch bounds inside its image.

#include "afw/resources/afIconIds.h"
#include "pel/base/Crc.h"

#include <cstdint>
#include <memory>
#include <windows.h>

// The header of a nine-patch entry: the stretchable centre [left, right) x [top, bottom) of
// the image, and the room its content keeps from each edge.
struct afNinePatchMetrics {
    int32_t stretchLeft = 0, stretchTop = 0, stretchRight = 0, stretchBottom = 0;
    int32_t paddingLeft = 0, paddingTop = 0, paddingRight = 0, paddingBottom = 0;
};

struct afImagePack {
    static constexpr int RESOURCE_ID = AF_IMAGE_PACK;
    static constexpr uint32_t KIND_NINE_PATCH = pel::crc32Literal("9patch"); // 0xB6BE96ED
    static constexpr uint32_t KIND_BITMAP = pel::crc32Literal("bitmap");     // 0xE86D5EAC
    // The kind tag and the eight 32-bit values of a nine-patch entry.
    static constexpr uint32_t NINE_PATCH_HEADER = 36;

    const uint8_t* base = nullptr;
    const uint32_t* endOffsets = nullptr;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t count = 0;

    // The pack of the module; null when it has none or it is bad (one log line says why).
    static std::unique_ptr<afImagePack> load(HMODULE module);
    // The same over bytes at hand, which must outlive the pack.
    static std::unique_ptr<afImagePack> fromBytes(const void* bytes, uint32_t size);

    // Entry index's bytes, tag included; false when there is no such entry.
    bool entry(uint32_t index, const uint8_t** o_bytes, uint32_t* o_size) const;
    // The kind tag of the entry; 0 when there is none.
    uint32_t kind(uint32_t index) const;
    // A nine-patch entry's metrics and PNG bytes; false when the entry is not a nine-patch.
    bool ninePatch(uint32_t index, afNinePatchMetrics* o_metrics, const uint8_t** o_png, uint32_t* o_size) const;

private:
    // Why the pack is bad, or null when it is sound.
    const wchar_t* findFault() const;
};
