#include "enhance/WindowSums.h"

#include <immintrin.h>


#include "image/PixelHelpers.h"

namespace quivane {
namespace {

// A run of Count outputs accumulated over all taps with the sums held in
// registers; the fixed count lets the compiler vectorise the j loop fully.
template <int Count, typename Tap>
inline void SumRun(const std::int16_t* const* windowRows, const std::vector<Tap>& taps, int x, int norm,
                   std::int16_t* out)
{
    int acc[Count] = {};
    for (const Tap& t : taps) {
        const std::int16_t* s = windowRows[t.row] + x + t.column;
        const std::int16_t weight = t.weight;
        for (int j = 0; j < Count; ++j) acc[j] += static_cast<int>(s[j]) * static_cast<int>(weight);
    }
    for (int j = 0; j < Count; ++j) out[x + j] = static_cast<std::int16_t>(ClampSample(acc[j] / norm));
}

// Eight sums to ClampSample(sum / norm). A double holds every 32-bit sum
// and divisor exactly, and its correctly rounded quotient never reaches
// the next whole number: |sum / norm - q| is at least 1 / |norm| for any
// whole q it does not equal, while the rounding error is at most
// 2^-53 * 2^31 / |norm|. So truncating it gives the integer quotient.
__attribute__((target("avx2"))) inline __m256i Quotients(__m256i sums, __m256d divisor, bool divide)
{
    if (divide) {
        const __m256d low = _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(sums)), divisor);
        const __m256d high = _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(sums, 1)), divisor);
        sums = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm256_cvttpd_epi32(low)), _mm256_cvttpd_epi32(high), 1);
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
__attribute__((target("avx2"))) inline void SumBlocks(const std::int16_t* const* starts, const std::int32_t* weights,
                                                      int pairCount, int i, __m256d divisor, bool divide,
                                                      std::int16_t* const* out)
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
            const __m256i left = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 16 * b));
            const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 16 * b + 1));
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
            const __m256i e = Quotients(even[r][b], divisor, divide);
            const __m256i o = _mm256_slli_epi32(Quotients(odd[r][b], divisor, divide), 16);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[r] + i + 16 * b), _mm256_blend_epi16(e, o, 0xAA));
        }
}

// The outputs of Rows neighbouring rows up to `reachable`, in blocks; the
// last few by one more block ending at the last reachable output, which
// writes some outputs a second time, the same. Returns how far it got.
template <int Rows>
__attribute__((target("avx2"))) int SumRowGroup(const std::int16_t* const* starts, const std::int32_t* weights,
                                                int pairCount, int reachable, __m256d divisor, bool divide,
                                                std::int16_t* const* out)
{
    int i = 0;
    for (; i + 32 <= reachable; i += 32) SumBlocks<Rows, 2>(starts, weights, pairCount, i, divisor, divide, out);
    for (; i + 16 <= reachable; i += 16) SumBlocks<Rows, 1>(starts, weights, pairCount, i, divisor, divide, out);
    if (i < reachable && reachable >= 16) {
        SumBlocks<Rows, 1>(starts, weights, pairCount, reachable - 16, divisor, divide, out);
        i = reachable;
    }
    return i;
}

// The weights of one window row and column as a pair's half: 0 outside
// the window.
int WeightAt(const KernelWeights& weights, int row, int column)
{
    if (row < 0 || row >= weights.rows || column < 0 || column >= weights.columns) return 0;
    return weights.at(row, column);
}

std::int32_t PackedPair(int left, int right)
{
    return static_cast<std::int32_t>(static_cast<std::uint16_t>(left) |
                                     static_cast<std::uint32_t>(static_cast<std::uint16_t>(right)) << 16);
}

}  // namespace

