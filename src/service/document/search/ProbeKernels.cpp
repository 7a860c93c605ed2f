#include "service/document/search/ProbeKernels.h"

#include <immintrin.h>

namespace tessel {

namespace probe_sse2 {

struct Vec {
    using V = __m128i;
    static constexpr int32_t UNITS = 8;
    static V load(const wchar_t* units) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(units)); }
    static V set1(wchar_t unit) { return _mm_set1_epi16(static_cast<short>(unit)); }
    static V zero() { return _mm_setzero_si128(); }
    static V eq(V a, V b) { return _mm_cmpeq_epi16(a, b); }
    static V orv(V a, V b) { return _mm_or_si128(a, b); }
    static V andv(V a, V b) { return _mm_and_si128(a, b); }
    static V xorv(V a, V b) { return _mm_xor_si128(a, b); }
    static V notv(V a) { return _mm_xor_si128(a, _mm_set1_epi32(-1)); }
    static V sub(V a, V b) { return _mm_sub_epi16(a, b); }
    // Unsigned, stopping at zero.
    static V subs(V a, V b) { return _mm_subs_epu16(a, b); }
    static bool any(V a) { return _mm_movemask_epi8(a) != 0; }
    // One bit per unit of two masks, a's first.
    static uint32_t bits(V a, V b) { return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b))); }
};

#include "service/document/search/ProbeBlocks.inl"

} // namespace probe_sse2

// Only what ProbeHits runs where the processor has AVX2 is compiled for it.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace probe_avx2 {

struct Vec {
    using V = __m256i;
    static constexpr int32_t UNITS = 16;
    static V load(const wchar_t* units) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units)); }
    static V set1(wchar_t unit) { return _mm256_set1_epi16(static_cast<short>(unit)); }
    static V zero() { return _mm256_setzero_si256(); }
    static V eq(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
    static V orv(V a, V b) { return _mm256_or_si256(a, b); }
    static V andv(V a, V b) { return _mm256_and_si256(a, b); }
    static V xorv(V a, V b) { return _mm256_xor_si256(a, b); }
    static V notv(V a) { return _mm256_xor_si256(a, _mm256_set1_epi32(-1)); }
    static V sub(V a, V b) { return _mm256_sub_epi16(a, b); }
    static V subs(V a, V b) { return _mm256_subs_epu16(a, b); }
    static bool any(V a) { return !_mm256_testz_si256(a, a); }
    // The pack interleaves the halves of a and b by 128-bit lane; the permute puts a's first.
    static uint32_t bits(V a, V b) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(_mm256_packs_epi16(a, b), 0xD8)));
    }
};

#include "service/document/search/ProbeBlocks.inl"

} // namespace probe_avx2

#pragma GCC pop_options

} // namespace tessel
