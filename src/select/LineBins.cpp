#include "select/LineBins.h"

#include <algorithm>
#include <limits>

#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

// The range of no bins, which any bin widens.
constexpr BinRange NoBins{std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};

BinRange PlainBins(const double* dx, const double* dy, int from, int n, double c, double s, int reach, int* bins,
                   BinRange range)
{
    for (int i = from; i < n; ++i) {
        bins[i] = BinOf(dx[i], dy[i], c, s, reach);
        range.low = std::min(range.low, bins[i]);
        range.high = std::max(range.high, bins[i]);
    }
    return range;
}

#if QUIVANE_X86_VECTORS

// Four ridges at a time: the same products, sums and rounding as BinOf.
QUIVANE_AVX2_TARGET BinRange Avx2Bins(const double* dx, const double* dy, int n, double c, double s, int reach,
                                      int* bins)
{
    const __m256d cosine = _mm256_set1_pd(c), sine = _mm256_set1_pd(s);
    const __m256d half = _mm256_set1_pd(0.5), minusHalf = _mm256_set1_pd(-0.5), one = _mm256_set1_pd(1.0);
    const __m128i offset = _mm_set1_epi32(reach);
    __m128i low = _mm_set1_epi32(NoBins.low), high = _mm_set1_epi32(NoBins.high);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d v =
            _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(dx + i), cosine), _mm256_mul_pd(_mm256_loadu_pd(dy + i), sine));
        const __m256d whole = _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(v));
        const __m256d fraction = _mm256_sub_pd(v, whole);
        const __m256d up = _mm256_and_pd(_mm256_cmp_pd(fraction, half, _CMP_GE_OQ), one);
        const __m256d down = _mm256_and_pd(_mm256_cmp_pd(fraction, minusHalf, _CMP_LE_OQ), one);
        const __m128i bin = _mm_add_epi32(_mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_add_pd(whole, up), down)), offset);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bins + i), bin);
        low = _mm_min_epi32(low, bin);
        high = _mm_max_epi32(high, bin);
    }
    alignas(16) int lows[4], highs[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
    _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
    const BinRange range{std::min({lows[0], lows[1], lows[2], lows[3]}), std::max({highs[0], highs[1], highs[2], highs[3]})};
    return PlainBins(dx, dy, i, n, c, s, reach, bins, range);
}

#endif

}  // namespace

VotedBin MostVotedBin(const int* votes, int low, int high)
{
    VotedBin best{0, 0};
    for (int b = low - 1; b <= high + 1; ++b) {
        const int sum = votes[b - 1] + votes[b] + votes[b + 1];
        if (sum > best.votes) best = {b, sum};
    }
    return best;
}

BinRange LineBins(const double* dx, const double* dy, int n, double c, double s, int reach, int* bins)
{
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return Avx2Bins(dx, dy, n, c, s, reach, bins);
#endif
    return PlainBins(dx, dy, 0, n, c, s, reach, bins, NoBins);
}

}  // namespace quivane
