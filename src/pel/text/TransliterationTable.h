#pragma once
// The generated ASCII stand-ins behind Inflector::transliterate (internal).

#include <cstdint>

namespace pel {
namespace transliteration {

// One character and the text that replaces it; ENTRIES is sorted by key.
struct Entry {
    uint16_t key;
    const wchar_t* text;
};

constexpr int ENTRY_COUNT = 1782;

extern const Entry ENTRIES[ENTRY_COUNT];

} // namespace transliteration
} // namespace pel
