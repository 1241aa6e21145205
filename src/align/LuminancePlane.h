#pragma once

#include <cstdint>
#include <vector>

#include "image/Picture.h"

namespace quivane {

// The luminance of every pixel of a picture, one byte each, rows top first:
// what the alignment score reads, made once per search instead of once per
// pixel per score.
struct LuminancePlane {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> levels;

    const std::uint8_t* row(int y) const { return levels.data() + static_cast<std::size_t>(y) * width; }
};

// The luminance the picture stores.
void StoredLuminance(const Picture& picture, LuminancePlane& plane);

// The luminance the picture shows in black and white at this saturation:
// each pixel's colour rebuilt as UnpackPixel does, then weighed again.
void ShownLuminance(const Picture& picture, int saturation, LuminancePlane& plane);

}  // namespace quivane
