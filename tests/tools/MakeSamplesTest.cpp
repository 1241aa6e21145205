#include "SampleMaterial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include "support/FileContents.h"

namespace quivane::samples {
namespace {

namespace fs = std::filesystem;

int Level(const ColourPixel& p) { return (p.blue + p.green + p.red) / 3; }

struct Centroid {
    double x = 0;
    double y = 0;
    int area = 0;
};

// Centre of the pixels clearly above the sky; the disc is symmetric in
// outline, so this lands on the planet's centre whatever the bands do.
Centroid DiscCentroid(const Bitmap24& frame)
{
    constexpr int threshold = 30;
    Centroid c;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (Level(frame.at(x, y)) > threshold) {
                c.x += x;
                c.y += y;
                ++c.area;
            }
    if (c.area > 0) {
        c.x /= c.area;
        c.y /= c.area;
    }
    return c;
}

using testing::ReadAll;

TEST(SampleRandom, MatchesTheReferenceSequence)
{
    // The published SplitMix64 outputs for seed 0: any drift here would
    // silently change every bundled file.
    SplitMix64 random(0);
    EXPECT_EQ(random.next(), 0xE220A8397B1DCDAFULL);
    EXPECT_EQ(random.next(), 0x6E789E6AA1B965F4ULL);
    EXPECT_EQ(random.next(), 0x06C45D188009454FULL);
}

TEST(SamplePlan, WandersInSmallStepsWithinTheBoxAndVariesTheSeeing)
{
    const auto plans = PlanFrames(FrameCount, SampleSeed);
    ASSERT_EQ(plans.size(), static_cast<std::size_t>(FrameCount));
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    std::vector<bool> radiusSeen(MaxSeeingRadius + 1, false);
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const FramePlan& p = plans[i];
        EXPECT_LE(std::abs(p.centreX - FrameWidth / 2.0), MaxWanderX);
        EXPECT_LE(std::abs(p.centreY - FrameHeight / 2.0), MaxWanderY);
        ASSERT_GE(p.blurRadius, 0);
        ASSERT_LE(p.blurRadius, MaxSeeingRadius);
        radiusSeen[static_cast<std::size_t>(p.blurRadius)] = true;
        if (i > 0) {
            EXPECT_LE(std::abs(p.centreX - plans[i - 1].centreX), 2.0);
            EXPECT_LE(std::abs(p.centreY - plans[i - 1].centreY), 2.0);
        }
        minX = std::min(minX, p.centreX);
        maxX = std::max(maxX, p.centreX);
        minY = std::min(minY, p.centreY);
        maxY = std::max(maxY, p.centreY);
    }
    EXPECT_GT(std::max(maxX - minX, maxY - minY), 4.0) << "the planet hardly moves";
    for (bool seen : radiusSeen) EXPECT_TRUE(seen);
}

TEST(SampleFrames, DiscSitsWherePlannedAndNeverReachesTheBorder)
{
    const auto plans = PlanFrames(FrameCount, SampleSeed);
    const auto frames = MakeFrames();
    ASSERT_EQ(frames.size(), plans.size());
    const double expectedArea = 3.14159265 * EquatorialRadius * PolarRadius;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bitmap24& frame = frames[i];
        ASSERT_EQ(frame.width(), FrameWidth);
        ASSERT_EQ(frame.height(), FrameHeight);
        const Centroid c = DiscCentroid(frame);
        EXPECT_NEAR(c.x, plans[i].centreX, 0.5) << "frame " << i;
        EXPECT_NEAR(c.y, plans[i].centreY, 0.5) << "frame " << i;
        // the worst seeing spreads the limb outward by a few pixels
        EXPECT_NEAR(c.area, expectedArea, 0.2 * expectedArea) << "frame " << i;
        for (int x = 0; x < FrameWidth; ++x)
            for (int y : {0, FrameHeight - 1}) ASSERT_LE(Level(frame.at(x, y)), SkyLevel + SkyNoise);
        for (int y = 0; y < FrameHeight; ++y)
            for (int x : {0, FrameWidth - 1}) ASSERT_LE(Level(frame.at(x, y)), SkyLevel + SkyNoise);
    }
}

TEST(SampleFrames, EveryFrameDiffersFromTheNext)
{
    const auto frames = MakeFrames();
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_NE(frames[i], frames[i - 1]) << "frame " << i;
}

TEST(SampleBlur, KeepsAFlatPictureFlatUpToTheEdges)
{
    Bitmap24 flat(9, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) flat.at(x, y) = {50, 100, 200};
    EXPECT_EQ(SeeingBlur(flat, 3), flat);
}

