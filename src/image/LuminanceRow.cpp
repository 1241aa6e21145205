#include "image/LuminanceRow.h"

#include <algorithm>
#include <cstddef>

#include "image/PixelHelpers.h"

#if defined(QUIVANE_BYTE_RANGE_AVX2)
#define QUIVANE_LUMINANCE_AVX2 1
#endif

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

#if defined(QUIVANE_LUMINANCE_AVX2)

// (64 r + 160 g + 32 b) / 256 is (2 r + 5 g + b) / 8: the weights shrink to
// bytes, so one multiply-add of bytes and one of words give the sum, and it
// never exceeds 2040.
//
// Eight pixels to a register: four from `bgr` in the low half and four from
// `bgr + 12` in the high half, each spread to a 32-bit lane (blue, green,
// red, zero), so the loads read four bytes past the eighth pixel.
__attribute__((target("avx2"))) inline __m256i EightLuminances(const std::uint8_t* bgr)
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
__attribute__((target("avx2"))) inline __m256i ThirtyTwoLuminances(const std::uint8_t* bgr)
{
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i low = _mm256_packus_epi32(EightLuminances(bgr), EightLuminances(bgr + 24));
    const __m256i high = _mm256_packus_epi32(EightLuminances(bgr + 48), EightLuminances(bgr + 72));
    return _mm256_permutevar8x32_epi32(_mm256_packus_epi16(low, high), order);
}

// Pixels i .. i + 31 of a row: their luminances stored, and the running
// range widened by them.
__attribute__((target("avx2"))) inline void StoreBlock(const std::uint8_t* bgr, int i, std::uint8_t* luminance,
                                                       __m256i& smallest, __m256i& largest)
{
    const __m256i levels = ThirtyTwoLuminances(bgr + 3 * static_cast<std::size_t>(i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(luminance + i), levels);
    smallest = _mm256_min_epu8(smallest, levels);
    largest = _mm256_max_epu8(largest, levels);
}

__attribute__((target("avx2"))) ByteRange LuminanceRowAvx2(const std::uint8_t* bgr, int count,
                                                           std::uint8_t* luminance)
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

// Processors with AVX-512's byte permutations and dot products of bytes
// spread each pixel to a 32-bit lane (blue, green, red, and a byte the
// weights ignore), and one dot product weighs and sums its channels.
struct PixelSpread {
    alignas(64) std::uint8_t index[64];
};
constexpr PixelSpread SpreadPixels = [] {
    PixelSpread spread{};
    for (int j = 0; j < 16; ++j)
        for (int c = 0; c < 4; ++c) spread.index[4 * j + c] = static_cast<std::uint8_t>(3 * j + (c < 3 ? c : 0));
    return spread;
}();

// Sixteen pixels' weighed sums 2 r + 5 g + b, from their 48 bytes.
__attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vnni"))) inline __m512i SixteenSums(__m512i bytes)
{
    const __m512i spread = _mm512_maskz_permutexvar_epi8(~0ull, _mm512_load_si512(SpreadPixels.index), bytes);
    return _mm512_dpbusd_epi32(_mm512_setzero_si512(), spread, _mm512_set1_epi32(0x00020501));
}

// Pixels i .. i + 63 of a row, reading no byte past the last: their
// luminances stored, and the running range widened by them.
__attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vnni"))) inline void StoreWideBlock(
    const std::uint8_t* bgr, int i, std::uint8_t* luminance, __m512i& smallest, __m512i& largest)
{
    const std::uint8_t* p = bgr + 3 * static_cast<std::size_t>(i);
    const __m512i a = SixteenSums(_mm512_loadu_si512(p)), b = SixteenSums(_mm512_loadu_si512(p + 48)),
                  c = SixteenSums(_mm512_loadu_si512(p + 96)),
                  d = SixteenSums(_mm512_maskz_loadu_epi8(0x0000FFFFFFFFFFFFull, p + 144));
    // The sums fit words; the packs interleave the registers' 128-bit
    // lanes, and the permutation puts them back in pixel order.
    const __m512i ab = _mm512_srli_epi16(_mm512_packus_epi32(a, b), 3);
    const __m512i cd = _mm512_srli_epi16(_mm512_packus_epi32(c, d), 3);
    const __m512i levels = _mm512_maskz_permutexvar_epi32(
        0xFFFF, _mm512_setr_epi32(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15), _mm512_packus_epi16(ab, cd));
    _mm512_storeu_si512(luminance + i, levels);
    smallest = _mm512_min_epu8(smallest, levels);
    largest = _mm512_max_epu8(largest, levels);
}

// A row of at least 64 pixels; what the blocks leave over is done by one
// more block that overlaps the one before.
__attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vnni"))) ByteRange
LuminanceRowAvx512(const std::uint8_t* bgr, int count, std::uint8_t* luminance)
{
    __m512i smallest = _mm512_set1_epi8(-1), largest = _mm512_setzero_si512();
    int i = 0;
    for (; i + 64 <= count; i += 64) StoreWideBlock(bgr, i, luminance, smallest, largest);
    if (i < count) StoreWideBlock(bgr, count - 64, luminance, smallest, largest);
    return FoldedRange(_mm256_min_epu8(_mm512_maskz_extracti64x4_epi64(0xFF, smallest, 0),
                                       _mm512_maskz_extracti64x4_epi64(0xFF, smallest, 1)),
                       _mm256_max_epu8(_mm512_maskz_extracti64x4_epi64(0xFF, largest, 0),
                                       _mm512_maskz_extracti64x4_epi64(0xFF, largest, 1)));
}

#endif

}  // namespace

bool ProcessorHas(LuminanceWay way)
{
#if defined(QUIVANE_LUMINANCE_AVX2)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    static const bool avx512 = avx2 && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
                               __builtin_cpu_supports("avx512vnni");
    if (way == LuminanceWay::Avx2) return avx2;
    if (way == LuminanceWay::Avx512) return avx512;
#endif
    return way == LuminanceWay::Plain;
}

ByteRange LuminanceRowBy(LuminanceWay way, const ColourPixel* in, int count, std::uint8_t* luminance)
{
    static_assert(sizeof(ColourPixel) == 3);
    const auto* bgr = reinterpret_cast<const std::uint8_t*>(in);
#if defined(QUIVANE_LUMINANCE_AVX2)
    // A row shorter than a wide block takes the narrower one.
    if (way == LuminanceWay::Avx512 && count >= 64) return LuminanceRowAvx512(bgr, count, luminance);
    if (way != LuminanceWay::Plain) return LuminanceRowAvx2(bgr, count, luminance);
#endif
    return PlainLuminanceRow(bgr, count, luminance);
}

ByteRange LuminanceRow(const ColourPixel* in, int count, std::uint8_t* luminance)
{
    static const LuminanceWay fastest = ProcessorHas(LuminanceWay::Avx512) ? LuminanceWay::Avx512
                                        : ProcessorHas(LuminanceWay::Avx2) ? LuminanceWay::Avx2
                                                                           : LuminanceWay::Plain;
    return LuminanceRowBy(fastest, in, count, luminance);
}

}  // namespace quivane
