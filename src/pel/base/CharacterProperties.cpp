#include "pel/base/CharacterProperties.h"

#include "pel/base/CharacterPropertiesTable.h"

namespace pel {

using namespace character_properties;

uint32_t getCharacterProperties(uint32_t codePoint) {
    if (codePoint > LAST_CODE_POINT)
        return 0;
    // Lower bound on the range ends, without branches that depend on the data.
    const CharacterRange* first = RANGES;
    int count = RANGE_COUNT;
    while (count > 1) {
        const int half = count / 2;
        first = first[half - 1].last < codePoint ? first + half : first;
        count -= half;
    }
    first += first->last < codePoint; // the table's last range ends at LAST_CODE_POINT
    uint32_t mask = first->mask;
    if (codePoint == 0x5F) // the low line belongs to words, not to punctuation
        mask = (mask & ~static_cast<uint32_t>(CHARACTER_PUNCTUATION)) | CHARACTER_WORD;
    return mask;
}

bool isCharacterClassChange(uint32_t a, uint32_t b) {
    const uint32_t classMask = CHARACTER_WORD | CHARACTER_SPACE;
    const uint32_t classA = a & classMask;
    const uint32_t classB = b & classMask;
    return classA == 0 || classB == 0 || classA != classB;
}

} // namespace pel
