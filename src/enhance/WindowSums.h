#pragma once

#include <cstdint>
#include <vector>

#include "cpu/SimdTargets.h"
#include "enhance/KernelWeights.h"
#include "image/Plane.h"

namespace quivane {

// The convolution's weighted window sums without overflow tests, for the
// output rows where a bound proves that no product or partial sum can leave
// 32-bit range in any order of summation (so the order cannot change the
// result either). Each output becomes ClampSample(sum / norm), the
// division truncating toward zero, exactly as the checked loop stores it.
//
// Two twins compute the same bytes: a portable loop of plain C++, and one
// of AVX2 vector instructions, run where the active level is AVX2.
class WindowSums {
public:
    WindowSums(const KernelWeights& weights, int norm);

    // Writes the interior samples of the output rows first..last - 1 of
    // `destination` from `source`, by the twin of the active level. Calls
    // on different rows may run at the same time.
    void sumRows(const Plane& source, Plane& destination, int first, int last) const;

    // The multiply-adds one output sample costs: its non-zero weights.
    int tapsPerSample() const { return static_cast<int>(taps_.size()); }

private:
    // One non-zero weight, at its place in the window.
    struct Tap {
        int row;
        int column;
        std::int16_t weight;
    };
    // Two neighbouring samples of a source row, the left one at `column`,
    // `row` counted from the top of the first output row's window.
    struct TapPair {
        int row;
        int column;
    };
    // The pairs that carry a non-zero weight for any of a group of output
    // rows, with each pair's weights for each output row of the group in
    // turn, packed as the AVX2 loop multiplies them: the left weight in
    // the low half.
    struct Pairs {
        std::vector<TapPair> places;
        std::vector<std::int32_t> weights;
    };
    static Pairs PairUp(const KernelWeights& weights, int outputRows);

    void sumRowsPortable(const Plane& source, Plane& destination, int first, int last) const;
#if QUIVANE_X86_VECTORS
    void sumRowsWide(const Plane& source, Plane& destination, int first, int last) const;
#endif

    int hr_;
    int hc_;
    int rows_;
    int norm_;
    std::vector<Tap> taps_;
    Pairs pairsForOneRow_;
    Pairs pairsForTwoRows_;
    // Columns a pair may read past the window's right edge.
    int overreach_ = 0;
};

}  // namespace quivane
