#include "pel/base/Crc.h"

#include <cpuid.h>
#include <cstring>
#include <cwchar>
#include <immintrin.h>

namespace pel {

namespace {

// Slicing by 16: entry[k][b] is the register change of byte b followed by k zero bytes, so
// sixteen table lookups advance the register over sixteen bytes at once.
struct SlicedTables {
    uint32_t entry[16][256];
};

constexpr SlicedTables makeSlicedTables() {
    SlicedTables tables{};
    for (int b = 0; b < 256; ++b)
        tables.entry[0][b] = crc_detail::kCrc32.entry[b];
    for (int k = 1; k < 16; ++k)
        for (int b = 0; b < 256; ++b) {
            const uint32_t prev = tables.entry[k - 1][b];
            tables.entry[k][b] = (prev >> 8) ^ tables.entry[0][prev & 0xFF];
        }
    return tables;
}

constexpr SlicedTables kSliced = makeSlicedTables();

inline uint32_t load32(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

inline uint32_t step32(uint32_t reg, uint8_t byte) {
    return (reg >> 8) ^ kSliced.entry[0][(reg ^ byte) & 0xFF];
}

struct Crc64Table {
    uint64_t entry[256];
};

constexpr Crc64Table makeCrc64Table() {
    Crc64Table table{};
    for (uint64_t i = 0; i < 256; ++i) {
        uint64_t value = i << 56;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & (1ull << 63)) ? (value << 1) ^ 0x42F0E1EBA9EA3693ull : value << 1;
        table.entry[i] = value;
    }
    return table;
}

constexpr Crc64Table kCrc64 = makeCrc64Table();

inline uint64_t step64(uint64_t reg, uint8_t byte) {
    return (reg << 8) ^ kCrc64.entry[((reg >> 56) ^ byte) & 0xFF];
}

inline wchar_t foldAsciiUpper(wchar_t unit) {
    return (unit >= L'a' && unit <= L'z') ? static_cast<wchar_t>(unit - (L'a' - L'A')) : unit;
}

// Carry-less multiplication folds 64 bytes per step (the published PCLMULQDQ method for
// reflected CRCs): several times faster than tables on processors that have the instruction.
#define PEL_CLMUL __attribute__((target("pclmul,sse4.1")))

PEL_CLMUL inline __m128i load128(const uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// acc times the folding constants in k, plus next.
PEL_CLMUL inline __m128i fold128(__m128i acc, __m128i next, __m128i k) {
    const __m128i low = _mm_clmulepi64_si128(acc, k, 0x00);
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(acc, k, 0x11), next), low);
}

// Takes and returns the raw register; length is at least 64 and a multiple of 16.
PEL_CLMUL uint32_t foldClmul(uint32_t reg, const uint8_t* p, size_t length) {
    alignas(16) static const uint64_t k1k2[2] = {0x0154442bd4ull, 0x01c6e41596ull};
    alignas(16) static const uint64_t k3k4[2] = {0x01751997d0ull, 0x00ccaa009eull};
    alignas(16) static const uint64_t k5k0[2] = {0x0163cd6124ull, 0};
    alignas(16) static const uint64_t poly[2] = {0x01db710641ull, 0x01f7011641ull};

    __m128i x1 = _mm_xor_si128(load128(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i x2 = load128(p + 16), x3 = load128(p + 32), x4 = load128(p + 48);
    __m128i x0 = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    p += 64;
    length -= 64;
    while (length >= 64) {
        x1 = fold128(x1, load128(p), x0);
        x2 = fold128(x2, load128(p + 16), x0);
        x3 = fold128(x3, load128(p + 32), x0);
        x4 = fold128(x4, load128(p + 48), x0);
        p += 64;
        length -= 64;
    }
    x0 = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    x1 = fold128(fold128(fold128(x1, x2, x0), x3, x0), x4, x0);
    while (length >= 16) {
        x1 = fold128(x1, load128(p), x0);
        p += 16;
        length -= 16;
    }
    // 128 bits down to 64, then Barrett reduction to 32.
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, x0, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    x0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), x0, 0x00), x2);
    x0 = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
    x2 = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), x0, 0x10), mask32);
    x2 = _mm_clmulepi64_si128(x2, x0, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, x2), 1));
}

bool hasClmul() {
    static const bool present = [] {
        unsigned a, b, c, d;
        return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (c & bit_SSE4_1);
    }();
    return present;
}

} // namespace

uint32_t crc32Continue(uint32_t previous, const void* data, size_t length) {
    if (length == 0)
        return previous;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint32_t reg = ~previous;
    if (length >= 64 && hasClmul()) {
        const size_t folded = length & ~size_t(15);
        reg = foldClmul(reg, p, folded);
        p += folded;
        length -= folded;
    }
    const auto& t = kSliced.entry;
    while (length >= 16) {
        const uint32_t a = load32(p) ^ reg, b = load32(p + 4), c = load32(p + 8), d = load32(p + 12);
        reg = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
        length -= 16;
    }
    while (length--)
        reg = step32(reg, *p++);
    return ~reg;
}

uint32_t crc32(const void* data, size_t length) { return crc32Continue(0, data, length); }

uint32_t crc32Chars(const wchar_t* text, size_t length) {
    // wchar_t is 16 bits, little-endian: the units' bytes are already low byte first.
    static_assert(sizeof(wchar_t) == 2, "UTF-16 wchar_t expected");
    return text ? crc32Continue(0, text, length * 2) : 0;
}

uint32_t crc32String(const wchar_t* text) { return text ? crc32Chars(text, std::wcslen(text)) : 0; }

uint32_t crc32CharNoCase(uint32_t previous, wchar_t unit) {
    const wchar_t folded = foldAsciiUpper(unit);
    uint32_t reg = ~previous;
    reg = step32(reg, static_cast<uint8_t>(folded & 0xFF));
    reg = step32(reg, static_cast<uint8_t>(folded >> 8));
    return ~reg;
}

uint32_t crc32StringNoCase(const wchar_t* text) {
    if (!text || !*text)
        return 0;
    uint32_t crc = 0;
    for (; *text; ++text)
        crc = crc32CharNoCase(crc, *text);
    return crc;
}

uint32_t crc32Update(uint32_t previous, const wchar_t* text) {
    if (!text || !*text)
        return previous;
    uint32_t reg = ~previous;
    for (; *text; ++text)
        reg = step32(reg, static_cast<uint8_t>(*text & 0xFF));
    return ~reg;
}

uint64_t crc64Continue(uint64_t previous, const void* data, size_t length) {
    if (length == 0)
        return previous;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint64_t reg = ~previous;
    while (length--)
        reg = step64(reg, *p++);
    return ~reg;
}

uint64_t crc64(uint64_t previous, wchar_t unit) { return crc64Continue(previous, &unit, 2); }

uint64_t crc64String(const wchar_t* text) { return text ? crc64Continue(0, text, std::wcslen(text) * 2) : 0; }

uint64_t crc64StringNoCase(const wchar_t* text) {
    if (!text || !*text)
        return 0;
    uint64_t crc = 0;
    for (; *text; ++text)
        crc = crc64(crc, foldAsciiUpper(*text));
    return crc;
}

} // namespace pel
