#include "enhance/Deconvolution.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quivane
