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

// The ways of working it out, of which LuminanceRow takes the fastest the
// processor has; each gives the same bytes, and a test holds every one the
// processor has to the plain loop.
enum class LuminanceWay { Plain, Avx2, Avx512 };
bool ProcessorHas(LuminanceWay way);
ByteRange LuminanceRowBy(LuminanceWay way, const ColourPixel* in, int count, std::uint8_t* luminance);

}  // namespace quivane
