// The figures a deep save is held to, on the batch program's own runs: a
// 16-bit file is the 8-bit one with the fractions of the stack added, and a
// long stack gains many more levels than 8 bits hold.

#include "batch/BatchRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include "acquire/BmpReader.h"
#include "acquire/PictureFile.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

class DeepSaveTest : public ::testing::Test {
protected:
    testing::TempFolder temp{"deep"};
    std::ostringstream out, errors;

    BatchOptions Series(const fs::path& first, const fs::path& last)
    {
        BatchOptions o;
        o.first = first.string();
        o.last = last.string();
        return o;
    }
    BatchOptions Planet()
    {
        const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
        return Series(pictures / "PLANET_0001.BMP", pictures / "PLANET_0040.BMP");
    }

    // Writes the run as a bitmap and as `deepName` at `depth`; returns both.
    std::pair<Bitmap24, DeepFrame> Both(BatchOptions o, const std::string& deepName, SampleDepth depth = SampleDepth::Sixteen)
    {
        o.output = temp / "eight.bmp";
        EXPECT_EQ(RunBatch(o, out, errors, nullptr), BatchWritten) << errors.str();
        o.output = temp / deepName;
        o.depth = depth;
        EXPECT_EQ(RunBatch(o, out, errors, nullptr), BatchWritten) << errors.str();
        auto bitmap = ReadBmp(temp / "eight.bmp");
        auto deep = ReadPictureFile(temp / deepName);
        EXPECT_TRUE(std::holds_alternative<Bitmap24>(bitmap));
        EXPECT_TRUE(std::holds_alternative<DeepFrame>(deep));
        return {std::get<Bitmap24>(bitmap), std::get<DeepFrame>(deep)};
    }
};

// Reduced with the 8-bit path's rounding (truncation), the 16-bit file's
// channel values lie within one level of the bitmap's in at least 99.9 %
// of cases, with and without the usual enhancement, in colour and grey.
TEST_F(DeepSaveTest, ReducedTo8BitsASixteenBitSaveAgreesWithTheBitmap)
{
    struct Case {
        const char* what;
        void (*set)(BatchOptions&);
    };
    const Case cases[] = {
        {"mean", [](BatchOptions&) {}},
        {"mean, aligned, grey", [](BatchOptions& o) { o.alignAuto = true; o.mode = 0; }},
        {"unsharp mask 3", [](BatchOptions& o) { o.enhancement[EnhancementStageId::UnsharpMask] = {true, {3}}; }},
        {"LR, 4 iterations",
         [](BatchOptions& o) { o.enhancement[EnhancementStageId::Deconvolution] = {true, {1, 4}}; }},
        {"median 8, unsharp mask, LR, convolution, CLAHE",
         [](BatchOptions& o) {
             o.combine = CombineMethod::Median;
             o.param = 8;
             o.enhancement[EnhancementStageId::UnsharpMask] = {true, {3}};
             o.enhancement[EnhancementStageId::Deconvolution] = {true, {1, 4}};
             o.enhancement[EnhancementStageId::Convolution].on = true;
             o.clahe = 2;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BatchOptions o = Planet();
        c.set(o);
        const auto [bitmap, deep] = Both(o, "deep.tif");
        ASSERT_EQ(deep.width, bitmap.width());
        ASSERT_EQ(deep.channels, o.mode == 0 ? 1 : 3);
        long agree = 0, total = 0, gained = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x)
                for (int ch = 0; ch < deep.channels; ++ch) {
                    const ColourPixel p = bitmap.at(x, y);
                    const int eight = deep.channels == 1 ? p.green : (ch == 0 ? p.red : ch == 1 ? p.green : p.blue);
                    const int sixteen = deep.at(x, y, ch);
                    agree += std::abs(sixteen / 257 - eight) <= 1;
                    gained += sixteen % 257 != 0;
                    ++total;
                }
        EXPECT_GE(agree * 1000, total * 999) << agree << " of " << total;
        EXPECT_GT(gained * 2, total) << "most values hold fractions";
    }
}

// The mean of 60 frames of a capture holds at least eight times as many
// distinct levels at 16 bits as the bitmap of the same run.
TEST_F(DeepSaveTest, SixtyFramesGainEightTimesTheLevels)
{
    const fs::path seeing = fs::path(QUIVANE_TESTDATA) / "captures" / "seeing";
    ASSERT_TRUE(fs::exists(seeing / "MARS_0060.BMP")) << "the shared test material is missing";
    BatchOptions o = Series(seeing / "MARS_0001.BMP", seeing / "MARS_0060.BMP");
    o.alignAuto = true;
    o.mode = 0;
    const auto [bitmap, deep] = Both(o, "deep.png");
    std::set<int> eight, sixteen;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            eight.insert(bitmap.at(x, y).green);
            sixteen.insert(deep.at(x, y));
        }
    EXPECT_GE(sixteen.size(), 8 * eight.size()) << sixteen.size() << " levels against " << eight.size();
}

// Float FITS holds the same picture as the 16-bit file, to the 16-bit step.
TEST_F(DeepSaveTest, FloatAndSixteenBitFilesHoldTheSamePicture)
{
    BatchOptions o = Planet();
    o.enhancement[EnhancementStageId::UnsharpMask] = {true, {3}};
    const auto [bitmap, words] = Both(o, "deep.fits");
    const auto floats = Both(o, "float.fits", SampleDepth::Float).second;
    ASSERT_EQ(floats.channels, 3);
    for (int y = 0; y < bitmap.height(); y += 3)
        for (int x = 0; x < bitmap.width(); x += 3)
            for (int ch = 0; ch < 3; ++ch) ASSERT_LE(std::abs(floats.at(x, y, ch) - words.at(x, y, ch)), 1) << x << "," << y;
}

}  // namespace
}  // namespace quivane
