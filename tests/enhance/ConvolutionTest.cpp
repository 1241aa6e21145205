#include "enhance/Convolution.h"
#include "enhance/UnsharpMask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>

#include "cpu/SimdLevel.h"

namespace quivane {
namespace {

void Fill(Plane& plane, int width, int height, const std::function<int(int, int)>& value)
{
    plane.width = width;
    plane.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) plane.set(x, y, value(x, y));
}

Kernel FlatKernel(int columns, int rows, int level)
{
    Kernel kernel(columns, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) kernel.set(r, c, static_cast<std::uint8_t>(level));
    return kernel;
}

Kernel DefaultKernel()  // 255 on both diagonals, 128 elsewhere
{
    Kernel kernel = FlatKernel(15, 15, 128);
    for (int i = 0; i < 15; ++i) {
        kernel.set(i, i, 255);
        kernel.set(i, 14 - i, 255);
    }
    return kernel;
}

// Size and the whole capacity, so that a stray write anywhere shows.
bool SamePlanes(const Plane& a, const Plane& b)
{
    for (int y = 0; y < ScratchRows; ++y)
        if (!std::equal(a.row(y), a.row(y) + ScratchColumns, b.row(y))) return false;
    return a.width == b.width && a.height == b.height;
}

TEST(Convolution, KernelSumsAndNormalisers)
{
    EXPECT_EQ(KernelSum(DefaultKernel(), true), 196 * 128 + 29 * 255);
    EXPECT_EQ(KernelSum(DefaultKernel(), false), 29 * 127);

    Plane source;
    Fill(source, 40, 30, [](int, int) { return 100; });
    // Black as a filter sums negative; mid-grey sums to 0 and divides by 1.
    for (const auto& [kernel, plain, expected] :
         {std::tuple{FlatKernel(3, 3, 255), true, 100}, std::tuple{DefaultKernel(), false, 100},
          std::tuple{FlatKernel(3, 3, 0), false, 100}, std::tuple{FlatKernel(5, 3, 128), false, 0}}) {
        Plane destination;
        ConvolveScratch(source, destination, kernel, plain);
        const int hr = (kernel.rows() - 1) / 2, hc = (kernel.columns() - 1) / 2;
        for (int y = hr; y < 30 - hr; ++y)
            for (int x = hc; x < 40 - hc; ++x) ASSERT_EQ(destination.at(x, y), expected);
    }
}

TEST(Convolution, OrientationTruncationAndClamp)
{
    Plane source;
    Fill(source, 12, 9, [](int x, int y) { return 100 * y + x + 1; });
    Kernel topLeft(5, 3);  // five columns, three rows: picks (x - 2, y - 1)
    topLeft.set(0, 0, 3);
    Plane destination;
    ConvolveScratch(source, destination, topLeft, true);
    EXPECT_EQ(destination.at(2, 1), 1);
    EXPECT_EQ(destination.at(9, 7), 608);

    Kernel pair(3, 3);  // centre and right neighbour, sum 2
    pair.set(1, 1, 1);
    pair.set(1, 2, 1);
    source.set(1, 1, -3);
    source.set(2, 1, -4);
    ConvolveScratch(source, destination, pair, true);
    EXPECT_EQ(destination.at(1, 1), -3) << "-7 / 2";

    source.set(1, 1, -32768);
    source.set(2, 1, -32768);
    ConvolveScratch(source, destination, pair, true);
    EXPECT_EQ(destination.at(1, 1), -32767);
}

TEST(Convolution, OnlyTheSourceInteriorIsWritten)
{
    for (const auto& [width, height] : {std::pair{40, 30}, std::pair{15, 15}, std::pair{10, 10}, std::pair{14, 40}}) {
        Plane source;
        Fill(source, width, height, [](int, int) { return 200; });
        Plane destination;
        ConvolveScratch(source, destination, DefaultKernel(), true);
        ASSERT_EQ(destination.width, width);
        ASSERT_EQ(destination.height, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool interior = x >= 7 && x < width - 7 && y >= 7 && y < height - 7;
                ASSERT_EQ(destination.at(x, y), interior ? 200 : 0) << width << " x " << height;
            }
    }
    Plane source;
    Fill(source, 50, 40, [](int, int) { return 1; });
    Plane destination;
    destination.width = 20;
    ConvolveScratch(source, destination, FlatKernel(3, 3, 1), true);
    EXPECT_EQ(destination.width, 20) << "a non-zero size is kept";
    EXPECT_EQ(destination.height, 40);
    EXPECT_EQ(destination.at(48, 38), 1);
}

// What a call did: the exception it threw, if any, and every sample of the
// destination's capacity, which an overflow leaves partly written.
struct Outcome {
    std::string error;
    Plane plane;
};

Outcome Convolve(const Plane& source, const Plane& start, const Kernel& kernel, bool plain,
                 const ConvolutionChoices& choices)
{
    Outcome outcome;
    outcome.plane.width = start.width;
    outcome.plane.height = start.height;
    for (int y = 0; y < ScratchRows; ++y) std::copy(start.row(y), start.row(y) + ScratchColumns, outcome.plane.row(y));
    try {
        ConvolveScratch(source, outcome.plane, kernel, plain, choices);
    } catch (const IntegerOverflowError&) {
        outcome.error = "overflow";
    } catch (const std::logic_error&) {
        outcome.error = "not proven";
    }
    return outcome;
}

// Every loop, vector width and thread count against the checked loop, on
// random kernels and planes: sizes that leave short runs at a row's end,
// kernels one column wide or even-sized, mostly mid-grey filters, planes at
// full capacity, flat planes, and samples large enough that some rows overflow and
// others only fail the bound. An overflow must come after the same rows.
TEST(Convolution, EveryWayOfSummingMatchesTheCheckedLoop)
{
    std::mt19937 random(20240611);
    auto between = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    int overflows = 0, unprovenButFine = 0;
    for (int trial = 0; trial < 160; ++trial) {
        const bool full = trial < 4;
        // Small samples; large ones whose sign turns every other row, so
        // that the bound fails where no sum overflows; or small ones above
        // large ones of one sign, which a large kernel sums past 32 bits
        // after the rows above were summed unchecked.
        const int scale = full ? 0 : between(0, 2);
        const int smallest = scale == 0 ? 1 : 17;
        const int columns = full ? 1 + 2 * trial : between(smallest, 31);
        const int rows = full ? 3 : between(smallest, 31);
        Kernel kernel(columns, rows);
        const int style = between(0, 3);  // any byte, mostly mid-grey, all white, sparse
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                int byte = between(0, 255);
                if (style == 1 && between(0, 3) != 0) byte = 128;
                if (style == 2) byte = 255;
                if (style == 3 && between(0, 5) != 0) byte = 0;
                kernel.set(r, c, static_cast<std::uint8_t>(byte));
            }
        const int width = full ? ScratchColumns : between(1, 120), height = full ? ScratchRows : between(1, 70);
        const int sign = between(0, 1) ? 1 : -1;
        // A flat plane makes every sum a whole multiple of the kernel sum.
        const int flat = between(0, 3) == 0 ? between(-4000, 4000) : 0;
        Plane source;
        Fill(source, width, height, [&](int, int y) {
            if (flat != 0 && scale == 0) return flat;
            if (scale == 0 || (scale == 2 && y < height / 2)) return between(-4000, 4000);
            const int magnitude = between(scale == 1 ? 12000 : 28000, 32767);
            return scale == 1 && y % 2 ? -magnitude : sign * magnitude;
        });
        for (const bool plain : {true, false}) {
            Plane start;
            Fill(start, between(0, 1) * width, between(0, 1) * height, [&](int, int) { return between(-9, 9); });
            const Outcome checked = Convolve(source, start, kernel, plain, {SumLoop::Checked, 1});
            overflows += !checked.error.empty();
            for (const SumLoop loop : {SumLoop::Automatic, SumLoop::Unchecked})
                for (const SimdLevel level : ProcessorSimdLevels())
                    for (const int threads : {1, 3}) {
                        const ScopedSimdLevel forced(level);
                        const Outcome other = Convolve(source, start, kernel, plain, {loop, threads});
                        if (other.error == "not proven") {
                            ASSERT_EQ(loop, SumLoop::Unchecked);
                            unprovenButFine += checked.error.empty();
                            continue;
                        }
                        ASSERT_EQ(other.error, checked.error);
                        ASSERT_TRUE(SamePlanes(checked.plane, other.plane))
                            << width << " x " << height << ", kernel " << columns << " x " << rows << ", plain "
                            << plain << ", " << SimdLevelName(level) << ", threads " << threads;
                    }
        }
    }
    // The samples were chosen so that both outcomes are common.
    EXPECT_GT(overflows, 8);
    EXPECT_GT(unprovenButFine, 8);
}

