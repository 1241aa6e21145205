#pragma once

#include <cstddef>
#include <vector>

#include "image/Picture.h"

namespace quivane {

// Luminance kept at 16 times the byte scale, so that a stack of several
// pictures keeps the levels its mean falls between.
constexpr int LumaScale = 16;

// A luminance picture of the working size, rows top first.
struct LumaGrid {
    int width = 0;
    int height = 0;
    std::vector<int> levels;

    int at(int x, int y) const
    {
        return levels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    const int* row(int y) const { return levels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    bool empty() const { return levels.empty(); }
};

// The mean luminance of the `chosen` pictures (numbers into `pictures`),
// each read through its offsets, at LumaScale, rounded. Pictures of another
// size than the first chosen are left out; an empty grid when none is chosen
// or the first is empty.
LumaGrid StackLuminance(const PictureSeries& pictures, const std::vector<int>& chosen);

}  // namespace quivane
