#include "enhance/FineEnhancement.h"

#include <cmath>
#include <vector>

#include "enhance/Convolution.h"
#include "image/PixelHelpers.h"

namespace quivane {
namespace {

constexpr double Unit = 256.0;

struct Tap {
    int row;
    int column;
    double weight;
};

struct Window {
    int hr = 0;
    int hc = 0;
    std::vector<Tap> taps;  // the non-zero weights; zeros add nothing
};

Window WindowOf(const Kernel& kernel, bool plain)
{
    Window w;
    w.hr = (kernel.rows() - 1) / 2;
    w.hc = (kernel.columns() - 1) / 2;
    const int offset = plain ? 0 : 128;
    for (int r = 0; r <= 2 * w.hr; ++r)
        for (int c = 0; c <= 2 * w.hc; ++c) {
            const int weight = kernel.at(r, c) - offset;
            if (weight != 0) w.taps.push_back(Tap{r, c, static_cast<double>(weight)});
        }
    return w;
}

double ClampSample(double v) { return v < -32767.0 ? -32767.0 : (v > 32767.0 ? 32767.0 : v); }

// Runs over the interior O's size leaves for the kernel, as the described
// deconvolution does.
template <typename Visit>
void ForInterior(const FinePlane& observed, const Kernel& kernel, Visit visit)
{
    const int hr = (kernel.rows() - 1) / 2;
    const int hc = (kernel.columns() - 1) / 2;
    for (int y = hr; y <= observed.height - 1 - hr; ++y)
        for (int x = hc; x <= observed.width - 1 - hc; ++x) visit(x, y);
}

}  // namespace

void ConvolveFine(const FinePlane& source, FinePlane& destination, const Kernel& kernel, bool plain)
{
    const double norm = NonZero(KernelSum(kernel, plain));
    if (destination.height == 0) destination.height = source.height;
    if (destination.width == 0) destination.width = source.width;
    const Window w = WindowOf(kernel, plain);
    if (source.height - 1 - w.hr < w.hr || source.width - 1 - w.hc < w.hc) return;

    const int outputs = source.width - 2 * w.hc;
    std::vector<double> sums(static_cast<std::size_t>(outputs));
    for (int y = w.hr; y <= source.height - 1 - w.hr; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        // Tap by tap along the row, so the inner loop is a plain run the
        // compiler can vectorise.
        for (const Tap& t : w.taps) {
            const double* s = source.row(y - w.hr + t.row) + t.column;
            for (int i = 0; i < outputs; ++i) sums[static_cast<std::size_t>(i)] += s[i] * t.weight;
        }
        double* out = destination.row(y) + w.hc;
        for (int i = 0; i < outputs; ++i) out[i] = ClampSample(sums[static_cast<std::size_t>(i)] / norm);
    }
}

void ConvolveWithFilterFine(const FinePlane& source, FinePlane& destination, const Kernel& conPSF)
{
    ConvolveFine(source, destination, conPSF, false);
}

void DeconvolveCitFine(const FinePlane& observed, FinePlane& estimate, const Kernel& decPSF)
{
    FinePlane blurred;
    ConvolveFine(estimate, blurred, decPSF, true);
    ForInterior(observed, decPSF,
                [&](int x, int y) { estimate.row(y)[x] += observed.row(y)[x] - blurred.row(y)[x]; });
}

void DeconvolveLRFine(const FinePlane& observed, FinePlane& estimate, const Kernel& decPSF)
{
    FinePlane blurred;
    FinePlane ratio;
    ConvolveFine(estimate, blurred, decPSF, true);
    ForInterior(observed, decPSF, [&](int x, int y) {
        const double t = blurred.row(y)[x];
        ratio.row(y)[x] = observed.row(y)[x] * Unit / (std::fabs(t) < 1.0 ? 1.0 : t);
    });
    ratio.height = blurred.height;
    ratio.width = blurred.width;
    ConvolveFine(ratio, blurred, decPSF, true);
    ForInterior(observed, decPSF, [&](int x, int y) { estimate.row(y)[x] *= blurred.row(y)[x] / Unit; });
}

}  // namespace quivane
