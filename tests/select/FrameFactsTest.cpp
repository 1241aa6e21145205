#include "select/FrameFacts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "cpu/SimdLevel.h"
#include "select/SeriesMaterial.h"

namespace quivane {
namespace {

// A planet of level 150 and radius 40 with a limb 1.5 pixels wide, on a sky
// of level 6, with noise of 3 levels; crossed, for an angle from 0 to 180
// degrees, by a line of +80 levels about 1.5 pixels wide through (80, 60).
Bitmap8 Planet(int width, int height, double cx, double cy, std::uint32_t seed, double angle = -1.0)
{
    testing::Noise noise(seed);
    Bitmap8 frame(width, height);
    const double c = std::cos(angle * std::numbers::pi / 180.0), s = std::sin(angle * std::numbers::pi / 180.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double level = 6.0 + 144.0 * std::clamp(40.0 - std::hypot(x - cx, y - cy), 0.0, 1.5) / 1.5;
            if (angle >= 0.0 && std::fabs((y - 60.0) * c - (x - 80.0) * s) < 0.75) level += 80.0;
            frame.at(x, y) = testing::NoisyByte(static_cast<int>(level), 3.0, noise);
        }
    return frame;
}

FrameFacts FactsOf(const Bitmap8& frame) { return GatherFacts(ViewObject(frame, SurveyObject(frame))); }

// Level, spread and object share are the doubles that adding the levels one
// at a time gives, for whole levels of 8 and of 16 bits (up to 65535) and
// for levels with fractions, or below zero, or not a number.
TEST(FrameFacts, LevelAndSpreadAreThoseOfAddingTheLevelsInOrder)
{
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        std::mt19937 random(15);
        std::uniform_int_distribution<int> byte(0, 255), deep(60000, 65535);
        std::uniform_real_distribution<float> fraction(0.0f, 255.0f);
        const auto expectInOrder = [](const ObjectView& view, const char* what) {
            double sum = 0.0, squares = 0.0;
            std::size_t above = 0;
            for (const float level : view.window.levels) {
                sum += level;
                squares += static_cast<double>(level) * level;
                if (level > view.threshold) ++above;
            }
            const double n = static_cast<double>(view.window.levels.size());
            const FrameFacts facts = GatherFacts(view, 4.0);
            EXPECT_EQ(facts.level, sum / n) << what;
            EXPECT_EQ(facts.spread, std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)))) << what;
            EXPECT_EQ(facts.objectShare, static_cast<double>(above) / n) << what;
        };
        const auto view = [](const std::function<float()>& level, int width = 128, int height = 128) {
            ObjectView v;
            v.window.width = width;
            v.window.height = height;
            for (int i = 0; i < width * height; ++i) v.window.levels.push_back(level());
            v.border.assign(2 * static_cast<std::size_t>(width + height), 0.0f);
            v.threshold = 100.0f;
            return v;
        };
        expectInOrder(view([&] { return static_cast<float>(byte(random)); }), "8-bit");
        expectInOrder(view([&] { return static_cast<float>(deep(random)); }), "16-bit");
        expectInOrder(view([&] { return fraction(random); }), "fractions");
        int i = 0;
        expectInOrder(view([&] { return ++i == 77 ? -1.0f : static_cast<float>(byte(random)); }), "one below zero");
        i = 0;
        expectInOrder(view([&] { return ++i == 77 ? 65536.0f : static_cast<float>(deep(random)); }),
                      "one past 16 bits");
        i = 0;
        expectInOrder(view([&] { return ++i == 127 * 129 ? 0.5f : static_cast<float>(byte(random)); }, 127, 129),
                      "a fraction among the last few");
        i = 0;
        const ObjectView lost = view([&] { return ++i == 5 ? std::nanf("") : static_cast<float>(byte(random)); });
        EXPECT_TRUE(std::isnan(GatherFacts(lost, 4.0).level)) << "a level that is not a number";
    }
}

TEST(FrameFacts, AStraightLineAtAnyAngleIsAStreakAndALimbIsNot)
{
    EXPECT_LT(FactsOf(Planet(160, 120, 80, 60, 1)).streak, 24);
    for (const double angle : {0.0, 90.0, 30.0, 45.0, 100.0, 135.0, 172.0})
        EXPECT_GE(FactsOf(Planet(160, 120, 80, 60, 1, angle)).streak, 100) << angle << " degrees";
}

TEST(FrameFacts, EdgeCountsObjectOnTheBorderButNoLoneHotPixel)
{
    Bitmap8 hot = Planet(160, 120, 80, 60, 2);
    hot.at(0, 50) = hot.at(159, 0) = hot.at(70, 119) = 255;
    EXPECT_EQ(FactsOf(hot).edgePixels, 0);
    EXPECT_GT(FactsOf(Planet(160, 120, 135, 60, 2)).edgePixels, 20) << "over the right edge";
    EXPECT_GT(FactsOf(Planet(160, 120, 80, 25, 2)).edgePixels, 20) << "over the top edge";
}

TEST(FrameFacts, HashTellsARepeatFromAFrameOneLevelApart)
{
    const Bitmap8 frame = Planet(200, 160, 100, 80, 3);
    EXPECT_EQ(FactsOf(frame).hash, FactsOf(Bitmap8(frame)).hash);
    // In the window (36..163, 16..143) or on the border.
    for (const auto& [x, y] : {std::pair{100, 80}, std::pair{36, 16}, std::pair{163, 143}, std::pair{0, 0}, std::pair{199, 100}}) {
        Bitmap8 changed = frame;
        changed.at(x, y) ^= 1;
        EXPECT_NE(FactsOf(changed).hash, FactsOf(frame).hash) << x << ", " << y;
    }
}

}  // namespace
}  // namespace quivane
