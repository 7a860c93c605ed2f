#include "pel/base/detail/Sha1Blocks.h"

#include <cpuid.h>
#include <immintrin.h>

namespace pel {
namespace detail {

namespace {
inline uint32_t rotl(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

inline uint32_t loadBigEndian(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

#define PEL_SHA_TARGET __attribute__((target("sha,ssse3,sse4.1")))

// Four rounds with round function F on the message group, updating the message schedule:
// group g of the schedule is msg2(msg1(m[g-4], m[g-3]) ^ m[g-2], m[g-1]), kept in a ring of four.
template <int F>
PEL_SHA_TARGET inline void fourRounds(__m128i& abcd, __m128i& previous, __m128i (&m)[4], int g) {
    __m128i& group = m[g & 3];
    if (g >= 4)
        group = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(group, m[(g + 1) & 3]), m[(g + 2) & 3]),
                                   m[(g + 3) & 3]);
    const __m128i e = _mm_sha1nexte_epu32(previous, group);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, F);
}
} // namespace

void sha1BlocksPortable(uint32_t state[5], const unsigned char* data, size_t blocks) {
    for (; blocks > 0; --blocks, data += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i)
            w[i] = loadBigEndian(data + 4 * i);
        for (int i = 16; i < 80; ++i)
            w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        auto round = [&](uint32_t f, uint32_t k, uint32_t word) {
            const uint32_t t = rotl(a, 5) + f + e + k + word;
            e = d;
            d = c;
            c = rotl(b, 30);
            b = a;
            a = t;
        };
        for (int i = 0; i < 20; ++i)
            round((b & c) | (~b & d), 0x5A827999, w[i]);
        for (int i = 20; i < 40; ++i)
            round(b ^ c ^ d, 0x6ED9EBA1, w[i]);
        for (int i = 40; i < 60; ++i)
            round((b & c) | (b & d) | (c & d), 0x8F1BBCDC, w[i]);
        for (int i = 60; i < 80; ++i)
            round(b ^ c ^ d, 0xCA62C1D6, w[i]);

        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

PEL_SHA_TARGET void sha1BlocksHardware(uint32_t state[5], const unsigned char* data, size_t blocks) {
    // Byte order of each 16-byte group reversed: big-endian words, the first word in the top lane.
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607ll, 0x08090a0b0c0d0e0fll);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

    for (; blocks > 0; --blocks, data += 64) {
        const __m128i savedAbcd = abcd, savedE = e0;
        __m128i m[4];
        for (int i = 0; i < 4; ++i)
            m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), reverse);

        // The first group takes E as it stands; later groups derive it from the state two steps back.
        __m128i previous = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e0, m[0]), 0);
        for (int g = 1; g < 5; ++g)
            fourRounds<0>(abcd, previous, m, g);
        for (int g = 5; g < 10; ++g)
            fourRounds<1>(abcd, previous, m, g);
        for (int g = 10; g < 15; ++g)
            fourRounds<2>(abcd, previous, m, g);
        for (int g = 15; g < 20; ++g)
            fourRounds<3>(abcd, previous, m, g);

        e0 = _mm_sha1nexte_epu32(previous, savedE);
        abcd = _mm_add_epi32(abcd, savedAbcd);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

bool hasSha1Instructions() {
    static const bool present = [] {
        unsigned a, b, c, d;
        if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSSE3) || !(c & bit_SSE4_1))
            return false;
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_SHA);
    }();
    return present;
}

} // namespace detail
} // namespace pel
