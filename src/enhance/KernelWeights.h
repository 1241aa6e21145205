#pragma once

#include <cstdint>
#include <vector>

#include "enhance/Kernel.h"

namespace quivane {

// Offset weights are the byte minus this, so mid-grey weighs nothing.
constexpr int FilterOffset = 128;

// A kernel as the summation loops of the convolution read it: the weights
// of the (2 hr + 1) x (2 hc + 1) window centred on [hr][hc], row by row,
// plain (the byte) or offset (the byte minus 128).
struct KernelWeights {
    int hr = 0;
    int hc = 0;
    int rows = 0;
    int columns = 0;
    std::vector<std::int16_t> values;
    // The sum of the weights' magnitudes in each row of the window.
    std::vector<long long> rowMagnitudes;

    int at(int row, int column) const { return values[static_cast<std::size_t>(row * columns + column)]; }
};

// An empty kernel still asks for its centre element, which fails the
// kernel's own range check.
KernelWeights ReadWeights(const Kernel& kernel, bool plain);

}  // namespace quivane
