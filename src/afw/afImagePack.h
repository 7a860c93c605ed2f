#pragma once
// The image pack: resource 175 (RCDATA) of the program, holding the framework's images. It
// starts with a 32-bit count and the end offset of each entry (counted from the data area that
// follows the table); the image readers decode the entries. The resource stays mapped; the
// handle only points into it.

#include <cstdint>
#include <memory>
#include <windows.h>

struct afImagePack {
    static constexpr int RESOURCE_ID = 175;

    const uint8_t* base = nullptr;
    const uint32_t* endOffsets = nullptr;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t count = 0;

    // The pack of the module; null when it has none or the resource is too short for its own
    // count table (one log line says so).
    static std::unique_ptr<afImagePack> load(HMODULE module);
    // The same over bytes at hand.
    static std::unique_ptr<afImagePack> fromBytes(const void* bytes, uint32_t size);

    // Entry index's bytes; false when there is no such entry or its offsets leave the resource.
    bool entry(uint32_t index, const uint8_t** o_bytes, uint32_t* o_size) const;
};
