#pragma once

#include <cstdint>

#include "image/PixelHelpers.h"
#include "image/Pixels.h"

namespace quivane {

// The luminance of a pixel's chroma, at least 1: UnpackPixel divides by it.
// Written without a branch; with NonZero the compiler skips the division by
// one on a branch of its own, and the loop no longer becomes vector code.
inline int ChromaLuminance(int red, int green, int blue)
{
    const int lum = Luminance(red, green, blue);
    return lum | static_cast<int>(lum == 0);
}

// One channel of UnpackPixel: chroma `c` of a pixel whose chroma luminance is
// `lum` (at least 1), at `saturation` percent, scaled to the luminance
// `shown`. The division by the chroma luminance is done in float: for n up
// to 255 * 255 and d of 1..255 the correctly rounded n / d lies within 2^-16
// of the true quotient while a quotient that is not whole is at least 1 / 255
// from the next whole number, so truncating it gives the integer quotient
// exactly, and a loop of it runs in vector registers. At the usual
// saturation of 100 % a channel keeps its chroma exactly, which spares the
// division by 100.
template <bool FullSaturation>
inline int UnpackedChannel(int c, int lum, int saturation, float shown)
{
    const int saturated = FullSaturation ? c : ClampByte(lum + (c - lum) * saturation / 100);
    return ClampByte(static_cast<int>(static_cast<float>(saturated) * shown / static_cast<float>(lum)));
}

// UnpackPixel for `count` pixels of a row: the same bytes, many pixels at a
// time (the window draws every pixel of a picture it shows).
void UnpackRow(const PicturePixel* in, int count, int saturation, ColourPixel* out);

}  // namespace quivane
