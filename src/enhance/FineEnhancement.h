#pragma once

#include "enhance/Kernel.h"
#include "image/FinePlane.h"

namespace quivane {

// The enhancement stages of Convolution.h and Deconvolution.h on fine
// planes: the same kernels, weights, interiors, edge bands, size rules and
// clamps, with every division exact instead of truncated toward zero.
// Nothing here fails: there is no 32-bit sum to overflow and no 16-bit
// store to leave, so where the described stage would stop with "Integer
// overflow" or "Range check error" these go on; the calculation run decides
// how far they are taken (CalculationRecord::completedSteps).

// ConvolveScratch: the weighted window sum over the kernel sum (1 when
// that is 0), clamped to -32767..32767 like the described store.
void ConvolveFine(const FinePlane& source, FinePlane& destination, const Kernel& kernel, bool plain);

// ConvolveWithFilter: offset weights.
void ConvolveWithFilterFine(const FinePlane& source, FinePlane& destination, const Kernel& conPSF);

// DeconvolveCit: E + (O - blur(E)) in the interior.
void DeconvolveCitFine(const FinePlane& observed, FinePlane& estimate, const Kernel& decPSF);

// DeconvolveLR: E * blur(256 * O / blur(E)) / 256 in the interior; a blurred
// estimate the described stage would truncate to 0 (less than 1 either
// way) divides by 1, as there.
void DeconvolveLRFine(const FinePlane& observed, FinePlane& estimate, const Kernel& decPSF);

}  // namespace quivane
