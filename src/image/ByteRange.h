#pragma once

// The smallest and largest of a run of bytes, and, for the vector paths that
// keep running minimums and maximums in registers, their folding at the end.

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define QUIVANE_BYTE_RANGE_AVX2 1
#endif

namespace quivane {

// An empty run has smallest 255 and largest 0, so any byte widens it.
struct ByteRange {
    int smallest = 255, largest = 0;
};

#if defined(QUIVANE_BYTE_RANGE_AVX2)

// The smallest of `low`'s 32 bytes and the largest of `high`'s: halves
// folded onto each other, both at once.
__attribute__((target("avx2"))) inline ByteRange FoldedRange(__m256i low, __m256i high)
{
    __m128i a = _mm_min_epu8(_mm256_castsi256_si128(low), _mm256_extracti128_si256(low, 1));
    __m128i b = _mm_max_epu8(_mm256_castsi256_si128(high), _mm256_extracti128_si256(high, 1));
    a = _mm_min_epu8(a, _mm_srli_si128(a, 8)), b = _mm_max_epu8(b, _mm_srli_si128(b, 8));
    a = _mm_min_epu8(a, _mm_srli_si128(a, 4)), b = _mm_max_epu8(b, _mm_srli_si128(b, 4));
    a = _mm_min_epu8(a, _mm_srli_si128(a, 2)), b = _mm_max_epu8(b, _mm_srli_si128(b, 2));
    a = _mm_min_epu8(a, _mm_srli_si128(a, 1)), b = _mm_max_epu8(b, _mm_srli_si128(b, 1));
    return {_mm_cvtsi128_si32(a) & 0xFF, _mm_cvtsi128_si32(b) & 0xFF};
}

#endif

}  // namespace quivane
