#include "output/SampleScaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quivane {
namespace {

// Whole levels map exactly, so an 8-bit rendering saved deeper reads back to
// the same bytes; fractions round to the nearest sample, ties to even, and
// anything outside the scale is clamped.
TEST(SampleScaling, WholeLevelsMapExactly)
{
    for (int k = 0; k <= 255; ++k) {
        EXPECT_EQ(ByteSample(static_cast<float>(k)), k);
        EXPECT_EQ(WordSample(static_cast<float>(k)), k * 257);
        EXPECT_FLOAT_EQ(FloatSample(static_cast<float>(k)), static_cast<float>(k) / 255.0f);
    }
}

TEST(SampleScaling, FractionsRoundToTheNearestSampleWithTiesToEven)
{
    // 25700.6 and 25700.9 are above one half of a word; 25700.3 below.
    EXPECT_EQ(WordSample(100.0f + 0.6f / 257.0f), 25701);
    EXPECT_EQ(WordSample(100.0f + 0.9f / 257.0f), 25701);
    EXPECT_EQ(WordSample(100.0f + 0.3f / 257.0f), 25700);
    EXPECT_EQ(WordSample(0.5f), 128);  // 128.5
    EXPECT_EQ(WordSample(1.5f), 386);  // 385.5
    EXPECT_EQ(ByteSample(10.6f), 11);
    EXPECT_EQ(ByteSample(10.9f), 11);
    EXPECT_EQ(ByteSample(10.4f), 10);
    EXPECT_EQ(ByteSample(10.5f), 10);
    EXPECT_EQ(ByteSample(11.5f), 12);
}

TEST(SampleScaling, LevelsOutsideTheScaleAreClamped)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float below : {-0.4f, -3.0f, -1e30f, nan}) {
        EXPECT_EQ(ByteSample(below), 0) << below;
        EXPECT_EQ(WordSample(below), 0) << below;
        EXPECT_EQ(FloatSample(below), 0.0f) << below;
    }
    for (float above : {255.4f, 300.0f, 1e30f, std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(ByteSample(above), 255) << above;
        EXPECT_EQ(WordSample(above), 65535) << above;
        EXPECT_EQ(FloatSample(above), 1.0f) << above;
    }
}

}  // namespace
}  // namespace quivane