TEST(SampleBlur, SpreadsASquareOverTheExpectedWidthAndKeepsItsLight)
{
    for (int radius = 0; radius <= MaxSeeingRadius; ++radius) {
        // A 5 x 5 square rather than one pixel, so rounding the faint tails
        // cannot swallow the light being counted.
        Bitmap24 bright(31, 31);
        for (int y = 13; y <= 17; ++y)
            for (int x = 13; x <= 17; ++x) bright.at(x, y) = {250, 250, 250};
        const Bitmap24 blurred = SeeingBlur(bright, radius);
        long total = 0;
        int left = 31, right = -1;
        for (int y = 0; y < 31; ++y)
            for (int x = 0; x < 31; ++x) {
                total += blurred.at(x, y).green;
                if (blurred.at(x, y).green > 0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        EXPECT_NEAR(total, 25 * 250, 25 * 250 / 50) << "radius " << radius;
        EXPECT_EQ(right - left + 1, 5 + 4 * radius) << "radius " << radius;
    }
}

TEST(SampleNoise, SkyStaysFaintAndBrightPartsStayNearTheirLevel)
{
    SplitMix64 random(3);
    Bitmap24 picture(64, 2);
    for (int x = 0; x < 64; ++x) picture.at(x, 1) = {240, 240, 240};
    AddSkyAndNoise(picture, random);
    long skySum = 0;
    for (int x = 0; x < 64; ++x) {
        for (std::uint8_t v : {picture.at(x, 0).blue, picture.at(x, 0).green, picture.at(x, 0).red}) {
            EXPECT_GE(v, SkyLevel - SkyNoise);
            EXPECT_LE(v, SkyLevel + SkyNoise);
            skySum += v;
        }
        for (std::uint8_t v : {picture.at(x, 1).blue, picture.at(x, 1).green, picture.at(x, 1).red})
            EXPECT_LE(std::abs(v - (240 + SkyLevel)), PlanetNoise);
    }
    EXPECT_NEAR(static_cast<double>(skySum) / (64 * 3), SkyLevel, 1.0);
}

TEST(SampleKernels, AreGreyWithTheirStrongestWeightInTheCentre)
{
    for (const NamedKernel& kernel : SampleKernels()) {
        const Bitmap24& k = kernel.picture;
        ASSERT_EQ(k.width() % 2, 1) << kernel.fileName;
        ASSERT_EQ(k.width(), k.height()) << kernel.fileName;
        const int c = k.width() / 2;
        for (int y = 0; y < k.height(); ++y)
            for (int x = 0; x < k.width(); ++x) {
                const ColourPixel p = k.at(x, y);
                EXPECT_TRUE(p.blue == p.green && p.green == p.red) << kernel.fileName;
                EXPECT_EQ(p, k.at(k.width() - 1 - x, y)) << kernel.fileName;
                EXPECT_EQ(p, k.at(y, x)) << kernel.fileName;
                if (x != c || y != c) {
                    EXPECT_LT(p.green, k.at(c, c).green) << kernel.fileName;
                }
            }
    }
}

TEST(SampleKernels, GaussiansPeakAtFullWhiteAndFadeTowardTheEdges)
{
    const Bitmap24 wide = GaussianPsf(15, 2.5);
    EXPECT_EQ(wide.at(7, 7).green, 255);
    EXPECT_LE(wide.at(0, 7).green, 10);
    EXPECT_EQ(wide.at(0, 0).green, 0);
}

TEST(SampleKernels, FiltersReadAroundMidGreyHaveTheIntendedSigns)
{
    const Bitmap24 sharpen = SharpenKernel3x3();
    int sum = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            const int weight = sharpen.at(x, y).green - 128;
            sum += weight;
            if (x == 1 && y == 1)
                EXPECT_GT(weight, 0);
            else
                EXPECT_LT(weight, 0);
        }
    EXPECT_GT(sum, 0);

    const Bitmap24 smooth = SmoothKernel5x5();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_GT(smooth.at(x, y).green, 128);
}

TEST(SampleTables, GammaLiftsTheShadowsAndKeepsTheEnds)
{
    const LookupTable gamma = GammaTable(1.8);
    EXPECT_EQ(gamma[0], 0);
    EXPECT_EQ(gamma[255], 255);
    EXPECT_EQ(gamma[1], 12);  // 255 * (1/255)^(1/1.8) = 11.7
    for (int i = 1; i < 256; ++i) {
        EXPECT_GE(gamma[static_cast<std::size_t>(i)], gamma[static_cast<std::size_t>(i - 1)]);
        EXPECT_GE(gamma[static_cast<std::size_t>(i)], i);
    }
}

class SampleMaterialFiles : public ::testing::Test {
protected:
    fs::path folder = fs::temp_directory_path() / ("quivane_samples_" + std::to_string(::getpid()));
    void TearDown() override { fs::remove_all(folder); }
};

TEST_F(SampleMaterialFiles, TwoRunsWriteTheSameBytes)
{
    ASSERT_FALSE(WriteSampleMaterial(folder / "a"));
    ASSERT_FALSE(WriteSampleMaterial(folder / "b"));
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder / "a")) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const fs::path twin = folder / "b" / fs::relative(entry.path(), folder / "a");
        EXPECT_EQ(ReadAll(entry.path()), ReadAll(twin)) << entry.path();
    }
    EXPECT_EQ(files, FrameCount + 5 + 2);
    EXPECT_EQ(fs::file_size(folder / "a" / "Pictures" / "PLANET_0001.BMP"), 54u + 960u * 240u);
    EXPECT_TRUE(fs::exists(folder / "a" / "Pictures" / "PLANET_0040.BMP"));
    EXPECT_EQ(fs::file_size(folder / "a" / "PSF" / "gamma.lut"), 256u);
    EXPECT_EQ(ReadAll(folder / "a" / "PSF" / "negative.lut")[10], 245);
}

TEST_F(SampleMaterialFiles, ReportsAFolderThatCannotBeMade)
{
    fs::create_directories(folder);
    std::ofstream(folder / "blocker") << "x";
    const auto error = WriteSampleMaterial(folder / "blocker");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("blocker"), std::string::npos);
}

}  // namespace
}  // namespace quivane::samples
