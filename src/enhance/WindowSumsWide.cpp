// The AVX2 twin of the window sums, compiled apart at -O3 so that its
// fixed-size register blocks are unrolled; it only runs where the active
// level is AVX2.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cpu/SimdTargets.h"
#include "enhance/WindowSums.h"
#include "image/PixelHelpers.h"

#if QUIVANE_X86_VECTORS

namespace quivane {
namespace {

// Division of 32-bit sums by the norm, truncating toward zero, as a
// multiplication. With x = sum / norm, the double product sum * (1 / norm),
// and the nudged product below, each stray at most about 2^-52 |x| <=
// 2^-21 / |norm| from what they stand for. A quotient that is not whole
// lies at least 1 / |norm| from every whole number, so a nudge of
// 2^-10 / |norm| away from zero neither carries it across one nor lets the
// error do so; a whole quotient, which the product may miss by a hair
// toward zero, the nudge carries back past itself. Truncating the nudged
// product therefore gives the integer quotient for every 32-bit sum and
// every norm.
struct Divider {
    __m256d reciprocal;
    __m256d nudge;
    bool divide;
};

QUIVANE_AVX2_TARGET Divider DividerFor(int norm)
{
    return Divider{_mm256_set1_pd(1.0 / norm), _mm256_set1_pd(std::ldexp(1.0, -10) / std::abs(norm)), norm != 1};
}

QUIVANE_AVX2_TARGET inline __m128i Divide(__m128i sums, const Divider& d)
{
    const __m256d x = _mm256_mul_pd(_mm256_cvtepi32_pd(sums), d.reciprocal);
    const __m256d nudge = _mm256_or_pd(_mm256_and_pd(x, _mm256_set1_pd(-0.0)), d.nudge);
    return _mm256_cvttpd_epi32(_mm256_add_pd(x, nudge));
}

// Eight sums to ClampSample(sum / norm).
QUIVANE_AVX2_TARGET inline __m256i Quotients(__m256i sums, const Divider& d)
{
    if (d.divide) {
        const __m128i low = Divide(_mm256_castsi256_si128(sums), d);
        sums = _mm256_inserti128_si256(_mm256_castsi128_si256(low), Divide(_mm256_extracti128_si256(sums, 1), d), 1);
    }
    return _mm256_max_epi32(_mm256_min_epi32(sums, _mm256_set1_epi32(32767)), _mm256_set1_epi32(-32767));
}

// Blocks x 16 outputs from output i on, in each of Rows neighbouring
// output rows. A pair's 16 samples read from column i + c hold the pairs
// of the outputs i, i + 2, ... i + 14, and those read from i + c + 1 the
// pairs of the odd ones, so that one multiply-add of 16-bit samples by the
// pair's two weights adds both products of eight outputs; the even and odd
// sums are interleaved again as they are stored. Each source row serves
// every output row it lies in the window of, with the weights of its row
// of the window there (Rows weights a pair), so that a vector loaded once
// is multiplied Rows times.
template <int Rows, int Blocks>
QUIVANE_AVX2_TARGET inline void SumBlocks(const std::int16_t* const* starts, const std::int32_t* weights, int pairCount,
                                          int i, const Divider& divider, std::int16_t* const* out)
{
    __m256i even[Rows][Blocks];
    __m256i odd[Rows][Blocks];
    for (int r = 0; r < Rows; ++r)
        for (int b = 0; b < Blocks; ++b) even[r][b] = odd[r][b] = _mm256_setzero_si256();
    for (int p = 0; p < pairCount; ++p) {
        const std::int16_t* s = starts[p] + i;
        __m256i w[Rows];
        for (int r = 0; r < Rows; ++r) w[r] = _mm256_set1_epi32(weights[Rows * p + r]);
        for (int b = 0; b < Blocks; ++b) {
            __m256i left = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 16 * b));
            __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 16 * b + 1));
            // Held in registers: left to itself the compiler reads them
            // from memory again for every row, and loads are what bind.
            __asm__("" : "+x"(left), "+x"(right));
            for (int r = 0; r < Rows; ++r) {
                even[r][b] = _mm256_add_epi32(even[r][b], _mm256_madd_epi16(left, w[r]));
                odd[r][b] = _mm256_add_epi32(odd[r][b], _mm256_madd_epi16(right, w[r]));
            }
        }
    }
    for (int r = 0; r < Rows; ++r)
        for (int b = 0; b < Blocks; ++b) {
            // Both quotients fit 16 bits: the even one's low half and the
            // odd one's, shifted up, make the samples in memory order.
            const __m256i e = Quotients(even[r][b], divider);
            const __m256i o = _mm256_slli_epi32(Quotients(odd[r][b], divider), 16);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[r] + i + 16 * b), _mm256_blend_epi16(e, o, 0xAA));
        }
}

// The outputs of Rows neighbouring rows up to `reachable`, in blocks; the
// last few by one more block ending at the last reachable output, which
// writes some outputs a second time, the same. Returns how far it got.
template <int Rows>
QUIVANE_AVX2_TARGET int SumRowGroup(const std::int16_t* const* starts, const std::int32_t* weights, int pairCount,
                                    int reachable, const Divider& divider, std::int16_t* const* out)
{
    int i = 0;
    for (; i + 32 <= reachable; i += 32) SumBlocks<Rows, 2>(starts, weights, pairCount, i, divider, out);
    for (; i + 16 <= reachable; i += 16) SumBlocks<Rows, 1>(starts, weights, pairCount, i, divider, out);
    if (i < reachable && reachable >= 16) {
        SumBlocks<Rows, 1>(starts, weights, pairCount, reachable - 16, divider, out);
        i = reachable;
    }
    return i;
}

}  // namespace

QUIVANE_AVX2_TARGET void WindowSums::sumRowsWide(const Plane& source, Plane& destination, int first, int last) const
{
    const Divider divider = DividerFor(norm_);
    const int outputs = source.width - 2 * hc_;
    // Vector blocks read up to `overreach_` columns past their last
    // window; the outputs they cannot reach are summed one by one.
    const int reachable = outputs - overreach_;
    std::vector<const std::int16_t*> starts(std::max(pairsForOneRow_.places.size(), pairsForTwoRows_.places.size()));
    for (int y = first; y < last;) {
        const bool two = y + 1 < last;
        const Pairs& pairs = two ? pairsForTwoRows_ : pairsForOneRow_;
        const int pairCount = static_cast<int>(pairs.places.size());
        const std::int32_t* weights = pairs.weights.data();
        for (int p = 0; p < pairCount; ++p) {
            const TapPair& pair = pairs.places[static_cast<std::size_t>(p)];
            starts[static_cast<std::size_t>(p)] = source.row(y - hr_ + pair.row) + pair.column;
        }
        std::int16_t* const out[2] = {destination.row(y) + hc_, destination.row(two ? y + 1 : y) + hc_};
        const int summed = two ? SumRowGroup<2>(starts.data(), weights, pairCount, reachable, divider, out)
                               : SumRowGroup<1>(starts.data(), weights, pairCount, reachable, divider, out);
        for (int row = y; row <= (two ? y + 1 : y); ++row) {
            std::int16_t* o = destination.row(row) + hc_;
            for (int i = summed; i < outputs; ++i) {
                int acc = 0;
                for (const Tap& t : taps_)
                    acc += static_cast<int>(source.row(row - hr_ + t.row)[i + t.column]) * t.weight;
                o[i] = static_cast<std::int16_t>(ClampSample(acc / norm_));
            }
        }
        y += two ? 2 : 1;
    }
}

}  // namespace quivane

#endif
