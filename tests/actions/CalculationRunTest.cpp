#include "actions/CalculationRun.h"

#include <gtest/gtest.h>

#include "actions/AlignmentFixture.h"
#include "image/ArithmeticErrors.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

using testing::AlignmentFixture;

// Three noisy pictures of a disc, with colour, loaded as a series.
class CalculationRunTest : public ::testing::Test {
protected:
    AlignmentFixture f;

    void SetUp() override
    {
        auto shade = [](int seed) {
            return [seed](int x, int y) {
                const int noise = static_cast<int>((static_cast<unsigned>(x * 7919 + y * 104729 + seed * 31) % 23));
                const double d = std::hypot(x - 96.0, y - 72.0);
                return (d < 40 ? 200 : 30) + noise;
            };
        };
        f.Load({shade(1), shade(2), shade(3)});
        testing::ForEachPicture(f.ws.pictures, [](Picture& p) {
            for (int y = 0; y < p.bitmap.height(); ++y)
                for (int x = 0; x < p.bitmap.width(); ++x) p.bitmap.at(x, y).chromaRed = static_cast<std::uint8_t>(x);
        });
    }

    std::vector<std::string> Statuses() const
    {
        std::vector<std::string> statuses;
        for (const std::string& line : f.ui.log)
            if (line.rfind("status ", 0) == 0) statuses.push_back(line.substr(7));
        return statuses;
    }

    void AllStagesOn(int iterations = 2)
    {
        for (const EnhancementStage* stage : EnhancementStages())
            f.ws.calculation.enhancement[stage->id].on = true;
        f.ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[1] = iterations;
    }
};

TEST_F(CalculationRunTest, WithNoStageOnTheRunOnlyCombines)
{
    f.ui.log.clear();
    CalculationRun(f.ws, f.ui);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Combine pictures", "Ready!"}));
    EXPECT_EQ(f.ui.progressMaximum, 100);
}

TEST_F(CalculationRunTest, StagesReportInTheirOrder)
{
    AllStagesOn(3);
    f.ui.log.clear();
    CalculationRun(f.ws, f.ui);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Combine pictures", "Unsharp Masking", "Deconvolution",
                                                    "Convolve with matrix", "Ready!"}));
    const auto& log = f.ui.log;
    const auto decon = std::find(log.begin(), log.end(), "status Deconvolution");
    ASSERT_NE(decon, log.end());
    EXPECT_EQ(*(decon - 3), "progress max 3");
    std::vector<std::string> positions;
    for (auto it = decon + 1; it != log.end() && *it != "status Convolve with matrix"; ++it)
        if (it->rfind("progress pos", 0) == 0) positions.push_back(*it);
    EXPECT_EQ(positions, (std::vector<std::string>{"progress pos 1", "progress pos 2", "progress pos 3", "progress pos 0"}));
}

TEST_F(CalculationRunTest, EnhancementChangesOnlyTheLuminance)
{
    CalculationRun(f.ws, f.ui);
    const Bitmap32 plain = f.At(0).bitmap;
    AllStagesOn();
    CalculationRun(f.ws, f.ui);
    const Bitmap32& enhanced = f.At(0).bitmap;
    bool luminanceChanged = false;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const PicturePixel a = plain.at(x, y), b = enhanced.at(x, y);
            ASSERT_EQ(a.chromaBlue, b.chromaBlue);
            ASSERT_EQ(a.chromaGreen, b.chromaGreen);
            ASSERT_EQ(a.chromaRed, b.chromaRed);
            luminanceChanged |= a.luminance != b.luminance;
        }
    EXPECT_TRUE(luminanceChanged);
}

TEST_F(CalculationRunTest, RunningTwiceGivesTheSamePicture)
{
    AllStagesOn();
    CalculationRun(f.ws, f.ui);
    const Bitmap32 first = f.At(0).bitmap;
    CalculationRun(f.ws, f.ui);
    EXPECT_EQ(f.At(0).bitmap, first);
}

TEST_F(CalculationRunTest, CombineMethodIsReadFromItsGroup)
{
    ControlChanged(f.ws, f.ui, ControlId::CombineRadioGroup, 2);
    f.ws.calculation.combineMethod = CombineMethod::Mean;
    CalculationRun(f.ws, f.ui);
    EXPECT_EQ(f.ws.calculation.combineMethod, CombineMethod::MinMax);
}

TEST_F(CalculationRunTest, NothingLoadedMeansNothingHappens)
{
    f.ws.picturesLoaded = false;
    const Bitmap32 before = f.At(0).bitmap;
    f.ui.log.clear();
    CalculationRun(f.ws, f.ui);
    EXPECT_TRUE(f.ui.log.empty());
    EXPECT_EQ(f.At(0).bitmap, before);
}

TEST_F(CalculationRunTest, OverflowMidDeconvolutionKeepsTheLastCompletedIteration)
{
    // A checkerboard under a kernel of the four edge neighbours only: its
    // blur is the checkerboard inverted, so every "Cit" iteration doubles the
    // estimate's swing until a sample leaves 16 bits.
    testing::ForEachPicture(f.ws.pictures, [](Picture& p) {
        for (int y = 0; y < p.bitmap.height(); ++y)
            for (int x = 0; x < p.bitmap.width(); ++x) p.bitmap.at(x, y).luminance = (x + y) % 2 ? 255 : 0;
    });
    Kernel cross = NewPSF(3, 3);
    for (const auto& [r, c] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 2}, std::pair{2, 1}}) cross.set(r, c, 255);
    f.ws.kernels.deconvolution() = cross;
    f.ws.calculation.enhancement[EnhancementStageId::Deconvolution].on = true;
    f.ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[1] = 16;
    f.ui.log.clear();
    EXPECT_ANY_THROW(CalculationRun(f.ws, f.ui));
    const int failing = static_cast<int>(std::count_if(f.ui.log.begin(), f.ui.log.end(), [](const std::string& l) {
                            return l.rfind("progress pos", 0) == 0 && l != "progress pos 0";
                        })) -
                        static_cast<int>(f.ws.pictures.result().bitmap.height()) + 1;
    ASSERT_GT(failing, 1);
    EXPECT_EQ(f.ui.status, "Deconvolution") << "the status keeps the failing stage";
    const Bitmap32 kept = f.At(0).bitmap;

    f.ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[1] = failing - 1;
    CalculationRun(f.ws, f.ui);
    EXPECT_EQ(f.At(0).bitmap, kept);
}

}  // namespace
}  // namespace quivane
