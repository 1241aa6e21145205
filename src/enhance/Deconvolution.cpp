#include "enhance/Deconvolution.h"

#include <algorithm>
#include <cstdint>

#include "enhance/Convolution.h"
#include "image/ArithmeticErrors.h"
#include "image/PixelHelpers.h"

namespace quivane {
namespace {

constexpr int Unit = 256;

void RequireCapacity(const Plane& plane)
{
    if (plane.width < 0 || plane.width > ScratchColumns || plane.height < 0 || plane.height > ScratchRows) {
        throw RangeCheckError();
    }
}

std::int16_t Store(int value)
{
    if (value < -32768 || value > 32767) throw RangeCheckError();
    return static_cast<std::int16_t>(value);
}

int Multiply(int a, int b)
{
    int product = 0;
    if (__builtin_mul_overflow(a, b, &product)) throw IntegerOverflowError();
    return product;
}

int Add(int a, int b)
{
    int sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) throw IntegerOverflowError();
    return sum;
}

// A rectangle of samples, bounds inclusive; empty when bottom < top or
// right < left.
struct Area {
    int top, bottom, left, right;

    bool holdsRow(int y) const { return y >= top && y <= bottom; }
};

// The interior a plane of this size leaves for the kernel.
Area InteriorOf(const Plane& plane, const Kernel& kernel)
{
    const int hr = (kernel.rows() - 1) / 2;
    const int hc = (kernel.columns() - 1) / 2;
    return Area{hr, plane.height - 1 - hr, hc, plane.width - 1 - hc};
}

// Zeroes the samples of `area` outside `kept`: what an iteration will read
// there but has not written, and a fresh plane would hold as 0.
void ClearOutside(Plane& plane, const Area& area, const Area& kept)
{
    if (area.right < area.left) return;
    for (int y = area.top; y <= area.bottom; ++y) {
        std::int16_t* row = plane.row(y);
        if (!kept.holdsRow(y) || kept.right < kept.left) {
            std::fill(row + area.left, row + area.right + 1, std::int16_t{0});
            continue;
        }
        std::fill(row + area.left, row + std::max(area.left, std::min(area.right + 1, kept.left)), std::int16_t{0});
        std::fill(row + std::min(area.right + 1, std::max(area.left, kept.right + 1)), row + area.right + 1,
                  std::int16_t{0});
    }
}

// Each sample loop below first finds the smallest and largest result of a
// row in plain vector arithmetic (built for AVX2 as well, and chosen when
// the program starts), and stores the row when both fit the samples'
// range; only a row that does not is redone sample by sample with every
// check, so that its error comes at the sample where the described loop
// meets it, after the samples before it were stored.

struct Extremes {
    int low = 0;
    int high = 0;

