#pragma once

#include "image/Pixels.h"

namespace quivane {

// PackPixel for `count` pixels of a row: the same bytes, worked out for many
// pixels at once (every picture a load makes packs each of its pixels).
void PackRow(const ColourPixel* in, PicturePixel* out, int count);

}  // namespace quivane