TEST(Convolution, OverflowOfAnyRunningSumIsDetected)
{
    const Kernel white = FlatKernel(31, 31, 255);
    Plane source;
    Fill(source, 40, 40, [](int, int) { return 32767; });
    Plane destination;
    EXPECT_THROW(ConvolveScratch(source, destination, white, true), IntegerOverflowError);
    EXPECT_THROW(ConvolveScratch(source, destination, white, true, {SumLoop::Unchecked}), std::logic_error);

    // The total fits, but the running sum passes 2^31 after the ninth row.
    Fill(source, 31, 31, [](int, int y) { return y < 16 ? 32767 : -32768; });
    EXPECT_THROW(ConvolveScratch(source, destination, white, true), IntegerOverflowError);

    // The bound fails here, yet no sum comes near it.
    Fill(source, 40, 40, [](int x, int y) { return x == 20 && y == 20 ? 32767 : 0; });
    ConvolveScratch(source, destination, white, true);
    EXPECT_EQ(destination.at(24, 15), 34);
}

TEST(Convolution, UnsharpMaskMixesBlurAndSourceByHalves)
{
    std::mt19937 random(7);
    Plane source;
    Fill(source, 60, 50, [&random](int, int) { return static_cast<int>(random() % 256); });
    Plane blurred, strength0, strength2;
    ConvolveScratch(source, blurred, DefaultKernel(), true);
    UnsharpMask(source, strength0, 0, DefaultKernel());
    EXPECT_TRUE(SamePlanes(strength0, blurred));
    UnsharpMask(source, strength2, 2, DefaultKernel());
    for (int y = 7; y < 43; ++y)
        for (int x = 7; x < 53; ++x) ASSERT_EQ(strength2.at(x, y), source.at(x, y));

    Kernel rightNeighbour(3, 3);  // the blur is the sample to the right
    rightNeighbour.set(1, 2, 1);
    Fill(source, 4, 3, [](int x, int) { return x == 1 ? 10 : 13; });
    Plane destination;
    UnsharpMask(source, destination, 3, rightNeighbour);
    EXPECT_EQ(destination.at(1, 1), 9) << "13 + (3 * -3) / 2";
    source.set(1, 1, 32767);
    EXPECT_THROW(UnsharpMask(source, destination, 16, rightNeighbour), RangeCheckError);
}

}  // namespace
}  // namespace quivane
