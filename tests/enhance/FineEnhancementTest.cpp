#include "enhance/FineEnhancement.h"
#include "enhance/UnsharpMask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "enhance/Convolution.h"
#include "enhance/Deconvolution.h"
#include "image/ArithmeticErrors.h"

namespace quivane {
namespace {

// The same random whole levels in a described and a fine plane.
void RandomPlanes(Plane& plane, FinePlane& fine, int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 255);
    plane.width = fine.width = width;
    plane.height = fine.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = level(random);
            plane.set(x, y, v);
            fine.row(y)[x] = v;
        }
}

Kernel Single(int row, int column, int size = 3)
{
    Kernel k(size, size);
    k.set(row, column, 1);
    return k;
}

// Largest |fine - described| over the planes' samples.
double Gap(const Plane& described, const FinePlane& fine)
{
    double gap = 0;
    for (int y = 0; y < described.height; ++y)
        for (int x = 0; x < described.width; ++x) gap = std::max(gap, std::fabs(fine.row(y)[x] - described.at(x, y)));
    return gap;
}

// Kernels of weight sum 1 and strength 2 leave nothing to truncate: every
// stage then gives the described planes exactly, edge bands included.
TEST(FineEnhancement, WhereNothingIsTruncatedTheStagesAreTheDescribedOnes)
{
    Plane o, out;
    FinePlane fo, fout;
    RandomPlanes(o, fo, 20, 15, 1);
    UnsharpMask(o, out, 2, Single(0, 2));
    UnsharpMaskFine(fo, fout, 2, Single(0, 2));
    EXPECT_EQ(Gap(out, fout), 0.0);

    Plane filter;
    FinePlane fineFilter;
    Kernel shift(3, 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) shift.set(r, c, 128);
    shift.set(2, 1, 129);  // offset weights: 1 below the centre, 0 elsewhere
    ConvolveWithFilter(o, filter, shift);
    ConvolveWithFilterFine(fo, fineFilter, shift);
    EXPECT_EQ(Gap(filter, fineFilter), 0.0);

    Plane e;
    FinePlane fe;
    RandomPlanes(e, fe, 20, 15, 2);
    for (int i = 0; i < 3; ++i) {
        DeconvolveCit(o, e, Single(1, 2));
        DeconvolveCitFine(fo, fe, Single(1, 2));
    }
    EXPECT_EQ(Gap(e, fe), 0.0);
}

// One truncating division per sample costs less than a level; the unsharp
// mask's two cost less than one together (the blur enters at half weight).
TEST(FineEnhancement, ASingleStageDiffersFromTheDescribedOneByTheTruncationOnly)
{
    const Kernel blur = [] {
        Kernel k(7, 7);
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 7; ++c) k.set(r, c, static_cast<std::uint8_t>(40 + 9 * r + 5 * c));
        return k;
    }();
    Plane o, out;
    FinePlane fo, fout;
    RandomPlanes(o, fo, 40, 30, 3);
    ConvolveScratch(o, out, blur, true);
    ConvolveFine(fo, fout, blur, true);
    EXPECT_LT(Gap(out, fout), 1.0);
    EXPECT_GT(Gap(out, fout), 0.0);

    Plane sharp;
    FinePlane fineSharp;
    UnsharpMask(o, sharp, 3, blur);
    UnsharpMaskFine(fo, fineSharp, 3, blur);
    EXPECT_LT(Gap(sharp, fineSharp), 1.0);

    // LR truncates E * T / 256: 3 * 255 / 256 is 2 there, 2.99 here.
    Plane observed, estimate;
    FinePlane fineObserved, fineEstimate;
    observed.width = estimate.width = fineObserved.width = fineEstimate.width = 5;
    observed.height = estimate.height = fineObserved.height = fineEstimate.height = 4;
    observed.set(2, 2, 255);
    fineObserved.row(2)[2] = 255;
    estimate.set(3, 2, 256);
    fineEstimate.row(2)[3] = 256;
    estimate.set(1, 2, 3);
    fineEstimate.row(2)[1] = 3;
    DeconvolveLR(observed, estimate, Single(1, 2));
    DeconvolveLRFine(fineObserved, fineEstimate, Single(1, 2));
    EXPECT_EQ(estimate.at(1, 2), 2);
    EXPECT_DOUBLE_EQ(fineEstimate.row(2)[1], 3 * 255 / 256.0);
}

// Where a described stage stops with a range or overflow error the fine one
// goes on; a blurred estimate of 0 divides by 1 in both.
TEST(FineEnhancement, NothingFailsAndAZeroBlurDividesByOne)
{
    Plane observed, estimate;
    FinePlane fineObserved, fineEstimate;
    observed.width = estimate.width = fineObserved.width = fineEstimate.width = 4;
    observed.height = estimate.height = fineObserved.height = fineEstimate.height = 4;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            observed.set(x, y, 128);
            fineObserved.row(y)[x] = 128;
            estimate.set(x, y, 1);
            fineEstimate.row(y)[x] = 1;
        }
    EXPECT_THROW(DeconvolveLR(observed, estimate, Single(1, 1)), RangeCheckError) << "128 * 256";
    DeconvolveLRFine(fineObserved, fineEstimate, Single(1, 1));
    // The ratio 32768 is blurred by a convolution, whose result is clamped
    // to 32767 as the described one's is.
    EXPECT_DOUBLE_EQ(fineEstimate.row(1)[1], 32767 / 256.0);

    // O = 100 where the blurred estimate is 0 (E to the right is 0).
    FinePlane o, e;
    o.width = e.width = 5;
    o.height = e.height = 4;
    o.row(1)[2] = 100;
    e.row(1)[1] = 1;
    DeconvolveLRFine(o, e, Single(1, 2));
    EXPECT_DOUBLE_EQ(e.row(1)[1], 100.0) << "R = 100 * 256 / 1";
}

TEST(FineEnhancement, TheEdgeBandKeepsWhatTheDestinationHeld)
{
    FinePlane source, destination;
    source.width = 9;
    source.height = 7;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            source.row(y)[x] = 50;
            destination.row(y)[x] = -1;
        }
    Kernel flat(5, 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) flat.set(r, c, 255);
    ConvolveFine(source, destination, flat, true);
    EXPECT_EQ(destination.width, 9);
    EXPECT_EQ(destination.height, 7);
    EXPECT_EQ(destination.row(0)[4], -1.0);
    EXPECT_EQ(destination.row(3)[1], -1.0);
    EXPECT_EQ(destination.row(3)[2], 50.0);
    EXPECT_EQ(destination.row(5)[6], 50.0);
    EXPECT_EQ(destination.row(6)[6], -1.0);
}

}  // namespace
}  // namespace quivane
