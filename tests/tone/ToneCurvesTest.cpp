#include "tone/ToneCurves.h"

#include <gtest/gtest.h>

#include <vector>

namespace quivane {
namespace {

std::vector<int> Apply(int (*curve)(int, int), int level, std::vector<int> inputs)
{
    for (int& v : inputs) v = curve(v, level);
    return inputs;
}

TEST(ToneCurves, BiasValues)
{
    EXPECT_EQ(Apply(BiasCurve, 64, {32, 64, 128, 192, 255}), (std::vector<int>{12, 26, 64, 128, 253}));
    EXPECT_EQ(Apply(BiasCurve, 192, {32, 64, 128, 192, 255}), (std::vector<int>{77, 128, 192, 230, 255}));
}

TEST(ToneCurves, GainValues)
{
    EXPECT_EQ(Apply(GainCurve, 192, {32, 64, 192}), (std::vector<int>{13, 32, 224}));
    EXPECT_EQ(Apply(GainCurve, 64, {32, 64, 192}), (std::vector<int>{64, 96, 160}));
}

TEST(ToneCurves, LevelHundredTwentyEightIsTheIdentity)
{
    for (int a = 0; a < 256; ++a) {
        EXPECT_EQ(BiasCurve(a, 128), a);
        EXPECT_EQ(GainCurve(a, 128), a);
    }
}

TEST(ToneCurves, MidValueMapsToBiasLevelAndStaysForGain)
{
    for (int level = 2; level <= 254; level += 2) {
        EXPECT_EQ(BiasCurve(128, level), level);
        EXPECT_EQ(GainCurve(128, level), 128);
    }
}

TEST(ToneCurves, TablesEqualTheFormulaForEveryLevelAndStayInRange)
{
    for (int level = 2; level <= 254; level += 2) {
        const ToneTable bias = BiasTable(level);
        const ToneTable gain = GainTable(level);
        for (int a = 0; a < 256; ++a) {
            ASSERT_EQ(bias[static_cast<std::size_t>(a)], BiasCurve(a, level)) << level << " " << a;
            ASSERT_EQ(gain[static_cast<std::size_t>(a)], GainCurve(a, level)) << level << " " << a;
        }
    }
}

TEST(ToneCurves, StartLookupTableIsANegativeAndLookUpClamps)
{
    const ToneTable table = NegativeLookupTable();
    EXPECT_EQ(table[0], 255);
    EXPECT_EQ(table[255], 0);
    EXPECT_EQ(table[100], 155);
    EXPECT_EQ(LookUp(table, -20), 255);
    EXPECT_EQ(LookUp(table, 999), 0);
}

}  // namespace
}  // namespace quivane
