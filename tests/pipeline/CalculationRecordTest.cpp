#include "pipeline/CalculationRecord.h"

#include <gtest/gtest.h>

#include "enhance/Deconvolution.h"

#include <cmath>
#include <random>

#include "pipeline/FineCalculation.h"
#include "image/ArithmeticErrors.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

// A stack of noisy copies of one scene, so means have fractions.
PictureSeries Stack(int count, unsigned seed)
{
    std::mt19937 random(seed);
    const Picture scene = testing::RandomPicture(48, 36, random);
    PictureSeries list = testing::SeriesOf(std::vector<Picture>(static_cast<std::size_t>(count) + 1, scene));
    std::uniform_int_distribution<int> noise(-3, 3);
    for (std::size_t k = 1; k < testing::PicturesIn(list); ++k)
        for (int y = 0; y < 36; ++y)
            for (int x = 0; x < 48; ++x) {
                PicturePixel& p = list.at(k).bitmap.at(x, y);
                p.luminance = static_cast<std::uint8_t>(std::clamp(p.luminance + noise(random), 0, 255));
            }
    return list;
}

CalculationSettings AllStages()
{
    CalculationSettings s;
    for (const EnhancementStage* stage : EnhancementStages())
        s.enhancement[stage->id].on = true;
    s.enhancement[EnhancementStageId::Deconvolution].values[0] = static_cast<int>(DeconvolutionMethod::LR);
    s.enhancement[EnhancementStageId::Deconvolution].values[1] = 3;
    return s;
}

Kernel Identity()
{
    Kernel k(3, 3);
    k.set(1, 1, 1);
    return k;
}

// Blurs a sample into its left neighbour's place: blur(E) at x is E at x + 1.
Kernel RightNeighbour()
{
    Kernel k(3, 3);
    k.set(1, 2, 1);
    return k;
}

TEST(CalculationRecord, RecordingChangesNothingAndKeepsWhatTheRunDid)
{
    PictureSeries described = Stack(6, 1), recorded = described;
    CalculationObserver quiet;
    Calculate(described, 6, AllStages(), DefaultKernelSlots(), quiet);
    CalculationRecord record;
    CalculateAndRecord(recorded, 6, AllStages(), DefaultKernelSlots(), quiet, record);
    EXPECT_EQ(recorded.result().bitmap, described.result().bitmap);

    ASSERT_TRUE(record.valid);
    EXPECT_EQ(record.completedSteps, 5) << "unsharp mask, three iterations, convolution";
    EXPECT_EQ(record.stoppedBy, "");
    EXPECT_EQ(record.pictureCount, 6);
    EXPECT_EQ(record.framesUsed, 6);
    EXPECT_EQ(record.result.bitmap, described.result().bitmap);

    // The combination alone is the floor of what was recorded of it.
    PictureSeries combinedOnly = Stack(6, 1);
    Calculate(combinedOnly, 6, CalculationSettings{}, DefaultKernelSlots(), quiet);
    const FinePicture whole = WholeLevels(record.combined);
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 48; ++x) ASSERT_EQ(whole.at(x, y).luminance, combinedOnly.result().bitmap.at(x, y).luminance);
}

TEST(CalculationRecord, AnAbandonedRunKeepsTheStepsThatCompleted)
{
    // Columns alternate 200 and 0: LR's right-neighbour blur is 0 beside
    // every 200, and 200 * 256 does not fit a plane.
    PictureSeries list = testing::SeriesOf(std::vector<Picture>(2));
    testing::ForEachPicture(list, [&](Picture& p) { PreparePictureBitmap(p, 8, 6); });
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) list.at(1).bitmap.at(x, y) = PicturePixel{255, 255, 255, static_cast<std::uint8_t>(x % 2 ? 0 : 200)};
    KernelSlots kernels = DefaultKernelSlots();
    kernels.unsharpMask() = Identity();
    kernels.deconvolution() = RightNeighbour();
    CalculationObserver quiet;
    CalculationRecord record;
    EXPECT_THROW(CalculateAndRecord(list, 1, AllStages(), kernels, quiet, record), RangeCheckError);
    ASSERT_TRUE(record.valid);
    EXPECT_EQ(record.completedSteps, 1) << "the unsharp mask only";
    EXPECT_EQ(record.stoppedBy, "Range check error");
    EXPECT_EQ(record.result.bitmap, list.result().bitmap);

    // The replay stops where the run stopped: only the unsharp mask, which
    // with an identity kernel divides exactly, so it gives the described
    // picture, black one-pixel frame and all.
    const FinePicture replay = EnhanceFine(record, record.combined);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(replay.at(x, y).luminance, record.result.bitmap.at(x, y).luminance);

    // A run that fails at its first pixel keeps the record of the run before.
    PictureSeries many = testing::SeriesOf(std::vector<Picture>(1002));
    testing::ForEachPicture(many, [&](Picture& p) { PreparePictureBitmap(p, 2, 2); });
    CalculationSettings median;
    median.combineMethod = CombineMethod::Median;
    EXPECT_THROW(CalculateAndRecord(many, 1001, median, kernels, quiet, record), RangeCheckError);
    EXPECT_EQ(record.completedSteps, 1);
    EXPECT_EQ(record.result.bitmap.width(), 8);
}

// The exact replay from the combination's bytes follows the described run
// stage for stage: the same black edge bands, the same interior up to the
// described truncations (a few levels after five truncating steps).
TEST(CalculationRecord, TheExactReplayFollowsTheDescribedRun)
{
    PictureSeries list = Stack(4, 2);
    CalculationObserver quiet;
    CalculationRecord record;
    CalculateAndRecord(list, 4, AllStages(), DefaultKernelSlots(), quiet, record);
    const FineRuns runs = EnhanceBoth(record);
    double worst = 0;
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 48; ++x) {
            const int described = record.result.bitmap.at(x, y).luminance;
            const double replayed = runs.fromBytes.at(x, y).luminance;
            if (x < 7 || x >= 41 || y < 7 || y >= 29) {
                ASSERT_EQ(replayed, described) << x << "," << y;
            }
            worst = std::max(worst, std::fabs(replayed - described));
        }
    EXPECT_LT(worst, 6.0);
    EXPECT_EQ(runs.fromFractions.width(), 48);
    EXPECT_TRUE(EnhanceBoth(CalculationRecord{}).fromFractions.empty());
}

}  // namespace
}  // namespace quivane
