#pragma once

#include <cstddef>
#include <vector>

namespace quivane {

// A window's levels summed as doubles added one level at a time, in order,
// and how many lie above a threshold: what a frame's level, spread and
// sharpness are worked out from.
struct LevelSums {
    double sum = 0.0, squares = 0.0;
    std::size_t above = 0;
};

// The very doubles of adding in order. Whole levels of 0 .. 65535 (as every
// frame of up to 16 bits gives), fewer than 2^21 of them, are summed as
// integers, which gives them without a chain of dependent additions.
LevelSums SumLevels(const std::vector<float>& levels, float threshold);

}  // namespace quivane
