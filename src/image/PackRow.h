#pragma once

#include "image/Pixels.h"

namespace quivane {

// PackPixel for `count` pixels of a row: the same bytes, worked out for many
// pixels at once (every picture a load makes packs each of its pixels), in
// vector code as wide as ActiveSimdLevel().
void PackRow(const ColourPixel* in, PicturePixel* out, int count);

// The same for grey levels, each standing for the colour pixel of three
// equal channels: a grey has only 256 ways to pack, so they are looked up.
void PackRow(const std::uint8_t* grey, PicturePixel* out, int count);

}  // namespace quivane