WindowSums::WindowSums(const KernelWeights& weights, int norm, bool wideVectors)
    : hr_(weights.hr), hc_(weights.hc), rows_(weights.rows), norm_(norm),
      wide_(wideVectors && WideVectorsAvailable()), pairsForOneRow_(PairUp(weights, 1)),
      pairsForTwoRows_(PairUp(weights, 2))
{
    // Zero weights add nothing, which matters for filters drawn on mid-grey.
    for (int r = 0; r < weights.rows; ++r)
        for (int c = 0; c < weights.columns; ++c)
            if (weights.at(r, c) != 0) taps_.push_back(Tap{r, c, static_cast<std::int16_t>(weights.at(r, c))});
    // Only a window one column wide has a pair whose right half lies
    // outside it.
    overreach_ = weights.columns == 1 ? 1 : 0;
}

WindowSums::Pairs WindowSums::PairUp(const KernelWeights& weights, int outputRows)
{
    Pairs pairs;
    // Source row j lies in row j - g of output row g's window.
    for (int j = 0; j < weights.rows + outputRows - 1; ++j) {
        // Columns 0 and 1, 2 and 3, ...; an odd last column pairs with the
        // one before it, given weight 0 there as that one is already taken.
        for (int c = 0; c < weights.columns; c += 2) {
            const int column = c + 1 < weights.columns || c == 0 ? c : c - 1;
            bool any = false;
            for (int g = 0; g < outputRows; ++g) {
                const int left = column == c ? WeightAt(weights, j - g, c) : 0;
                const int right = WeightAt(weights, j - g, column + 1);
                pairs.weights.push_back(PackedPair(left, right));
                any = any || left != 0 || right != 0;
            }
            if (any) {
                pairs.places.push_back(TapPair{j, column});
            } else {
                pairs.weights.resize(pairs.weights.size() - static_cast<std::size_t>(outputRows));
            }
        }
    }
    return pairs;
}

bool WindowSums::WideVectorsAvailable()
{
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

void WindowSums::sumRows(const Plane& source, Plane& destination, int first, int last) const
{
    if (wide_) {
        sumRowsWide(source, destination, first, last);
    } else {
        sumRowsPortable(source, destination, first, last);
    }
}

void WindowSums::sumRowsPortable(const Plane& source, Plane& destination, int first, int last) const
{
    std::vector<const std::int16_t*> windowRows(static_cast<std::size_t>(rows_));
    // Eight outputs are one vector of samples; longer runs measured slower.
    constexpr int Run = 8;
    const int outputs = source.width - 2 * hc_;
    for (int y = first; y < last; ++y) {
        for (int r = 0; r < rows_; ++r) windowRows[static_cast<std::size_t>(r)] = source.row(y - hr_ + r);
        // out[i] is the sample at x = hc + i, whose window starts at column i.
        std::int16_t* out = destination.row(y) + hc_;
        int i = 0;
        for (; i + Run <= outputs; i += Run) SumRun<Run>(windowRows.data(), taps_, i, norm_, out);
        for (; i < outputs; ++i) SumRun<1>(windowRows.data(), taps_, i, norm_, out);
    }
}

__attribute__((target("avx2"))) void WindowSums::sumRowsWide(const Plane& source, Plane& destination, int first,
                                                             int last) const
{
    const __m256d divisor = _mm256_set1_pd(norm_);
    const bool divide = norm_ != 1;
    const int outputs = source.width - 2 * hc_;
    // Vector blocks read up to `overreach_` columns past their last
    // window; the outputs they cannot reach are summed one by one.
    const int reachable = outputs - overreach_;
    std::vector<const std::int16_t*> starts(pairsForTwoRows_.places.size());
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
        const int summed = two ? SumRowGroup<2>(starts.data(), weights, pairCount, reachable, divisor, divide, out)
                               : SumRowGroup<1>(starts.data(), weights, pairCount, reachable, divisor, divide, out);
        for (int row = y; row <= (two ? y + 1 : y); ++row) {
            std::int16_t* o = destination.row(row) + hc_;
            for (int i = summed; i < outputs; ++i) {
                int acc = 0;
                for (const Tap& t : taps_) acc += static_cast<int>(source.row(row - hr_ + t.row)[i + t.column]) * t.weight;
                o[i] = static_cast<std::int16_t>(ClampSample(acc / norm_));
            }
        }
        y += two ? 2 : 1;
    }
}

}  // namespace quivane
