#include "pel/base/Ascii.h"

namespace pel {

namespace {

constexpr uint32_t classify(int c) {
    using A = Ascii;
    if (c < 32 || c == 127)
        return A::CONTROL | ((c >= 9 && c <= 13) ? uint32_t(A::SPACE) : 0u);
    if (c == ' ')
        return A::SPACE | A::PRINTABLE;
    uint32_t bits = A::GRAPHIC | A::PRINTABLE;
    if (c >= '0' && c <= '9')
        return bits | A::DIGIT | A::HEX_DIGIT;
    if (c >= 'A' && c <= 'Z')
        return bits | A::LETTER | A::UPPER | (c <= 'F' ? uint32_t(A::HEX_DIGIT) : 0u);
    if (c >= 'a' && c <= 'z')
        return bits | A::LETTER | A::LOWER | (c <= 'f' ? uint32_t(A::HEX_DIGIT) : 0u);
    return bits | A::PUNCTUATION;
}

constexpr std::array<uint32_t, 128> buildTable() {
    std::array<uint32_t, 128> table{};
    for (int c = 0; c < 128; ++c)
        table[static_cast<size_t>(c)] = classify(c);
    return table;
}

} // namespace

const std::array<uint32_t, 128> Ascii::TABLE = buildTable();

} // namespace pel
