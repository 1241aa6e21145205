#pragma once

#include "enhance/EnhancementStage.h"
#include "enhance/Kernel.h"
#include "image/Plane.h"

namespace quivane {

// One iteration of each deconvolution method. `observed` (O) is the picture
// as it was when the stage began and is never changed; `estimate` (E) starts
// as a copy of it and is improved in place, one call per iteration. Both
// blur with `decPSF` through ConvolveScratch with plain weights, work over
// the interior that O's Width and Height leave for the kernel, and use 256
// for 1.0. Samples outside that interior are never changed, and a plane
// smaller than the kernel leaves E as it was. O and E must be different
// planes. The temporary planes of an iteration are those of a
// DeconvolutionPlanes: the caller's, kept across the iterations of a stage,
// or, without one, made for the call and freed when it returns or throws.
//
// Failures: a value outside -32768..32767 stored into a plane throws
// RangeCheckError, and arithmetic that leaves 32-bit signed range throws
// IntegerOverflowError. Such a throw can come after E has been partly
// updated, so E is then neither the old nor the new estimate: a caller must
// only ever write back an estimate from a completed iteration.

// The temporary planes of the iterations: T (the blurred estimate, later
// the blurred ratio) and R (the ratios). An iteration given them computes
// exactly what it would with fresh planes (size 0, every sample 0): it sets
// their sizes again and clears what it reads without having written it.
struct DeconvolutionPlanes {
    Plane blurred;
    Plane ratio;
};

// Van Cittert kind: E becomes E + (O - blur(E)) in the interior, so an
// estimate whose blur equals O is a fixed point.
void DeconvolveCit(const Plane& observed, Plane& estimate, const Kernel& decPSF);
void DeconvolveCit(const Plane& observed, Plane& estimate, const Kernel& decPSF, DeconvolutionPlanes& planes);

// Richardson-Lucy kind: E becomes E * blur(256 * O / blur(E)) / 256 in the
// interior, every division truncating toward zero and a zero blurred
// estimate dividing by 1. The ratios are 0 outside the interior, so near its
// edge the blurred ratio falls short of 256 and E shrinks there even when it
// is exact.
void DeconvolveLR(const Plane& observed, Plane& estimate, const Kernel& decPSF);
void DeconvolveLR(const Plane& observed, Plane& estimate, const Kernel& decPSF, DeconvolutionPlanes& planes);

enum class DeconvolutionMethod { Cit, LR };

// Its parameters are the method (its value a DeconvolutionMethod) and the
// number of iterations, each one written back into the result.
extern const EnhancementStage DeconvolutionStage;

}  // namespace quivane
