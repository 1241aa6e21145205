#pragma once

#include <vector>

#include "align/AlignmentPoints.h"
#include "align/LumaGrid.h"
#include "image/Bitmap.h"

namespace quivane {

// The reference in grey, placed in a view as a picture is rendered into it
// (centred, or its middle when larger), with each alignment point's own
// part outlined in green (the middle half of its box, where its window
// outweighs its neighbours'; these tile the points' area) and its centre in
// red.
Bitmap24 DrawAlignmentPoints(const LumaGrid& reference, const std::vector<AlignmentPoint>& points, int viewWidth,
                             int viewHeight);

}  // namespace quivane
