#pragma once
// CRC-32 (ISO-HDLC, as zlib and PNG) and CRC-64/WE over bytes and UTF-16 text. Names across the
// system are compared by these hashes. Continuing from a previous value equals hashing both
// pieces at once; the empty input hashes to 0.

#include <cstddef>
#include <cstdint>

namespace pel {

namespace crc_detail {
struct Crc32Table {
    uint32_t entry[256];
};
constexpr Crc32Table makeCrc32Table() {
    Crc32Table table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table.entry[i] = value;
    }
    return table;
}
inline constexpr Crc32Table kCrc32 = makeCrc32Table();
} // namespace crc_detail

// CRC-32 of an 8-bit literal, at compile time: symbol constants are written with it.
constexpr uint32_t crc32Literal(const char* text) {
    uint32_t reg = 0xFFFFFFFFu;
    for (; *text; ++text)
        reg = (reg >> 8) ^ crc_detail::kCrc32.entry[(reg ^ static_cast<uint8_t>(*text)) & 0xFF];
    return ~reg;
}

uint32_t crc32(const void* data, size_t length);
uint32_t crc32Continue(uint32_t previous, const void* data, size_t length);

// Over UTF-16 text, each unit as two bytes, low byte first.
uint32_t crc32String(const wchar_t* text);
uint32_t crc32Chars(const wchar_t* text, size_t length);
// As crc32String after folding 'a'..'z' (and nothing else) to upper case.
uint32_t crc32StringNoCase(const wchar_t* text);
uint32_t crc32CharNoCase(uint32_t previous, wchar_t unit);
// Continues over the low byte of each unit only: the form of symbols made from wide names.
uint32_t crc32Update(uint32_t previous, const wchar_t* text);

uint64_t crc64(uint64_t previous, wchar_t unit);
uint64_t crc64String(const wchar_t* text);
uint64_t crc64StringNoCase(const wchar_t* text);
// CRC-64/WE over bytes; the unit forms above are built on it.
uint64_t crc64Continue(uint64_t previous, const void* data, size_t length);

} // namespace pel
