#pragma once

// The smallest and largest of a run of bytes, and, for the vector paths that
// keep running minimums and maximums in registers, their folding at the end.

#include "cpu/SimdTargets.h"

namespace quivane {

// An empty run has smallest 255 and largest 0, so any byte widens it.
struct ByteRange {
    int smallest = 255, largest = 0;
};

#if QUIVANE_X86_VECTORS

// The smallest of `low`'s 32 bytes and the largest of `high`'s: halves
// folded onto each other, then byte pairs into words, of which the
// processor finds the smallest in one step (the largest as the smallest of
// their complements).
QUIVANE_AVX2_TARGET inline ByteRange FoldedRange(__m256i low, __m256i high)
{
    const __m128i a = _mm_min_epu8(_mm256_castsi256_si128(low), _mm256_extracti128_si256(low, 1));
    const __m128i b = _mm_xor_si128(_mm_max_epu8(_mm256_castsi256_si128(high), _mm256_extracti128_si256(high, 1)),
                                    _mm_set1_epi8(-1));
    const __m128i lowBytes = _mm_set1_epi16(0xFF);
    const __m128i aWords = _mm_min_epu16(_mm_and_si128(a, lowBytes), _mm_srli_epi16(a, 8));
    const __m128i bWords = _mm_min_epu16(_mm_and_si128(b, lowBytes), _mm_srli_epi16(b, 8));
    return {_mm_cvtsi128_si32(_mm_minpos_epu16(aWords)) & 0xFF,
            255 - (_mm_cvtsi128_si32(_mm_minpos_epu16(bWords)) & 0xFF)};
}

#endif

}  // namespace quivane
