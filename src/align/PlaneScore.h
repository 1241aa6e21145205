#pragma once

#include "align/LuminancePlane.h"
#include "align/OffsetSearch.h"

namespace quivane {

// ScoreOffset over luminance planes made once for a whole search: the
// reference's stored luminance and the luminance the picture shows, each
// read through its own offsets. Each row's columns that read inside both
// planes are summed in vector registers; the few at the edges that repeat
// a border pixel, one by one. The same number as ScoreOffset, always.
long long ScorePlanes(const LuminancePlane& reference, int referenceDx, int referenceDy, const LuminancePlane& picture,
                      int pictureDx, int pictureDy, const ComparedRegion& region);

}  // namespace quivane
