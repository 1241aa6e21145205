#include "prepare/RowSurvey.h"

#include <algorithm>
#include <cstddef>

#include "cpu/SimdTargets.h"
#include "image/ByteRange.h"

namespace quivane {
namespace {

// Rows are taken in pieces of this many columns: a piece's column-weighted
// sum fits 32 bits (4095 * 4096 / 2 * 255 < 2^31).
constexpr int PieceColumns = 4096;

// A threshold of 255 or more leaves every weight 0; below, the weight test
// compares bytes.
std::uint8_t Limit(int threshold) { return static_cast<std::uint8_t>(std::clamp(threshold, 0, 255)); }

RowSurvey PlainSurveyPiece(const std::uint8_t* piece, int count, std::uint8_t limit)
{
    RowSurvey r;
    for (int i = 0; i < count; ++i) {
        const int v = piece[i];
        r.minimum = std::min(r.minimum, v);
        r.maximum = std::max(r.maximum, v);
        const int weight = v > limit ? v : 0;
        r.total += weight;
        r.sumX += static_cast<std::int64_t>(i) * weight;
    }
    return r;
}

#if QUIVANE_X86_VECTORS

QUIVANE_AVX2_TARGET std::int64_t LaneSum64(__m256i v)
{
    alignas(32) std::int64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), v);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

// One pass over 32 bytes at a time. A block's weights are summed by a sum of
// absolute differences from zero; their column-weighted sum splits into the
// block's first column times that sum, and each weight times its place in
// the block (at most 31 * 255, so byte products in 16-bit lanes are exact).
QUIVANE_AVX2_TARGET RowSurvey SurveyPieceAvx2(const std::uint8_t* piece, int count, std::uint8_t limit)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i places = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                            20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    const __m256i ones = _mm256_set1_epi16(1);
    // No byte exceeds 255, so a limit of 255 keeps every weight 0: the
    // compare below then never matches.
    const bool none = limit == 255;
    const __m256i above = _mm256_set1_epi8(static_cast<char>(none ? 255 : limit + 1));
    __m256i low = _mm256_set1_epi8(-1), high = zero;
    __m256i totals = zero, starts = zero, inBlock = zero;
    int i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(piece + i));
        low = _mm256_min_epu8(low, v);
        high = _mm256_max_epu8(high, v);
        __m256i weights = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(v, above), v), v);
        if (none) weights = zero;
        const __m256i sums = _mm256_sad_epu8(weights, zero);
        totals = _mm256_add_epi64(totals, sums);
        starts = _mm256_add_epi64(starts, _mm256_mul_epu32(sums, _mm256_set1_epi64x(i)));
        inBlock = _mm256_add_epi32(inBlock, _mm256_madd_epi16(_mm256_maddubs_epi16(weights, places), ones));
    }
    RowSurvey r = PlainSurveyPiece(piece + i, count - i, limit);
    r.sumX += static_cast<std::int64_t>(i) * r.total;
    if (i > 0) {
        const ByteRange range = FoldedRange(low, high);
        r.minimum = std::min(r.minimum, range.smallest);
        r.maximum = std::max(r.maximum, range.largest);
    }
    r.total += LaneSum64(totals);
    alignas(32) std::int32_t blockSums[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(blockSums), inBlock);
    r.sumX += LaneSum64(starts);
    for (const std::int32_t s : blockSums) r.sumX += s;
    return r;
}

#endif

RowSurvey SurveyPiece(const std::uint8_t* piece, int count, std::uint8_t limit)
{
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return SurveyPieceAvx2(piece, count, limit);
#endif
    return PlainSurveyPiece(piece, count, limit);
}

void AddPiece(RowSurvey& row, const RowSurvey& piece, int start)
{
    row.minimum = std::min(row.minimum, piece.minimum);
    row.maximum = std::max(row.maximum, piece.maximum);
    row.total += piece.total;
    row.sumX += piece.sumX + static_cast<std::int64_t>(start) * piece.total;
}

ByteRange PlainRowRange(const std::uint8_t* row, int width)
{
    ByteRange range;
    for (int i = 0; i < width; ++i) {
        range.smallest = std::min<int>(range.smallest, row[i]);
        range.largest = std::max<int>(range.largest, row[i]);
    }
    return range;
}

#if QUIVANE_X86_VECTORS

// A block's bytes widen the running range.
QUIVANE_AVX2_TARGET inline void Widen(const std::uint8_t* bytes, __m256i& smallest, __m256i& largest)
{
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
    smallest = _mm256_min_epu8(smallest, v);
    largest = _mm256_max_epu8(largest, v);
}

// Two running ranges, so that no comparison waits on the one before; a
// row's last bytes are taken by a block that overlaps the one before.
QUIVANE_AVX2_TARGET ByteRange RowRangeAvx2(const std::uint8_t* row, int width)
{
    if (width < 32) return PlainRowRange(row, width);
    __m256i smallest = _mm256_set1_epi8(-1), otherSmallest = smallest;
    __m256i largest = _mm256_setzero_si256(), otherLargest = largest;
    int i = 0;
    for (; i + 64 <= width; i += 64) {
        Widen(row + i, smallest, largest);
        Widen(row + i + 32, otherSmallest, otherLargest);
    }
    if (i + 32 <= width) Widen(row + i, smallest, largest), i += 32;
    if (i < width) Widen(row + width - 32, otherSmallest, otherLargest);
    return FoldedRange(_mm256_min_epu8(smallest, otherSmallest), _mm256_max_epu8(largest, otherLargest));
}

#endif

}  // namespace

RowSurvey SurveyRow(const std::uint8_t* row, int width, int threshold)
{
    RowSurvey r;
    for (int start = 0; start < width; start += PieceColumns)
        AddPiece(r, SurveyPiece(row + start, std::min(width - start, PieceColumns), Limit(threshold)), start);
    return r;
}

ByteRange RowRange(const std::uint8_t* row, int width)
{
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return RowRangeAvx2(row, width);
#endif
    return PlainRowRange(row, width);
}

}  // namespace quivane
