#include "batch/BatchOptions.h"

#include <gtest/gtest.h>

namespace quivane {
namespace {

std::variant<BatchOptions, UsageError> Parse(std::vector<std::string> extra)
{
    std::vector<std::string> args = {"--bmp", "a/IMG_01.BMP", "a/IMG_09.BMP", "--output", "out.bmp"};
    args.insert(args.end(), extra.begin(), extra.end());
    return ParseBatchOptions(args);
}

std::string ErrorOf(std::vector<std::string> extra)
{
    const auto parsed = Parse(std::move(extra));
    return std::holds_alternative<UsageError>(parsed) ? std::get<UsageError>(parsed).message : "";
}

TEST(BatchOptions, DefaultsAreTheWindowsStartValuesWithFullColour)
{
    const auto parsed = Parse({});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed));
    const BatchOptions& o = std::get<BatchOptions>(parsed);
    EXPECT_EQ(o.width, 192);
    EXPECT_EQ(o.resample, 2);
    EXPECT_EQ(o.mode, 2);
    EXPECT_EQ(o.saturation, 100);
    EXPECT_EQ(o.combine, 0);
    EXPECT_FALSE(o.param);
    EXPECT_EQ(o.iterations, 1);
    EXPECT_FALSE(o.alignAuto);
    EXPECT_EQ(o.first, "a/IMG_01.BMP");
}

TEST(BatchOptions, ReadsPictureStateAndAlignment)
{
    const auto parsed = Parse({"--quality", "2:good", "--quality", "3:0", "--offset", "4:-7:5", "--align", "auto",
                               "--reference", "0", "--view-origin", "-1:30", "--combine", "median", "--param", "8",
                               "--deconvolve", "lr", "--iterations", "16", "--unsharp", "0", "--clahe", "16"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed)) << std::get<UsageError>(parsed).message;
    const BatchOptions& o = std::get<BatchOptions>(parsed);
    ASSERT_EQ(o.qualities.size(), 2u);
    EXPECT_EQ(o.qualities[0].picture, 2);
    EXPECT_EQ(o.qualities[0].quality, 3);
    EXPECT_EQ(o.qualities[1].quality, 0);
    ASSERT_EQ(o.offsets.size(), 1u);
    EXPECT_EQ(o.offsets[0].dx, -7);
    EXPECT_EQ(o.offsets[0].dy, 5);
    EXPECT_TRUE(o.alignAuto);
    EXPECT_EQ(o.reference, 0);
    EXPECT_EQ(o.viewOriginX, -1);
    EXPECT_EQ(o.viewOriginY, 30);
    EXPECT_EQ(o.combine, 1);
    EXPECT_EQ(o.param, 8);
    EXPECT_EQ(o.deconvolve, 1);
    EXPECT_EQ(o.iterations, 16);
    EXPECT_EQ(o.unsharp, 0);
    EXPECT_EQ(o.clahe, 16);
}

TEST(BatchOptions, RefusesValuesOutsideTheControlsRangesAndSteps)
{
    EXPECT_EQ(ErrorOf({"--width", "100"}), "--width 100: expected 64..768 in steps of 64");
    EXPECT_NE(ErrorOf({"--width", "832"}), "");
    EXPECT_NE(ErrorOf({"--param", "6"}), "");
    EXPECT_NE(ErrorOf({"--bias", "129"}), "");
    EXPECT_NE(ErrorOf({"--gain", "256"}), "");
    EXPECT_NE(ErrorOf({"--saturation", "401"}), "");
    EXPECT_NE(ErrorOf({"--iterations", "0"}), "");
    EXPECT_NE(ErrorOf({"--resample", "7"}), "");
    EXPECT_NE(ErrorOf({"--mode", "4"}), "");
    EXPECT_NE(ErrorOf({"--quality", "2:great"}), "");
    EXPECT_NE(ErrorOf({"--offset", "2:3"}), "");
    EXPECT_NE(ErrorOf({"--combine", "sum"}), "");
    EXPECT_NE(ErrorOf({"--width", "12x"}), "");
}

TEST(BatchOptions, RefusesMissingInputOutputAndUnknownOptions)
{
    EXPECT_EQ(ErrorOf({"--frobnicate"}), "unknown option --frobnicate");
    EXPECT_EQ(ErrorOf({"--width"}), "--width needs a value");
    const auto noInput = ParseBatchOptions({"--output", "x.bmp"});
    EXPECT_TRUE(std::holds_alternative<UsageError>(noInput));
    const auto noOutput = ParseBatchOptions({"--bmp", "a", "b"});
    EXPECT_TRUE(std::holds_alternative<UsageError>(noOutput));
    EXPECT_NE(ErrorOf({"--lut", "x.lut", "--lut-negative"}), "");
}

}  // namespace
}  // namespace quivane
