#include "enhance/Convolution.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "enhance/KernelWeights.h"
#include "enhance/WindowSums.h"
#include "image/ArithmeticErrors.h"
#include "image/PixelHelpers.h"
#include "parallel/WorkerTeam.h"

namespace quivane {
namespace {

// Below this many multiply-adds (about 0.1 ms of AVX2 work) a row band
// does not pay for starting its thread.
constexpr long long WorkPerThread = 2'000'000;
// A plane of at most 768 x 576 is little work to share more widely.
constexpr int MostThreads = 4;

// How many row bands pay for their threads: one per WorkPerThread of
// multiply-adds, no more than there are cores or MostThreads, at least one.
int BandsWorthStarting(long long work)
{
    return static_cast<int>(std::clamp<long long>(work / WorkPerThread, 1, std::min(AvailableCores(), MostThreads)));
}

void RequireCapacity(const Plane& plane)
{
    if (plane.width < 0 || plane.width > ScratchColumns || plane.height < 0 || plane.height > ScratchRows) {
        throw RangeCheckError();
    }
}

// The largest sample magnitude of each row of the plane.
std::vector<int> RowMagnitudes(const Plane& plane)
{
    std::vector<int> largest(static_cast<std::size_t>(plane.height));
    for (int y = 0; y < plane.height; ++y) {
        const std::int16_t* s = plane.row(y);
        int m = 0;
        for (int x = 0; x < plane.width; ++x) m = std::max(m, std::abs(static_cast<int>(s[x])));
        largest[static_cast<std::size_t>(y)] = m;
    }
    return largest;
}

// Every partial sum of an output is at most sum(|weight| * |sample|) over
// its window in magnitude, so where the largest such total a row's windows
// can reach fits, no product or running sum of that row can leave 32-bit
// range in any order of summation. One flag per output row from hr on.
std::vector<bool> RowsProvenSafe(const Plane& source, const KernelWeights& w, int firstRow, int lastRow)
{
    const std::vector<int> magnitudes = RowMagnitudes(source);
    std::vector<bool> safe;
    for (int y = firstRow; y < lastRow; ++y) {
        long long bound = 0;
        for (int r = 0; r < w.rows; ++r)
            bound += w.rowMagnitudes[static_cast<std::size_t>(r)] * magnitudes[static_cast<std::size_t>(y - w.hr + r)];
        safe.push_back(bound <= INT_MAX);
    }
    return safe;
}

// Each product and running sum is tested, in the order window row by row,
// left to right, so that an overflow is reported exactly where it occurs.
void SumCheckedRows(const Plane& source, Plane& destination, const KernelWeights& w, int norm, int first, int last)
{
    for (int y = first; y < last; ++y) {
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

void ConvolveScratch(const Plane& source, Plane& destination, const Kernel& kernel, bool plain,
                     const ConvolutionChoices& choices)
{
    RequireCapacity(source);
    const int norm = NonZero(KernelSum(kernel, plain));
    if (destination.height == 0) destination.height = source.height;
    if (destination.width == 0) destination.width = source.width;

    const int hr = (kernel.rows() - 1) / 2;
    const int hc = (kernel.columns() - 1) / 2;
    if (source.height - 1 - hr < hr || source.width - 1 - hc < hc) return;

    const KernelWeights w = ReadWeights(kernel, plain);
    const int first = hr;
    const int last = source.height - hr;
    if (choices.loop == SumLoop::Checked) {
        SumCheckedRows(source, destination, w, norm, first, last);
        return;
    }
    const std::vector<bool> safe = RowsProvenSafe(source, w, first, last);
    const bool allSafe = std::find(safe.begin(), safe.end(), false) == safe.end();
    if (choices.loop == SumLoop::Unchecked && !allSafe) {
        throw std::logic_error("ConvolveScratch: the unchecked loop cannot be proven safe here");
    }
    const WindowSums sums(w, norm);
    if (allSafe) {
        const long long work = static_cast<long long>(last - first) * (source.width - 2 * hc) * sums.tapsPerSample();
        const int rows = last - first;
        const int bands = std::clamp(choices.threads > 0 ? choices.threads : BandsWorthStarting(work), 1,
                                     std::max(1, rows));
        auto edge = [&](int band) { return first + static_cast<int>(static_cast<long long>(rows) * band / bands); };
        WorkerTeam(bands).run(bands,
                              [&](int band, int) { sums.sumRows(source, destination, edge(band), edge(band + 1)); });
        return;
    }
    // Row by row in order, each by the loop its bound allows, so that an
    // overflow is met after exactly the rows the checked loop would write.
    for (int y = first; y < last;) {
        const bool rowSafe = safe[static_cast<std::size_t>(y - first)];
        int end = y + 1;
        while (end < last && safe[static_cast<std::size_t>(end - first)] == rowSafe) ++end;
        if (rowSafe) {
            sums.sumRows(source, destination, y, end);
        } else {
            SumCheckedRows(source, destination, w, norm, y, end);
        }
        y = end;
    }
}

void ConvolveScratch(const Plane& source, Plane& destination, const Kernel& kernel, bool plain)
{
    ConvolveScratch(source, destination, kernel, plain, ConvolutionChoices{});
}

void ConvolveWithFilter(const Plane& source, Plane& destination, const Kernel& conPSF)
{
    ConvolveScratch(source, destination, conPSF, false);
}

}  // namespace quivane
