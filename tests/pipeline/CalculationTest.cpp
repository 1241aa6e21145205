#include "pipeline/Calculation.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "pipeline/CalculationRecord.h"
#include "image/ArithmeticErrors.h"
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
    std::vector<std::string> stages;
    int changes = 0;
    std::vector<int> positions;
    void stageStarted(std::string_view text, int) override { stages.emplace_back(text); }
    void progressed(int position) override { positions.push_back(position); }
    void resultChanged(const Picture&) override { ++changes; }
};

// Stacking copies of one picture gives that picture back, whatever the
// method, and the stages run in their fixed order, each reported.
TEST(Calculate, CopiesStackToThemselvesAndStagesRunInOrder)
{
    const Picture frame = Noise(64, 48, 3);
    for (CombineMethod method : {CombineMethod::Mean, CombineMethod::Median}) {
        PictureSeries pictures = testing::SeriesOf(std::vector<Picture>(5, frame));
        pictures.result() = Noise(64, 48, 9);  // whatever the result held before
        Recorder recorder;
        CalculationSettings settings;
        settings.combineMethod = method;
        Calculate(pictures, 4, settings, DefaultKernelSlots(), recorder);
        EXPECT_EQ(pictures.result().bitmap, frame.bitmap) << "method " << static_cast<int>(method);
        EXPECT_EQ(recorder.stages, std::vector<std::string>{"Combine pictures"});
    }

    PictureSeries pictures = testing::SeriesOf(std::vector<Picture>(3, frame));
    CalculationSettings all;
    for (const EnhancementStage* stage : EnhancementStages())
        all.enhancement[stage->id].on = true;
    all.enhancement[EnhancementStageId::Deconvolution].values[1] = 2;
    Recorder recorder;
    Calculate(pictures, 2, all, DefaultKernelSlots(), recorder);
    EXPECT_EQ(recorder.stages,
              (std::vector<std::string>{"Combine pictures", "Unsharp Masking", "Deconvolution", "Convolve with matrix"}));
    EXPECT_EQ(recorder.changes, 5) << "combine, unsharp mask, two iterations, convolution";
}

// The rows of a combination are shared among threads; the result, its
// fractions, the progress reported (every row, in order) and what an error
// leaves must not depend on how many. Heights that are and are not a whole
// number of bands, every method.
TEST(Calculate, CombinesTheSameBytesOnOneThreadAndOnSeveral)
{
    std::mt19937 random(41);
    std::uniform_int_distribution<int> shift(-6, 6), mark(0, 3);
    for (int height : {1, 16, 37}) {
        PictureSeries pictures;
        testing::Append(pictures, testing::RandomPicture(29, height, random));
        for (int k = 1; k <= 9; ++k) {
            testing::Append(pictures, testing::RandomPicture(29, height, random));
            testing::Last(pictures).dx = shift(random);
            testing::Last(pictures).dy = shift(random);
            testing::Last(pictures).quality = mark(random);
        }
        for (CombineMethod method : {CombineMethod::Mean, CombineMethod::Median, CombineMethod::MinMax, CombineMethod::Multiply}) {
            CalculationSettings s;
            s.combineMethod = method;
            s.combineParameter = method == CombineMethod::Median ? 8 : 128;
            CalculationObserver quiet;
            s.threads = 1;
            PictureSeries one = pictures;
            CalculationRecord oneRecord;
            CalculateAndRecord(one, 9, s, DefaultKernelSlots(), quiet, oneRecord);
            for (int threads : {2, 3}) {
                s.threads = threads;
                PictureSeries several = pictures;
                CalculationRecord severalRecord;
                Recorder recorder;
                CalculateAndRecord(several, 9, s, DefaultKernelSlots(), recorder, severalRecord);
                std::vector<int> rows(static_cast<std::size_t>(height));
                std::iota(rows.begin(), rows.end(), 0);
                EXPECT_EQ(recorder.positions, rows);
                EXPECT_EQ(several.result().bitmap, one.result().bitmap) << DeclarationOf(method).name << ", " << threads;
                EXPECT_TRUE(severalRecord.combined == oneRecord.combined) << DeclarationOf(method).name << ", " << threads;
            }
        }
    }
    PictureSeries many = testing::SeriesOf(std::vector<Picture>(1002, testing::RandomPicture(8, 40, random)));
    const Picture before = many.result();
    for (int threads : {1, 2}) {
        CalculationSettings s;
        s.combineMethod = CombineMethod::Median;
        s.threads = threads;
        Recorder recorder;
        EXPECT_THROW(Calculate(many, 1001, s, DefaultKernelSlots(), recorder), RangeCheckError);
        EXPECT_EQ(many.result().bitmap, before.bitmap) << "no row written, " << threads << " threads";
        EXPECT_EQ(recorder.positions, std::vector<int>{0}) << "the run fails on its first row";
    }
}

}  // namespace
}  // namespace quivane
