#include "image/LuminanceRow.h"

#include <algorithm>
#include <cstddef>

#include "cpu/SimdTargets.h"
#include "image/PixelHelpers.h"

namespace quivane {
namespace {

ByteRange PlainLuminanceRow(const std::uint8_t* bgr, int count, std::uint8_t* luminance)
{
    ByteRange range;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = 3 * static_cast<std::size_t>(i);
        const int level = Luminance(bgr[at + 2], bgr[at + 1], bgr[at]);
        luminance[i] = static_cast<std::uint8_t>(level);
        range.smallest = std::min(range.smallest, level);
        range.largest = std::max(range.largest, level);
    }
    return range;
}

#if QUIVANE_X86_VECTORS

// (64 r + 160 g + 32 b) / 256 is (2 r + 5 g + b) / 8: the weights shrink to
// bytes, so one multiply-add of bytes and one of words give the sum, and it
// never exceeds 2040.
//
// Eight pixels to a register: four from `bgr` in the low half and four from
// `bgr + 12` in the high half, each spread to a 32-bit lane (blue, green,
// red, zero), so the loads read four bytes past the eighth pixel.
QUIVANE_AVX2_TARGET inline __m256i EightLuminances(const std::uint8_t* bgr)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i byteWeights = _mm256_setr_epi8(1, 5, 2, 0, 1, 5, 2, 0, 1, 5, 2, 0, 1, 5, 2, 0,  //
                                                 1, 5, 2, 0, 1, 5, 2, 0, 1, 5, 2, 0, 1, 5, 2, 0);
    const __m256i bytes = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 12)), 1);
    const __m256i pairs = _mm256_maddubs_epi16(_mm256_shuffle_epi8(bytes, spread), byteWeights);
    return _mm256_srli_epi32(_mm256_madd_epi16(pairs, _mm256_set1_epi16(1)), 3);
}

// Thirty-two pixels' luminances in pixel order, reading four bytes past the
// last pixel. Packing interleaves the halves of the registers; the
// permutation puts the groups of four back in pixel order.
QUIVANE_AVX2_TARGET inline __m256i ThirtyTwoLuminances(const std::uint8_t* bgr)
{
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i low = _mm256_packus_epi32(EightLuminances(bgr), EightLuminances(bgr + 24));
    const __m256i high = _mm256_packus_epi32(EightLuminances(bgr + 48), EightLuminances(bgr + 72));
    return _mm256_permutevar8x32_epi32(_mm256_packus_epi16(low, high), order);
}

// Pixels i .. i + 31 of a row: their luminances stored, and the running
// range widened by them.
QUIVANE_AVX2_TARGET inline void StoreBlock(const std::uint8_t* bgr, int i, std::uint8_t* luminance, __m256i& smallest,
                                           __m256i& largest)
{
    const __m256i levels = ThirtyTwoLuminances(bgr + 3 * static_cast<std::size_t>(i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(luminance + i), levels);
    smallest = _mm256_min_epu8(smallest, levels);
    largest = _mm256_max_epu8(largest, levels);
}

QUIVANE_AVX2_TARGET ByteRange LuminanceRowAvx2(const std::uint8_t* bgr, int count, std::uint8_t* luminance)
{
    __m256i smallest = _mm256_set1_epi8(-1), largest = _mm256_setzero_si256();
    // Two pixels kept back from each block cover the bytes read past the
    // last. What the blocks leave over, bar those two, is done by one more
    // block that overlaps the one before: it writes the same bytes again.
    int i = 0;
    for (; i + 34 <= count; i += 32) StoreBlock(bgr, i, luminance, smallest, largest);
    if (i > 0 && i < count - 2) {
        StoreBlock(bgr, count - 34, luminance, smallest, largest);
        i = count - 2;
    }
    ByteRange range = PlainLuminanceRow(bgr + 3 * static_cast<std::size_t>(i), count - i, luminance + i);
    if (i > 0) {
        const ByteRange body = FoldedRange(smallest, largest);
        range.smallest = std::min(range.smallest, body.smallest);
        range.largest = std::max(range.largest, body.largest);
    }
    return range;
}

#endif

}  // namespace

ByteRange LuminanceRow(const ColourPixel* in, int count, std::uint8_t* luminance)
{
    static_assert(sizeof(ColourPixel) == 3);
    const auto* bgr = reinterpret_cast<const std::uint8_t*>(in);
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return LuminanceRowAvx2(bgr, count, luminance);
#endif
    return PlainLuminanceRow(bgr, count, luminance);
}

}  // namespace quivane
