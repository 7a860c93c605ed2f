#pragma once
// The generated Unicode 4.0 property ranges behind getCharacterProperties (internal).

#include <cstdint>

namespace pel {
namespace character_properties {

// One run of code points with equal masks, ending at `last`; the runs follow each other from
// U+0000 in ascending order.
struct CharacterRange {
    uint32_t last;
    uint32_t mask;
};

constexpr int RANGE_COUNT = 1896;
constexpr uint32_t LAST_CODE_POINT = 0xFFFFE;

extern const CharacterRange RANGES[RANGE_COUNT];

} // namespace character_properties
} // namespace pel
