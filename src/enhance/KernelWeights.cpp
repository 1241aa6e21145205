#include "enhance/KernelWeights.h"

#include <cstdlib>

namespace quivane {

KernelWeights ReadWeights(const Kernel& kernel, bool plain)
{
    KernelWeights w;
    // (0 - 1) / 2 truncates to 0, so an empty kernel has a 1 x 1 window.
    w.hr = (kernel.rows() - 1) / 2;
    w.hc = (kernel.columns() - 1) / 2;
    w.rows = 2 * w.hr + 1;
    w.columns = 2 * w.hc + 1;
    const int offset = plain ? 0 : FilterOffset;
    w.values.reserve(static_cast<std::size_t>(w.rows * w.columns));
    for (int r = 0; r < w.rows; ++r) {
        long long magnitude = 0;
        for (int c = 0; c < w.columns; ++c) {
            const int value = kernel.at(r, c) - offset;
            w.values.push_back(static_cast<std::int16_t>(value));
            magnitude += std::abs(value);
        }
        w.rowMagnitudes.push_back(magnitude);
    }
    return w;
}

}  // namespace quivane
