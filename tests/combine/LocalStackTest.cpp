#include "combine/LocalStack.h"

#include <gtest/gtest.h>

#include <random>

#include "pipeline/Calculation.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

// Windows half a box apart add up to exactly one, whatever the even size.
TEST(LocalStack, WindowsHalfABoxApartAddUpToOne)
{
    for (const int size : {16, 18, 32, 34, 96, 256}) {
        const std::vector<int> w = BoxWindowWeights(size);
        ASSERT_EQ(static_cast<int>(w.size()), size);
        for (int t = 0; t < size / 2; ++t) EXPECT_EQ(w[t] + w[t + size / 2], 64) << size << " at " << t;
        EXPECT_LE(w.front(), 1) << "a window starts near nothing, so its edge leaves no step";
        for (int t = 0; t < size; ++t) EXPECT_EQ(w[t], w[size - 1 - t]) << "symmetric";
    }
}

// A plan by hand: a full 3 x 3 grid of 32-pixel boxes on 64 x 64 pictures,
// each picture's shift the same at every point.
LocalPlan HandPlan(int count, const std::vector<LocalShift>& perPicture, const std::vector<double>& sharpness = {})
{
    LocalPlan plan;
    plan.width = plan.height = 64;
    plan.count = count;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) plan.points.push_back({i * 16, j * 16, 32});
    for (int n = 0; n < count; ++n) {
        plan.shifts.emplace_back(plan.points.size(), perPicture[static_cast<std::size_t>(n)]);
        plan.sharpness.emplace_back(plan.points.size(), sharpness.empty() ? 1.0 : sharpness[static_cast<std::size_t>(n)]);
    }
    return plan;
}

Picture Stack(PictureSeries pictures, const LocalPlan& plan, KeepRule keep = KeepRule::Percent(100))
{
    CalculationObserver quiet;
    Calculate(pictures, pictures.inputCount(), CalculationSettings{}, DefaultKernelSlots(), quiet,
              LocalStacking{plan, keep});
    return pictures.result();
}

// Where the boxes overlap fully the blend is the boxes' own stack, to the
// byte: a picture read one pixel further by its shift lands where its twin
// lies.
TEST(LocalStack, ShiftsUndoMovesToTheByte)
{
    std::mt19937 random(5);
    const Picture base = testing::RandomPicture(64, 64, random);
    Picture moved = base;  // shows at (x, y) what base shows at (x - 1, y)
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) moved.bitmap.at(x, y) = base.bitmap.at(std::max(0, x - 1), y);
    const PictureSeries pictures = testing::SeriesOf({base, base, moved});
    const Picture local = Stack(pictures, HandPlan(2, {{0, 0}, {ShiftScale, 0}}));
    for (int y = 16; y < 48; ++y)
        for (int x = 16; x < 48; ++x) ASSERT_EQ(local.bitmap.at(x, y), base.bitmap.at(x, y)) << x << ", " << y;

    // A fraction reads between the pixels: on a ramp, where the cubic is
    // exact, half a pixel further reads the level halfway, and a shift along
    // the ramp's level lines changes nothing.
    Picture ramp;
    PreparePictureBitmap(ramp, 64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ramp.bitmap.at(x, y) = PicturePixel{90, 120, 150, static_cast<std::uint8_t>(2 * x + 40)};
    const Picture half = Stack(testing::SeriesOf({ramp, ramp, ramp}), HandPlan(2, {{ShiftScale / 2, 0}, {ShiftScale / 2, 5}}));
    for (int y = 16; y < 48; ++y)
        for (int x = 16; x < 48; ++x)
            ASSERT_EQ(half.bitmap.at(x, y), (PicturePixel{90, 120, 150, static_cast<std::uint8_t>(2 * x + 41)})) << x << ", " << y;
}

// Each point keeps its sharpest pictures; "Dont" pictures never count.
TEST(LocalStack, PointsKeepTheirSharpestAndLeaveDontOut)
{
    const Picture dark = [] {
        Picture p;
        PreparePictureBitmap(p, 64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) p.bitmap.at(x, y) = PicturePixel{10, 20, 30, 40};
        return p;
    }();
    Picture bright = dark;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) bright.bitmap.at(x, y) = PicturePixel{200, 210, 220, 230};
    const PictureSeries pictures = testing::SeriesOf({dark, dark, bright, dark});
    const Picture kept = Stack(pictures, HandPlan(3, {{}, {}, {}}, {1.0, 5.0, 2.0}), KeepRule::Count(1));
    EXPECT_EQ(kept.bitmap.at(32, 32), (PicturePixel{200, 210, 220, 230}));

    PictureSeries marked = pictures;
    marked.at(2).quality = QualityDont;
    const Picture withoutDont = Stack(marked, HandPlan(3, {{}, {}, {}}, {1.0, 5.0, 2.0}), KeepRule::Count(1));
    EXPECT_EQ(withoutDont.bitmap.at(32, 32), (PicturePixel{10, 20, 30, 40}));
}

// An empty plan, or one made for pictures of another size or number, leaves
// the global stack alone.
TEST(LocalStack, PlansThatDoNotFitChangeNothing)
{
    std::mt19937 random(8);
    PictureSeries pictures = testing::SeriesOf({testing::RandomPicture(64, 64, random), testing::RandomPicture(64, 64, random),
                         testing::RandomPicture(64, 64, random)});
    PictureSeries plain = pictures;
    CalculationObserver quiet;
    Calculate(plain, 2, CalculationSettings{}, DefaultKernelSlots(), quiet);
    EXPECT_EQ(Stack(pictures, LocalPlan{}).bitmap, plain.result().bitmap);
    LocalPlan wide = HandPlan(2, {{}, {}});
    wide.width = 96;
    EXPECT_EQ(Stack(pictures, wide).bitmap, plain.result().bitmap);
    EXPECT_EQ(Stack(pictures, HandPlan(5, {{}, {}, {}, {}, {}})).bitmap, plain.result().bitmap);
}

}  // namespace
}  // namespace quivane
