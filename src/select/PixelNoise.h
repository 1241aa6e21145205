#pragma once

#include "select/ObjectView.h"

namespace quivane {

// The variance of the pixel noise of a plane, from the mean absolute response
// to a mask that cancels every plane and ramp (a 3 x 3 second difference in
// both directions): detail this fine is mostly noise in a seeing-limited
// frame, so the estimate needs no noise-free reference. 0 for a plane smaller
// than 3 x 3.
double PixelNoiseVariance(const LumaPlane& plane);

}  // namespace quivane