    void take(int v)
    {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool fitSamples() const { return low >= -32768 && high <= 32767; }
};

// E + (O - T): (d * 256) / 256 is d itself, as |d| <= 65535 cannot
// overflow when multiplied by 256, and the sum of three samples cannot
// overflow either.
bool CorrectRowCitFast(const std::int16_t* o, const std::int16_t* t, std::int16_t* e, int left, int right)
{
    Extremes range;
    for (int x = left; x <= right; ++x) range.take(e[x] + (o[x] - t[x]));
    if (!range.fitSamples()) return false;
    for (int x = left; x <= right; ++x) e[x] = static_cast<std::int16_t>(e[x] + (o[x] - t[x]));
    return true;
}

void CorrectRowCit(const std::int16_t* o, const std::int16_t* t, std::int16_t* e, int left, int right)
{
    if (CorrectRowCitFast(o, t, e, left, right)) return;
    for (int x = left; x <= right; ++x) {
        const int correction = Multiply(o[x] - t[x], Unit) / Unit;
        e[x] = Store(Add(e[x], correction));
    }
}

// 256 O / T. The quotient is taken in single precision: both operands are
// exact there (|256 O| <= 2^23), and the rounded quotient of integers that
// small is never off by as much as the 1 / |T| that separates a quotient
// from the next whole number, so truncating it gives the integer quotient.
bool RatioRowFast(const std::int16_t* o, const std::int16_t* t, std::int16_t* r, int left, int right)
{
    Extremes range;
    for (int x = left; x <= right; ++x) {
        const int divisor = t[x] + (t[x] == 0);  // NonZero, without a branch
        const int q = static_cast<int>(static_cast<float>(o[x] * Unit) / static_cast<float>(divisor));
        range.take(q);
        r[x] = static_cast<std::int16_t>(q);
    }
    return range.fitSamples();
}

void RatioRow(const std::int16_t* o, const std::int16_t* t, std::int16_t* r, int left, int right)
{
    if (RatioRowFast(o, t, r, left, right)) return;
    for (int x = left; x <= right; ++x) r[x] = Store(Multiply(o[x], Unit) / NonZero(t[x]));
}

// E T / 256: two samples' product stays within 2^30.
bool ScaleRowLRFast(const std::int16_t* t, std::int16_t* e, int left, int right)
{
    Extremes range;
    for (int x = left; x <= right; ++x) range.take(e[x] * t[x] / Unit);
    if (!range.fitSamples()) return false;
    for (int x = left; x <= right; ++x) e[x] = static_cast<std::int16_t>(e[x] * t[x] / Unit);
    return true;
}

void ScaleRowLR(const std::int16_t* t, std::int16_t* e, int left, int right)
{
    if (ScaleRowLRFast(t, e, left, right)) return;
    for (int x = left; x <= right; ++x) e[x] = Store(Multiply(e[x], t[x]) / Unit);
}

}  // namespace

void DeconvolveCit(const Plane& observed, Plane& estimate, const Kernel& decPSF)
{
    DeconvolutionPlanes planes;
    DeconvolveCit(observed, estimate, decPSF, planes);
}

void DeconvolveLR(const Plane& observed, Plane& estimate, const Kernel& decPSF)
{
    DeconvolutionPlanes planes;
    DeconvolveLR(observed, estimate, decPSF, planes);
}

void DeconvolveCit(const Plane& observed, Plane& estimate, const Kernel& decPSF, DeconvolutionPlanes& planes)
{
    RequireCapacity(observed);
    Plane& blurred = planes.blurred;
    blurred.height = blurred.width = 0;
    ConvolveScratch(estimate, blurred, decPSF, true);

    const Area in = InteriorOf(observed, decPSF);
    ClearOutside(blurred, in, InteriorOf(estimate, decPSF));
    for (int y = in.top; y <= in.bottom; ++y)
        CorrectRowCit(observed.row(y), blurred.row(y), estimate.row(y), in.left, in.right);
}

void DeconvolveLR(const Plane& observed, Plane& estimate, const Kernel& decPSF, DeconvolutionPlanes& planes)
{
    RequireCapacity(observed);
    Plane& blurred = planes.blurred;
    Plane& ratio = planes.ratio;
    blurred.height = blurred.width = 0;
    ConvolveScratch(estimate, blurred, decPSF, true);

    const Area in = InteriorOf(observed, decPSF);
    const Area blurredInterior = InteriorOf(estimate, decPSF);
    ClearOutside(blurred, in, blurredInterior);
    for (int y = in.top; y <= in.bottom; ++y)
        RatioRow(observed.row(y), blurred.row(y), ratio.row(y), in.left, in.right);

    // Outside the interior the ratio stays 0; blurring it back therefore
    // pulls the samples near the interior's edge down.
    ratio.height = blurred.height;
    ratio.width = blurred.width;
    ClearOutside(ratio, Area{0, ratio.height - 1, 0, ratio.width - 1}, in);
    ConvolveScratch(ratio, blurred, decPSF, true);

    for (int y = in.top; y <= in.bottom; ++y) ScaleRowLR(blurred.row(y), estimate.row(y), in.left, in.right);
}

}  // namespace quivane
