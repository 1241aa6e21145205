#include "tone/FineRender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/Pictures.h"
#include "tone/Clahe.h"
#include "tone/FineToneCurves.h"
#include "tone/RenderPicture.h"

namespace quivane {
namespace {

FinePicture FineOf(const Picture& picture)
{
    FinePicture fine(picture.bitmap.width(), picture.bitmap.height());
    for (int y = 0; y < fine.height(); ++y)
        for (int x = 0; x < fine.width(); ++x) {
            const PicturePixel& p = picture.bitmap.at(x, y);
            fine.at(x, y) = FinePixel{double(p.chromaBlue), double(p.chromaGreen), double(p.chromaRed), double(p.luminance)};
        }
    return fine;
}

// A grey picture (white chroma) of random luminance, so the display modes
// divide nothing away and only the tone stages round.
Picture GreyPicture(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    Picture picture = testing::RandomPicture(width, height, random);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            PicturePixel& p = picture.bitmap.at(x, y);
            p.chromaBlue = p.chromaGreen = p.chromaRed = 255;
        }
    return picture;
}

TEST(FineToneCurves, WholeLevelsAreTheDescribedCurvesBeforeTheirRounding)
{
    for (int level : {2, 64, 128, 192, 254})
        for (int a = 0; a < 256; ++a) {
            EXPECT_LE(std::fabs(BiasCurveFine(a, level) - BiasCurve(a, level)), 0.5) << a << " bias " << level;
            EXPECT_LE(std::fabs(GainCurveFine(a, level) - GainCurve(a, level)), 0.5) << a << " gain " << level;
        }
    const ToneTable negative = NegativeLookupTable();
    EXPECT_EQ(LookUpFine(negative, 10.0), 245.0);
    EXPECT_DOUBLE_EQ(LookUpFine(negative, 10.25), 244.75);
    EXPECT_EQ(LookUpFine(negative, 255.0), 0.0);
    EXPECT_EQ(LookUpFine(negative, -3.0), 255.0);
    EXPECT_DOUBLE_EQ(Map0255Fine(128), 128 * 225 / 255.0 + 15);
}

// With the same mappings, the described blend is the floor of the exact one.
TEST(FineClahe, WholeLevelsEqualiseToTheDescribedBytesPlusTheTruncatedShare)
{
    std::mt19937 random(5);
    for (double clip : {0.0, 2.0, 9.0}) {
        Picture picture = testing::RandomPicture(64, 48, random);
        FinePicture fine = FineOf(picture);
        ApplyClaheFine(picture, fine, clip);
        ApplyClahe(picture, clip);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                ASSERT_EQ(std::floor(fine.at(x, y).luminance), picture.bitmap.at(x, y).luminance)
                    << x << "," << y << " clip " << clip;
                ASSERT_EQ(fine.at(x, y).chromaRed, picture.bitmap.at(x, y).chromaRed);
            }
    }
}

TEST(RenderFine, GreyPicturesRenderAsDescribedUpToTheCurvesRounding)
{
    Picture picture = GreyPicture(20, 15, 7);
    picture.dx = 3;
    picture.dy = -2;
    ToneSettings tone;
    tone.biasLevel = 90;
    tone.gainLevel = 180;
    for (int mode : {ModeLuminance, ModeFullColour})
        for (int stages : {0, FlagBiasGain | FlagMap0255}) {
            const int flags = mode | stages;
            Bitmap24 described(20, 15);
            RenderPicture(picture, described, -1, -1, flags, tone);
            const LevelPicture fine = RenderFine(FineOf(picture), picture.dx, picture.dy, 20, 15, flags, tone);
            ASSERT_EQ(fine.channels, mode == ModeLuminance ? 1 : 3);
            // The described gain is rounded before the bias reads it, the bias
            // rounds again and Map0255 truncates.
            const double allowed = stages ? 2.0 : 0.0;
            for (int y = 0; y < 15; ++y)
                for (int x = 0; x < 20; ++x)
                    ASSERT_LE(std::fabs(fine.at(x, y, 0) - described.at(x, y).red), allowed)
                        << x << "," << y << " flags " << flags;
        }
}

class RenderGainedTest : public ::testing::Test {
protected:
    Picture runResult = GreyPicture(64, 48, 11);
    FinePicture bytes = FineOf(runResult);
    ToneSettings tone;

    Bitmap24 Shown(const Picture& current, int flags)
    {
        Bitmap24 shown(64, 48);
        RenderPicture(current, shown, -1, -1, flags, tone);
        return shown;
    }
};

// Fractions that change nothing leave the 8-bit levels exactly, in every
// mode; and fractions of a quarter level show as a quarter level.
TEST_F(RenderGainedTest, WhatTheFractionsChangeGoesOntoThe8BitRendering)
{
    for (int mode : {ModeLuminance, ModeHue, ModeFullColour, ModeSaturationLevel}) {
        const Bitmap24 shown = Shown(runResult, mode);
        const auto same = RenderGained(shown, bytes, bytes, runResult, {}, runResult, mode, tone);
        ASSERT_TRUE(same.has_value());
        EXPECT_EQ(same->levels, LevelsOf(shown, mode == ModeLuminance).levels) << "mode " << mode;
    }
    FinePicture quarter = bytes;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) quarter.at(x, y).luminance = std::min(255.0, quarter.at(x, y).luminance + 0.25);
    const Bitmap24 shown = Shown(runResult, ModeLuminance);
    const auto gained = RenderGained(shown, quarter, bytes, runResult, {}, runResult, ModeLuminance, tone);
    ASSERT_TRUE(gained.has_value());
    EXPECT_FLOAT_EQ(gained->at(5, 5), shown.at(5, 5).red + (runResult.bitmap.at(5, 5).luminance < 255 ? 0.25f : 0.0f));
}

// Equalisations since the run are redone; a result changed in a way the
// steps do not tell has lost its fractions.
TEST_F(RenderGainedTest, TheStepsMustLeadToTheCurrentResult)
{
    // Low contrast, so each equalisation changes the picture.
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) runResult.bitmap.at(x, y).luminance = static_cast<std::uint8_t>(100 + (x * y) % 23);
    bytes = FineOf(runResult);
    Picture current = runResult;
    ApplyClahe(current, 2.0);
    ApplyClahe(current, 2.0);
    const std::vector<ClaheStep> steps = {{2.0, 0, 0}, {2.0, 0, 0}};
    const Bitmap24 shown = Shown(current, ModeFullColour);
    const auto equalised = RenderGained(shown, bytes, bytes, runResult, steps, current, ModeFullColour, tone);
    ASSERT_TRUE(equalised.has_value());
    EXPECT_EQ(equalised->levels, LevelsOf(shown, false).levels);

    // At 64 x 48 every factor from 1 up clips to 0; only plain AHE differs.
    const std::vector<ClaheStep> other = {{2.0, 0, 0}, {0.0, 0, 0}};
    EXPECT_FALSE(RenderGained(shown, bytes, bytes, runResult, other, current, ModeFullColour, tone).has_value());
    EXPECT_FALSE(RenderGained(shown, bytes, bytes, runResult, {}, current, ModeFullColour, tone).has_value());
    EXPECT_FALSE(RenderGained(shown, FinePicture{}, FinePicture{}, runResult, steps, current, ModeFullColour, tone));
}

}  // namespace
}  // namespace quivane
