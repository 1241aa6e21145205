#include "enhance/Deconvolution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "enhance/Convolution.h"

namespace quivane {
namespace {

void FillConstant(Plane& plane, int width, int height, int value)
{
    plane.width = width;
    plane.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) plane.set(x, y, value);
}

Kernel FlatKernel(int columns, int rows, int level)
{
    Kernel kernel(columns, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) kernel.set(r, c, static_cast<std::uint8_t>(level));
    return kernel;
}

// Blurs a sample into its right-hand neighbour, so that a test can choose
// blur(E) at a sample independently of E there.
Kernel RightNeighbour()
{
    Kernel kernel(3, 3);
    kernel.set(1, 2, 1);
    return kernel;
}

TEST(Deconvolution, ConstantPlaneIsAFixedPointExceptNearTheInteriorsEdgeInLR)
{
    Plane observed, cit, lr;
    FillConstant(observed, 12, 10, 100);
    const Kernel blur = FlatKernel(3, 3, 255);
    CopyScratch(observed, cit);
    DeconvolveCit(observed, cit, blur);
    CopyScratch(observed, lr);
    DeconvolveLR(observed, lr, blur);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            ASSERT_EQ(cit.at(x, y), 100);
            const bool interior = x >= 1 && x <= 10 && y >= 1 && y <= 8;
            const bool deep = x >= 2 && x <= 9 && y >= 2 && y <= 7;
            if (!interior || deep) {
                ASSERT_EQ(lr.at(x, y), 100) << x << "," << y;
            }
        }
    // Outside the interior the ratio is 0: the corner sees 4 of 9 ratios of
    // 256, 100 * (4 * 256 * 255 / 2295) / 256 = 44, a side 6 of 9, 66.
    EXPECT_EQ(lr.at(1, 1), 44);
    EXPECT_EQ(lr.at(10, 8), 44);
    EXPECT_EQ(lr.at(1, 4), 66);
    DeconvolveLR(observed, lr, blur);
    EXPECT_LT(lr.at(1, 1), 44);
    EXPECT_LT(lr.at(1, 4), 66);

    // Narrower than the kernel: no interior, nothing changes.
    FillConstant(observed, 2, 10, 100);
    FillConstant(cit, 2, 10, 7);
    DeconvolveCit(observed, cit, blur);
    DeconvolveLR(observed, cit, blur);
    EXPECT_EQ(cit.at(1, 5), 7);
}

TEST(Deconvolution, SingleSampleCorrections)
{
    Plane observed, estimate;
    FillConstant(observed, 5, 4, 0);
    FillConstant(estimate, 5, 4, 0);
    observed.set(1, 1, 120);
    estimate.set(1, 1, 110);
    estimate.set(2, 1, 100);
    DeconvolveCit(observed, estimate, RightNeighbour());
    EXPECT_EQ(estimate.at(1, 1), 130);

    // In LR the blurred ratio at (1, y) is R(2, y) = O(2, y) * 256 / E(3, y).
    FillConstant(observed, 5, 4, 0);
    FillConstant(estimate, 5, 4, 0);
    observed.set(2, 1, 100);
    estimate.set(1, 1, 1);  // and E(3, 1) = 0
    observed.set(2, 2, 255);
    estimate.set(3, 2, 256);
    estimate.set(1, 2, 3);
    Plane negative;
    CopyScratch(estimate, negative);
    negative.set(1, 2, -3);
    DeconvolveLR(observed, estimate, RightNeighbour());
    EXPECT_EQ(estimate.at(1, 1), 100) << "R = 100 * 256 / 1";
    EXPECT_EQ(estimate.at(1, 2), 2) << "3 * 255 / 256";
    DeconvolveLR(observed, negative, RightNeighbour());
    EXPECT_EQ(negative.at(1, 2), -2) << "-3 * 255 / 256";
}

TEST(Deconvolution, ValuesLeavingTheirRangeAbandonTheIteration)
{
    Kernel identity(3, 3);
    identity.set(1, 1, 1);
    Plane observed, estimate;
    FillConstant(observed, 4, 4, 127);
    FillConstant(estimate, 4, 4, 1);
    EXPECT_NO_THROW(DeconvolveLR(observed, estimate, identity)) << "127 * 256 fits";
    observed.set(1, 1, 128);
    FillConstant(estimate, 4, 4, 1);
    EXPECT_THROW(DeconvolveLR(observed, estimate, identity), RangeCheckError) << "128 * 256";

    // Ratios of 32512 summed over a 31 x 31 window of 255.
    FillConstant(observed, 70, 70, 127);
    FillConstant(estimate, 70, 70, 1);
    EXPECT_THROW(DeconvolveLR(observed, estimate, FlatKernel(31, 31, 255)), IntegerOverflowError);

    FillConstant(observed, 5, 3, 32767);
    FillConstant(estimate, 5, 3, 32767);
    estimate.set(2, 1, 0);
    EXPECT_THROW(DeconvolveCit(observed, estimate, RightNeighbour()), RangeCheckError);
}

