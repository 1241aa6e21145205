#include "select/SharpnessScore.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "select/FrameMeasure.h"
#include "select/PixelNoise.h"
#include "select/SeriesMaterial.h"

namespace quivane {
namespace {

using testing::Noise;

// Every frame with noise of `sigma` 8-bit levels, seen as the selection sees
// it after a load: around the planet, or, for a surface filling the frame,
// in the middle, as a full picture is cut.
template <class Frame>
std::vector<ObjectView> Views(const std::vector<Frame>& frames, bool surface, double sigma)
{
    Noise noise(1000u + static_cast<std::uint32_t>(sigma));
    std::vector<ObjectView> views;
    for (const Frame& clean : frames) {
        const Frame frame = sigma > 0.0 ? testing::WithNoise(clean, sigma, noise) : clean;
        views.push_back(MeasuredView(frame, SurveyObject(frame), surface));
    }
    return views;
}

struct Series {
    const char* folder;
    std::function<std::vector<ObjectView>(double sigma)> views;
};

const Series AllSeries[] = {
    {"seeing", [](double s) { return Views(testing::SeeingFrames(), false, s); }},
    {"ser_mono16_flag0",
     [](double s) { return Views(testing::SerFrames<DeepFrame>("ser_mono16_flag0/moon_mono16_le_flag0.ser"), true, s); }},
    {"ser_trailer",
     [](double s) { return Views(testing::SerFrames<Bitmap8>("ser_trailer/moon_mono8_timestamps.ser"), true, s); }},
    {"series_fits16", [](double s) { return Views(testing::FitsFrames(), true, s); }},
};

double Ranking(const std::vector<ObjectView>& views, const std::vector<double>& blur, double (*measure)(const LumaPlane&))
{
    std::vector<double> scores, sharpness;
    for (std::size_t i = 0; i < views.size(); ++i) {
        scores.push_back(measure(views[i].window));
        sharpness.push_back(-blur[i]);
    }
    return testing::SpearmanCorrelation(scores, sharpness);
}

class SharpnessRanking : public ::testing::TestWithParam<std::tuple<int, double>> {};

// The score must order the frames as the true seeing blur does, clean and
// with noise added, and never worse than the better classic measure.
TEST_P(SharpnessRanking, FollowsTheTrueBlurAndBeatsTheClassicMeasures)
{
    const auto [index, noise] = GetParam();
    const Series& series = AllSeries[index];
    const std::vector<double> blur = testing::TrueBlur(series.folder);
    const std::vector<ObjectView> views = series.views(noise);
    ASSERT_EQ(views.size(), blur.size()) << series.folder;
    ASSERT_GE(views.size(), 20u);

    const double ours = Ranking(views, blur, SharpnessScore);
    const double laplacian = Ranking(views, blur, LaplacianVariance);
    const double gradient = Ranking(views, blur, GradientEnergy);
    std::printf("[ rank     ] %-17s noise %g: ours %.3f, Laplacian variance %.3f, gradient energy %.3f\n",
                series.folder, noise, ours, laplacian, gradient);
    EXPECT_GE(ours, 0.95);
    EXPECT_GE(ours, std::max(laplacian, gradient) - 0.01);
}

INSTANTIATE_TEST_SUITE_P(EverySeriesAndNoise, SharpnessRanking,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Values(0.0, 4.0, 8.0)));

LumaPlane PlaneOf(int width, int height, const std::function<float(int, int)>& level)
{
    LumaPlane plane{0, 0, width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) plane.levels.push_back(level(x, y));
    return plane;
}

const LumaPlane& SharpMars()
{
    static const LumaPlane window = Views(std::vector{testing::SeeingFrames().at(26)}, false, 0.0)[0].window;
    return window;
}

TEST(SharpnessScore, TransparencyLeavesTheScoreAlone)
{
    const double clear = SharpnessScore(SharpMars());
    ASSERT_GT(clear, 0.0);
    for (const float transparency : {0.1f, 0.5f, 1.02f}) {
        LumaPlane hazy = SharpMars();
        for (float& level : hazy.levels) level *= transparency;
        EXPECT_NEAR(SharpnessScore(hazy), clear, 1e-4 * clear) << transparency;
    }
}

// Pixel noise alone must not look like detail, however strong it is.
TEST(SharpnessScore, NoiseOnAFlatFieldScoresNearZero)
{
    for (const double sigma : {2.0, 8.0, 20.0}) {
        Noise noise(7);
        const LumaPlane flat = PlaneOf(128, 128, [&](int, int) { return float(100.0 + sigma * noise.next()); });
        EXPECT_LT(std::fabs(SharpnessScore(flat)), 0.02 * SharpnessScore(SharpMars())) << sigma;
    }
}

// The score's loops run in vector registers, built for AVX2 as well, and
// keep every sum's additions in the order of the plain loops: on random
// windows (whole levels and fractions, widths with and without a tail of
// fewer than eight) they give to the bit what the plain loops gave.
TEST(SharpnessScore, VectorLoopsGiveThePlainLoopsBits)
{
    struct Recorded {
        int width, height;
        bool whole;
        double score, noise;
    };
    const Recorded recorded[] = {
        {37, 29, false, -0x1.88852c0dd5addp-9, 0x1.572213a592c94p+12},
        {37, 29, true, -0x1.0cb2e768e84dfp-11, 0x1.6242399431444p+12},
        {64, 48, false, 0x1.4aa2f042e6332p-11, 0x1.442d76e72aac3p+12},
        {64, 48, true, -0x1.938eb6d6edaffp-13, 0x1.47019cb505a72p+12},
        {192, 144, false, -0x1.9366b1dddd97p-13, 0x1.5eea0ff0620c9p+12},
        {192, 144, true, -0x1.7b60d203a817cp-13, 0x1.56fde4f3998d9p+12},
        {17, 90, false, 0x1.072399fd419abp-10, 0x1.2ea6c72b2e344p+12},
        {17, 90, true, -0x1.41c7dfce03379p-9, 0x1.7c134e6837d6p+12},
    };
    std::mt19937 random(31);
    for (const Recorded& r : recorded) {
        LumaPlane window;
        window.width = r.width;
        window.height = r.height;
        for (int i = 0; i < r.width * r.height; ++i) {
            const int level = static_cast<int>(random() % 25500u);
            window.levels.push_back(r.whole ? static_cast<float>(level / 100) : static_cast<float>(level) / 100.0f);
        }
        EXPECT_EQ(SharpnessScore(window), r.score) << r.width << " x " << r.height;
        EXPECT_EQ(PixelNoiseVariance(window), r.noise) << r.width << " x " << r.height;
    }
}

TEST(SharpnessScore, NothingToMeasureScoresZero)
{
    EXPECT_EQ(SharpnessScore(LumaPlane{}), 0.0);
    EXPECT_EQ(SharpnessScore(PlaneOf(128, 128, [](int, int) { return 0.0f; })), 0.0) << "black";
    EXPECT_EQ(SharpnessScore(PlaneOf(14, 200, [](int x, int) { return x < 7 ? 10.0f : 200.0f; })), 0.0);
    EXPECT_GT(SharpnessScore(PlaneOf(15, 200, [](int x, int) { return x < 7 ? 10.0f : 200.0f; })), 0.0)
        << "the narrowest window measured";
}

TEST(ClassicMeasures, KnownPatterns)
{
    const struct {
        const char* name;
        std::function<float(int, int)> level;
        double laplacianVariance, gradientEnergy;
    } cases[] = {
        {"flat", [](int, int) { return 90.0f; }, 0.0, 0.0},
        // A ramp has no curvature; the Sobel mask sees its slope 8 times.
        {"ramp", [](int x, int) { return 3.0f * x; }, 0.0, 64.0 * 9.0},
        // A checkerboard's Laplacian is 4 times its step either way; Sobel cancels it.
        {"checkerboard", [](int x, int y) { return (x + y) % 2 ? 10.0f : 0.0f; }, 1600.0, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(LaplacianVariance(PlaneOf(20, 16, c.level)), c.laplacianVariance, 1e-6) << c.name;
        EXPECT_NEAR(GradientEnergy(PlaneOf(20, 16, c.level)), c.gradientEnergy, 1e-6) << c.name;
    }
    EXPECT_EQ(LaplacianVariance(PlaneOf(2, 9, [](int, int) { return 1.0f; })), 0.0);
}

}  // namespace
}  // namespace quivane
