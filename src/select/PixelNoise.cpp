#include "select/PixelNoise.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace quivane {

double PixelNoiseVariance(const LumaPlane& plane)
{
    if (plane.width < 3 || plane.height < 3) return 0.0;
    // A row of responses first, then their sum in eight running sums that
    // keep the additions apart: both loops become vector code.
    std::vector<float> responses(static_cast<std::size_t>(plane.width - 2));
    double total = 0.0;
    for (int y = 1; y + 1 < plane.height; ++y) {
        const float* up = &plane.levels[static_cast<std::size_t>(y - 1) * static_cast<std::size_t>(plane.width)] + 1;
        const float* mid = up + plane.width;
        const float* down = mid + plane.width;
        const int count = plane.width - 2;
        for (int x = 0; x < count; ++x) {
            const float corners = up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1];
            const float sides = up[x] + down[x] + mid[x - 1] + mid[x + 1];
            responses[static_cast<std::size_t>(x)] = std::fabs(corners - 2.0f * sides + 4.0f * mid[x]);
        }
        float lanes[8] = {};
        int x = 0;
        for (; x + 8 <= count; x += 8)
            for (int k = 0; k < 8; ++k) lanes[k] += responses[static_cast<std::size_t>(x + k)];
        for (; x < count; ++x) lanes[0] += responses[static_cast<std::size_t>(x)];
        for (const float lane : lanes) total += lane;
    }
    const double count = static_cast<double>(plane.width - 2) * static_cast<double>(plane.height - 2);
    // For Gaussian noise the mask's response has deviation 6 sigma, and its
    // mean absolute value is sqrt(2 / pi) of that.
    const double sigma = std::sqrt(std::numbers::pi / 2.0) * total / count / 6.0;
    return sigma * sigma;
}

}  // namespace quivane
