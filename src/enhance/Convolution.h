#pragma once

#include "enhance/EnhancementStage.h"
#include "enhance/Kernel.h"
#include "image/Plane.h"

namespace quivane {

// Spatial filtering of working planes with a drawn kernel. Plain weights are
// the kernel's bytes (0..255), for blurring kernels; offset weights are the
// byte minus 128 (-128..127), so a filter drawn on mid-grey can hold negative
// weights. The kernel is applied as drawn, not mirrored: its top row weights
// the samples above the centre and its left column those to the left.
//
// Only the interior is written: the samples at least (columns - 1) / 2 from
// the left and right edges and (rows - 1) / 2 from the top and bottom of the
// source's Width x Height. The band outside keeps whatever the destination
// held; there is no border extension or renormalisation near the edges.
//
// Arithmetic is 32-bit signed: a product or running sum that leaves that
// range throws IntegerOverflowError, a store outside -32768..32767 throws
// RangeCheckError, and so does a plane whose Width or Height exceeds its
// capacity. After a throw the destination may be partly written.

// The sum of all the kernel's weights in the chosen mode.
int KernelSum(const Kernel& kernel, bool plain);

// Every interior sample of `destination` becomes the weighted sum of the
// source window around it divided (truncating toward zero) by the kernel
// sum, or by 1 when that sum is 0; a negative sum is used as it is. Results
// are clamped to -32767..32767, so the store itself never fails.
// A destination Height or Width of 0 is taken from the source; a non-zero
// one is kept. `source` and `destination` must be different planes.
void ConvolveScratch(const Plane& source, Plane& destination, const Kernel& kernel, bool plain);

// The convolution stage: `conPSF` with offset weights. A filter whose weights
// sum to zero (an edge or high-pass filter) is applied undivided.
void ConvolveWithFilter(const Plane& source, Plane& destination, const Kernel& conPSF);

// How ConvolveScratch sums, for tests and benchmarks that must compare the
// ways. Automatic (what ConvolveScratch does) takes the unchecked loop for
// every output row where a bound proves that no partial sum can overflow,
// and the checked loop, which tests each product and sum in order, for the
// others; Checked always tests; Unchecked throws std::logic_error unless the
// bound holds for every row. The unchecked loop uses AVX2 where the active
// level is AVX2 (see ScopedSimdLevel), the portable loop otherwise. `threads` is
// how many threads may share the rows (0: as many as pay off); rows are only
// shared when no row needs the checked loop, so an overflow is always met
// in the same order. All ways give identical planes whenever they complete,
// and an overflow leaves the destination as the checked loop leaves it.
enum class SumLoop { Automatic, Checked, Unchecked };
struct ConvolutionChoices {
    SumLoop loop = SumLoop::Automatic;
    int threads = 0;
};
void ConvolveScratch(const Plane& source, Plane& destination, const Kernel& kernel, bool plain,
                     const ConvolutionChoices& choices);

// The convolution stage as a calculation run applies it: ConvolveWithFilter
// with the convolution kernel; it has no parameters.
extern const EnhancementStage ConvolutionStage;

}  // namespace quivane
