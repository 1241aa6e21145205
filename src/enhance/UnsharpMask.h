#pragma once

#include "enhance/EnhancementStage.h"
#include "enhance/Kernel.h"
#include "image/FinePlane.h"
#include "image/Plane.h"

namespace quivane {

// The unsharp-mask stage: the interior becomes b + strength * (o - b) / 2,
// where b is the source blurred with `umaPSF` (plain weights) and o the
// source. Strength 0 gives the blur itself, 2 the source back, and each step
// above 2 adds another half of the detail o - b. Results are not clamped: a
// value outside -32768..32767 throws RangeCheckError.
void UnsharpMask(const Plane& source, Plane& destination, int strength, const Kernel& umaPSF);

// The same on fine planes, with the division exact.
void UnsharpMaskFine(const FinePlane& source, FinePlane& destination, int strength, const Kernel& umaPSF);

// Its one parameter is the strength.
extern const EnhancementStage UnsharpMaskStage;

}  // namespace quivane