// One iteration as described, sample by sample, with fresh temporary planes
// and the checked convolution loop: what the iterations must match.
void DescribedCit(const Plane& observed, Plane& estimate, const Kernel& decPSF)
{
    Plane blurred;
    ConvolveScratch(estimate, blurred, decPSF, true, {SumLoop::Checked});
    const int hr = (decPSF.rows() - 1) / 2, hc = (decPSF.columns() - 1) / 2;
    for (int y = hr; y <= observed.height - 1 - hr; ++y)
        for (int x = hc; x <= observed.width - 1 - hc; ++x) {
            const long long correction = (observed.at(x, y) - blurred.at(x, y)) * 256LL / 256;
            estimate.set(x, y, estimate.at(x, y) + correction);
        }
}

void DescribedLR(const Plane& observed, Plane& estimate, const Kernel& decPSF)
{
    Plane blurred, ratio;
    ConvolveScratch(estimate, blurred, decPSF, true, {SumLoop::Checked});
    const int hr = (decPSF.rows() - 1) / 2, hc = (decPSF.columns() - 1) / 2;
    for (int y = hr; y <= observed.height - 1 - hr; ++y)
        for (int x = hc; x <= observed.width - 1 - hc; ++x) {
            const int t = blurred.at(x, y);
            ratio.set(x, y, observed.at(x, y) * 256LL / (t == 0 ? 1 : t));
        }
    ratio.height = blurred.height;
    ratio.width = blurred.width;
    ConvolveScratch(ratio, blurred, decPSF, true, {SumLoop::Checked});
    for (int y = hr; y <= observed.height - 1 - hr; ++y)
        for (int x = hc; x <= observed.width - 1 - hc; ++x)
            estimate.set(x, y, static_cast<long long>(estimate.at(x, y)) * blurred.at(x, y) / 256);
}

template <typename Iteration>
std::string ErrorOf(Iteration iteration)
{
    try {
        iteration();
    } catch (const RangeCheckError&) {
        return "range";
    } catch (const IntegerOverflowError&) {
        return "overflow";
    }
    return "";
}

bool SameCapacity(const Plane& a, const Plane& b)
{
    for (int y = 0; y < ScratchRows; ++y)
        if (!std::equal(a.row(y), a.row(y) + ScratchColumns, b.row(y))) return false;
    return a.width == b.width && a.height == b.height;
}

// Several iterations on one set of kept planes against fresh described
// ones, on random pictures and kernels: an estimate of another size than
// the observed plane (so that the kept planes hold stale samples where a
// fresh one reads zeros), zero-sum and one-column kernels, and samples
// large enough to end some runs with either error, at the same sample.
TEST(Deconvolution, IterationsOnKeptPlanesMatchTheDescribedOnes)
{
    std::mt19937 random(15);
    auto between = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    int ranges = 0, overflows = 0, completed = 0;
    for (int trial = 0; trial < 120; ++trial) {
        const bool white = trial % 10 == 9;  // 31 x 31 of 255 overflows on large ratios
        Kernel kernel(white ? 31 : between(1, 9), white ? 31 : between(1, 9));
        const int sparse = between(0, 2);
        for (int r = 0; r < kernel.rows(); ++r)
            for (int c = 0; c < kernel.columns(); ++c)
                kernel.set(r, c, static_cast<std::uint8_t>(white ? 255 : between(0, sparse) == 0 ? between(0, 255) : 0));
        const int width = between(1, 90), height = between(1, 60);
        const int wild = white ? 2 : between(0, 3);  // 0: pictures of 0..255; otherwise ever larger samples
        const int largest = wild == 0 ? 255 : wild == 1 ? 2000 : 32767;
        Plane observed;
        FillConstant(observed, width, height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) observed.set(x, y, between(wild == 3 ? -largest : 0, largest));
        Plane start;
        CopyScratch(observed, start);
        if (between(0, 3) == 0) {
            start.width = std::clamp(width + between(-5, 5), 0, ScratchColumns);
            start.height = std::clamp(height + between(-5, 5), 0, ScratchRows);
            for (int y = 0; y < start.height; ++y)
                for (int x = 0; x < start.width; ++x) start.set(x, y, between(0, largest));
        }
        const bool lr = white || between(0, 1) == 1;
        Plane described, kept;
        CopyScratch(start, described);
        CopyScratch(start, kept);
        DeconvolutionPlanes planes;
        for (int iteration = 0; iteration < 4; ++iteration) {
            const std::string expected = ErrorOf([&] {
                lr ? DescribedLR(observed, described, kernel) : DescribedCit(observed, described, kernel);
            });
            const std::string actual = ErrorOf([&] {
                lr ? DeconvolveLR(observed, kept, kernel, planes) : DeconvolveCit(observed, kept, kernel, planes);
            });
            ASSERT_EQ(actual, expected) << "trial " << trial << ", iteration " << iteration;
            ASSERT_TRUE(SameCapacity(kept, described)) << "trial " << trial << ", iteration " << iteration;
            if (!expected.empty()) {
                ranges += expected == "range";
                overflows += expected == "overflow";
                break;
            }
            ++completed;
        }
    }
    EXPECT_GT(ranges, 10);
    EXPECT_GE(overflows, 3);
    EXPECT_GT(completed, 200);
}

}  // namespace
}  // namespace quivane
