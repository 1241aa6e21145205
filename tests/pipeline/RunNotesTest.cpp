#include "pipeline/RunNotes.h"

#include <gtest/gtest.h>

#include "enhance/Deconvolution.h"

#include "tone/DisplayNotes.h"
#include "tone/RenderPicture.h"

namespace quivane {
namespace {

TEST(RunNotes, EveryStageWithItsValuesOrOff)
{
    CalculationRecord record;
    record.valid = true;
    record.pictureCount = 40;
    record.framesUsed = 7;
    record.kernels = DefaultKernelSlots();
    record.kernels.convolution() = Kernel(3, 5);
    record.settings.combineMethod = CombineMethod::Multiply;
    record.settings.combineParameter = 128;
    record.settings.enhancement[EnhancementStageId::Deconvolution].on = true;
    record.settings.enhancement[EnhancementStageId::Deconvolution].values[0] = static_cast<int>(DeconvolutionMethod::LR);
    record.settings.enhancement[EnhancementStageId::Deconvolution].values[1] = 4;
    record.settings.enhancement[EnhancementStageId::Convolution].on = true;
    EXPECT_EQ(DescribeRun(record, 40), (PictureNotes{{"Frames", "FRAMES", "40"},
                                                     {"Combine", "COMBINE", "product, parameter 128"},
                                                     {"Kept frames", "KEPT", "7"},
                                                     {"Unsharp mask", "UNSHARP", "off"},
                                                     {"Deconvolution", "DECONV", "LR, 4 iterations, kernel 15 x 15"},
                                                     {"Convolution", "CONVOLVE", "kernel 5 x 3"}}));

    record.settings = CalculationSettings{};
    record.settings.enhancement[EnhancementStageId::UnsharpMask].on = true;
    record.settings.enhancement[EnhancementStageId::Deconvolution].on = true;
    record.settings.enhancement[EnhancementStageId::Deconvolution].values[1] = 1;
    record.completedSteps = 1;
    record.stoppedBy = "Integer overflow";
    const PictureNotes stopped = DescribeRun(record, 40);
    EXPECT_EQ(stopped[1].value, "mean, weighted by the quality marks");
    EXPECT_EQ(stopped[3].value, "strength 3, kernel 15 x 15");
    EXPECT_EQ(stopped[4].value, "Cit, 1 iteration, kernel 15 x 15");
    EXPECT_EQ(stopped.back(), (PictureNote{"Stopped", "STOPPED", "Integer overflow after 1 of 2 enhancement steps"}));

    EXPECT_EQ(DescribeRun(CalculationRecord{}, 12),
              (PictureNotes{{"Frames", "FRAMES", "12"}, {"Combine", "COMBINE", "none: the first picture as loaded"}}));
}

TEST(DisplayNotes, TheModeAndOnlyTheToneStagesThatAreOn)
{
    ToneSettings tone;
    EXPECT_EQ(DescribeDisplay(ModeLuminance, tone, {}), (PictureNotes{{"Display", "DISPLAY", "B&W (luminance)"}}));
    tone.saturation = 150;
    tone.biasLevel = 60;
    EXPECT_EQ(DescribeDisplay(ModeSaturationLevel | FlagBiasGain | FlagLookupTable | FlagMap0255, tone,
                              {{2.0, 0, 0}, {0.0, 0, 0}}),
              (PictureNotes{{"Display", "DISPLAY", "saturation level, saturation 150%"},
                            {"CLAHE", "CLAHE", "clip factor 2.0, then 0.0 (no clipping)"},
                            {"Bias/gain", "BIASGAIN", "bias 60, gain 128"},
                            {"Lookup table", "LUT", "on"},
                            {"Mapped to 15..240", "MAP0255", "on"}}));
}

}  // namespace
}  // namespace quivane
