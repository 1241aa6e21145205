#pragma once

#include <cstdint>

#include "image/ByteRange.h"
#include "image/Pixels.h"

namespace quivane {

// PixelLuminance of `count` colour pixels, one byte each: the same bytes as
// pixel by pixel, worked out many pixels at a time (a load measures the
// luminance of every pixel of every frame). Gives their range, which costs
// little while the bytes are in registers.
ByteRange LuminanceRow(const ColourPixel* in, int count, std::uint8_t* luminance);

}  // namespace quivane
