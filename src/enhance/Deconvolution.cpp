#include "enhance/Deconvolution.h"

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

// The interior for the kernel, taken from the observed plane's size.
struct Interior {
    int top, bottom, left, right;
};

Interior InteriorOf(const Plane& observed, const Kernel& kernel)
{
    const int hr = (kernel.rows() - 1) / 2;
    const int hc = (kernel.columns() - 1) / 2;
    return Interior{hr, observed.height - 1 - hr, hc, observed.width - 1 - hc};
}

}  // namespace

void DeconvolveCit(const Plane& observed, Plane& estimate, const Kernel& decPSF)
{
    RequireCapacity(observed);
    Plane blurred;
    ConvolveScratch(estimate, blurred, decPSF, true);

    const Interior in = InteriorOf(observed, decPSF);
    for (int y = in.top; y <= in.bottom; ++y) {
        const std::int16_t* o = observed.row(y);
        const std::int16_t* t = blurred.row(y);
        std::int16_t* e = estimate.row(y);
        for (int x = in.left; x <= in.right; ++x) {
            // A relaxation factor of 256/256: the full difference is applied.
            const int correction = Multiply(o[x] - t[x], Unit) / Unit;
            e[x] = Store(Add(e[x], correction));
        }
    }
}

void DeconvolveLR(const Plane& observed, Plane& estimate, const Kernel& decPSF)
{
    RequireCapacity(observed);
    Plane blurred;
    Plane ratio;
    ConvolveScratch(estimate, blurred, decPSF, true);

    const Interior in = InteriorOf(observed, decPSF);
    for (int y = in.top; y <= in.bottom; ++y) {
        const std::int16_t* o = observed.row(y);
        const std::int16_t* t = blurred.row(y);
        std::int16_t* r = ratio.row(y);
        for (int x = in.left; x <= in.right; ++x) r[x] = Store(Multiply(o[x], Unit) / NonZero(t[x]));
    }

    // Outside the interior the ratio stays 0; blurring it back therefore
    // pulls the samples near the interior's edge down.
    ratio.height = blurred.height;
    ratio.width = blurred.width;
    ConvolveScratch(ratio, blurred, decPSF, true);

    for (int y = in.top; y <= in.bottom; ++y) {
        const std::int16_t* t = blurred.row(y);
        std::int16_t* e = estimate.row(y);
        for (int x = in.left; x <= in.right; ++x) e[x] = Store(Multiply(e[x], t[x]) / Unit);
    }
}

}  // namespace quivane
