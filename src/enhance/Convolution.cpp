#include "enhance/Convolution.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "image/ArithmeticErrors.h"
#include "image/PixelHelpers.h"

namespace quivane {
namespace {

constexpr int FilterOffset = 128;

// The kernel as the summation loops see it: the weights of the
// (2 hr + 1) x (2 hc + 1) window centred on [hr][hc], row by row.
struct Weights {
    int hr = 0;
    int hc = 0;
    int rows = 0;
    int columns = 0;
    // int16 so that the compiler can use 16 x 16 -> 32-bit multiplies.
    std::vector<std::int16_t> values;
    long long absoluteSum = 0;

    int at(int row, int column) const { return values[static_cast<std::size_t>(row * columns + column)]; }
};

Weights ReadWeights(const Kernel& kernel, bool plain)
{
    Weights w;
    // (0 - 1) / 2 truncates to 0: an empty kernel still asks for its centre
    // element, which fails the kernel's own range check.
    w.hr = (kernel.rows() - 1) / 2;
    w.hc = (kernel.columns() - 1) / 2;
    w.rows = 2 * w.hr + 1;
    w.columns = 2 * w.hc + 1;
    const int offset = plain ? 0 : FilterOffset;
    w.values.reserve(static_cast<std::size_t>(w.rows * w.columns));
    for (int r = 0; r < w.rows; ++r) {
        for (int c = 0; c < w.columns; ++c) {
            const int value = kernel.at(r, c) - offset;
            w.values.push_back(static_cast<std::int16_t>(value));
            w.absoluteSum += std::abs(value);
        }
    }
    return w;
}

void RequireCapacity(const Plane& plane)
{
    if (plane.width < 0 || plane.width > ScratchColumns || plane.height < 0 || plane.height > ScratchRows) {
        throw RangeCheckError();
    }
}

int LargestMagnitude(const Plane& plane)
{
    int largest = 0;
    for (int y = 0; y < plane.height; ++y) {
        const std::int16_t* s = plane.row(y);
        for (int x = 0; x < plane.width; ++x) {
            const int m = s[x] < 0 ? -s[x] : s[x];
            largest = m > largest ? m : largest;
        }
    }
    return largest;
}

// Every partial sum is at most sum(|weight| * |sample|) in magnitude, so
// when that fits, no product or running sum can leave 32-bit range in any
// order of summation.
bool SumsCannotOverflow(const Plane& source, const Weights& w)
{
    return static_cast<long long>(LargestMagnitude(source)) * w.absoluteSum <= INT_MAX;
}

// Each product and running sum is tested, in the order window row by row,
// left to right, so that an overflow is reported exactly where it occurs.
void SumChecked(const Plane& source, Plane& destination, const Weights& w, int norm)
{
    for (int y = w.hr; y <= source.height - 1 - w.hr; ++y) {
        std::int16_t* out = destination.row(y);
        for (int x = w.hc; x <= source.width - 1 - w.hc; ++x) {
            int acc = 0;
            for (int r = 0; r < w.rows; ++r) {
                const std::int16_t* s = source.row(y - w.hr + r) + (x - w.hc);
                for (int c = 0; c < w.columns; ++c) {
                    int product = 0;
                    if (__builtin_mul_overflow(static_cast<int>(s[c]), w.at(r, c), &product) ||
                        __builtin_add_overflow(acc, product, &acc)) {
                        throw IntegerOverflowError();
                    }
                }
            }
            out[x] = static_cast<std::int16_t>(ClampSample(acc / norm));
        }
    }
}

struct Tap {
    int row;
    int column;
    std::int16_t weight;
};

// A run of Count outputs accumulated over all taps with the sums held in
// registers; the fixed count lets the compiler vectorise the j loop fully.
template <int Count>
inline void SumRun(const std::int16_t* const* windowRows, const std::vector<Tap>& taps, int x, int norm,
                   std::int16_t* out)
{
    int acc[Count] = {};
    for (const Tap& t : taps) {
        const std::int16_t* s = windowRows[t.row] + x + t.column;
        const std::int16_t weight = t.weight;
        for (int j = 0; j < Count; ++j) acc[j] += static_cast<int>(s[j]) * static_cast<int>(weight);
    }
    for (int j = 0; j < Count; ++j) out[x + j] = static_cast<std::int16_t>(ClampSample(acc[j] / norm));
}

// Only valid when SumsCannotOverflow holds. Zero weights are skipped (they
// add nothing), which matters for filters drawn on mid-grey.
void SumUnchecked(const Plane& source, Plane& destination, const Weights& w, int norm)
{
    std::vector<Tap> taps;
    for (int r = 0; r < w.rows; ++r) {
        for (int c = 0; c < w.columns; ++c) {
            if (w.at(r, c) != 0) taps.push_back(Tap{r, c, static_cast<std::int16_t>(w.at(r, c))});
        }
    }
    std::vector<const std::int16_t*> windowRows(static_cast<std::size_t>(w.rows));
    // Eight outputs are one vector of samples; longer runs measured slower.
    constexpr int Run = 8;
    const int outputs = source.width - 2 * w.hc;
    for (int y = w.hr; y <= source.height - 1 - w.hr; ++y) {
        for (int r = 0; r < w.rows; ++r) windowRows[static_cast<std::size_t>(r)] = source.row(y - w.hr + r);
        // out[i] is the sample at x = hc + i, whose window starts at column i.
        std::int16_t* out = destination.row(y) + w.hc;
        int i = 0;
        for (; i + Run <= outputs; i += Run) SumRun<Run>(windowRows.data(), taps, i, norm, out);
        for (; i < outputs; ++i) SumRun<1>(windowRows.data(), taps, i, norm, out);
    }
}

}  // namespace

int KernelSum(const Kernel& kernel, bool plain)
{
    const int offset = plain ? 0 : FilterOffset;
    int sum = 0;
    for (int r = 0; r < kernel.rows(); ++r) {
        for (int c = 0; c < kernel.columns(); ++c) {
            if (__builtin_add_overflow(sum, kernel.at(r, c) - offset, &sum)) throw IntegerOverflowError();
        }
    }
    return sum;
}

void ConvolveScratch(const Plane& source, Plane& destination, const Kernel& kernel, bool plain, SumLoop loop)
{
    RequireCapacity(source);
    const int norm = NonZero(KernelSum(kernel, plain));
    if (destination.height == 0) destination.height = source.height;
    if (destination.width == 0) destination.width = source.width;

    const int hr = (kernel.rows() - 1) / 2;
    const int hc = (kernel.columns() - 1) / 2;
    if (source.height - 1 - hr < hr || source.width - 1 - hc < hc) return;

    const Weights w = ReadWeights(kernel, plain);
    const bool provenSafe = loop != SumLoop::Checked && SumsCannotOverflow(source, w);
    if (loop == SumLoop::Unchecked && !provenSafe) {
        throw std::logic_error("ConvolveScratch: the unchecked loop cannot be proven safe here");
    }
    if (provenSafe) {
        SumUnchecked(source, destination, w, norm);
    } else {
        SumChecked(source, destination, w, norm);
    }
}

void ConvolveScratch(const Plane& source, Plane& destination, const Kernel& kernel, bool plain)
{
    ConvolveScratch(source, destination, kernel, plain, SumLoop::Automatic);
}

void ConvolveWithFilter(const Plane& source, Plane& destination, const Kernel& conPSF)
{
    ConvolveScratch(source, destination, conPSF, false);
}

void UnsharpMask(const Plane& source, Plane& destination, int strength, const Kernel& umaPSF)
{
    ConvolveScratch(source, destination, umaPSF, true);
    const int hr = (umaPSF.rows() - 1) / 2;
    const int hc = (umaPSF.columns() - 1) / 2;
    for (int y = hr; y <= source.height - 1 - hr; ++y) {
        const std::int16_t* o = source.row(y);
        std::int16_t* b = destination.row(y);
        for (int x = hc; x <= source.width - 1 - hc; ++x) {
            int scaled = 0;
            int sharpened = 0;
            if (__builtin_mul_overflow(strength, o[x] - b[x], &scaled) ||
                __builtin_add_overflow(static_cast<int>(b[x]), scaled / 2, &sharpened)) {
                throw IntegerOverflowError();
            }
            if (sharpened < -32768 || sharpened > 32767) throw RangeCheckError();
            b[x] = static_cast<std::int16_t>(sharpened);
        }
    }
}

}  // namespace quivane
