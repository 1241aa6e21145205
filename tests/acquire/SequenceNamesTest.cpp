#include "acquire/SequenceNames.h"

#include <gtest/gtest.h>

namespace quivane {
namespace {

TEST(SequenceNames, SplitsAtTheLastCommonNonDigitBeforeTheDot)
{
    const auto names = SplitSequenceNames("m42_0001.bmp", "M42_0150.BMP");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->prefix, "M42_");
    EXPECT_EQ(names->numberText, "0001");
    EXPECT_EQ(names->first, "M42_0001.BMP");
    EXPECT_EQ(names->last, "M42_0150.BMP");
}

TEST(SequenceNames, ReversedPairIsPutInAscendingOrder)
{
    const auto names = SplitSequenceNames("IMG_0010.BMP", "IMG_0001.BMP");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->first, "IMG_0001.BMP");
    EXPECT_EQ(names->last, "IMG_0010.BMP");
    EXPECT_EQ(names->numberText, "0001");
}

TEST(SequenceNames, RefusesNamesOfDifferentLengthOrWithoutCommonNonDigit)
{
    EXPECT_FALSE(SplitSequenceNames("img_9.bmp", "img_12.bmp"));
    EXPECT_FALSE(SplitSequenceNames("0001.BMP", "0002.BMP"));
    EXPECT_FALSE(SplitSequenceNames("IMG0001", "IMG0002")) << "no dot";
}

TEST(SequenceNames, CommonNonDigitAfterTheNumberLeavesAnEmptyNumber)
{
    const auto names = SplitSequenceNames("A1X.BMP", "A2X.BMP");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->prefix, "A1X");
    EXPECT_EQ(names->numberText, "");
}

TEST(SequenceNames, IncrementKeepsTheWidth)
{
    EXPECT_EQ(IncrementNumberText("0099"), "0100");
    EXPECT_EQ(IncrementNumberText("0001"), "0002");
    EXPECT_EQ(IncrementNumberText("999"), "000");
    EXPECT_EQ(IncrementNumberText("A"), "B");
    EXPECT_EQ(IncrementNumberText("A9"), "B0");
    EXPECT_EQ(IncrementNumberText(""), "");
}

}  // namespace
}  // namespace quivane
