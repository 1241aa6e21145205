#pragma once

#include <cmath>
#include <cstdint>

namespace quivane {

// How a level of the 0..255 scale becomes a stored sample. Whole levels
// map exactly (k to k, k * 257 and k / 255), so an 8-bit rendering saved
// deeper loses nothing and reads back to the same bytes.

inline std::uint8_t ByteSample(float level)
{
    const float rounded = std::nearbyint(level);
    if (!(rounded > 0.0f)) return 0;
    return rounded >= 255.0f ? 255 : static_cast<std::uint8_t>(rounded);
}

inline std::uint16_t WordSample(float level)
{
    const double rounded = std::nearbyint(static_cast<double>(level) * 257.0);
    if (!(rounded > 0.0)) return 0;
    return rounded >= 65535.0 ? 65535 : static_cast<std::uint16_t>(rounded);
}

// Full scale is 1.0, as most programs that read floating-point pictures expect.
inline float FloatSample(float level)
{
    if (!(level > 0.0f)) return 0.0f;
    return level >= 255.0f ? 1.0f : level / 255.0f;
}

}  // namespace quivane
