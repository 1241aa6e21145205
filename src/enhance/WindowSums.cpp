#include "enhance/WindowSums.h"

#include "cpu/SimdTargets.h"
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

WindowSums::WindowSums(const KernelWeights& weights, int norm)
    : hr_(weights.hr),
      hc_(weights.hc),
      rows_(weights.rows),
      norm_(norm),
      pairsForOneRow_(PairUp(weights, 1)),
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

void WindowSums::sumRows(const Plane& source, Plane& destination, int first, int last) const
{
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return sumRowsWide(source, destination, first, last);
#endif
    sumRowsPortable(source, destination, first, last);
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

}  // namespace quivane
