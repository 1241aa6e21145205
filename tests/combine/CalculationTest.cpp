#include "combine/Calculation.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/Pictures.h"

namespace quivane {
namespace {

Picture Noise(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    return testing::RandomPicture(width, height, random);
}

class Recorder : public CalculationObserver {
public:
    std::vector<CalculationStage> stages;
    int changes = 0;
    void stageStarted(CalculationStage stage, int) override { stages.push_back(stage); }
    void resultChanged(const Picture&) override { ++changes; }
};

// Stacking copies of one picture gives that picture back, whatever the
// method, and the stages run in their fixed order, each reported.
TEST(Calculate, CopiesStackToThemselvesAndStagesRunInOrder)
{
    const Picture frame = Noise(64, 48, 3);
    for (int method : {CombineMeanMethod, CombineMedianMethod}) {
        PictureList pictures(5, frame);
        pictures.front() = Noise(64, 48, 9);  // whatever the result held before
        Recorder recorder;
        Calculate(pictures, 4, CalculationSettings{method, 0}, DefaultKernelSlots(), recorder);
        EXPECT_EQ(pictures.front().bitmap, frame.bitmap) << "method " << method;
        EXPECT_EQ(recorder.stages, std::vector<CalculationStage>{CalculationStage::Combine});
    }

    PictureList pictures(3, frame);
    CalculationSettings all;
    all.unsharpOn = all.deconvolutionOn = all.convolutionOn = true;
    all.deconvolutionIterations = 2;
    Recorder recorder;
    Calculate(pictures, 2, all, DefaultKernelSlots(), recorder);
    EXPECT_EQ(recorder.stages,
              (std::vector<CalculationStage>{CalculationStage::Combine, CalculationStage::UnsharpMask,
                                             CalculationStage::Deconvolution, CalculationStage::Convolution}));
    EXPECT_EQ(recorder.changes, 5) << "combine, unsharp mask, two iterations, convolution";
}

}  // namespace
}  // namespace quivane
