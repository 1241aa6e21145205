#include "tone/RenderPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>

#include "image/PixelHelpers.h"
#include "image/Placement.h"

namespace quivane {
namespace {

Picture PictureOf(int width, int height, ColourPixel colour)
{
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.bitmap.at(x, y) = PackPixel(colour);
    return picture;
}

ColourPixel RenderOne(Picture picture, int flags, const ToneSettings& tone = {})
{
    Bitmap24 target(1, 1);
    RenderPicture(picture, target, -1, -1, flags, tone);
    return target.at(0, 0);
}

TEST(RenderPicture, FullColourGivesThePackedColourBack)
{
    EXPECT_EQ(RenderOne(PictureOf(1, 1, {10, 20, 40}), ModeFullColour), (ColourPixel{9, 19, 38}));
}

TEST(RenderPicture, LuminanceModeOfWhiteChromaIsItsLuminance)
{
    Picture picture = PictureOf(1, 1, {0, 0, 0});
    picture.bitmap.at(0, 0).luminance = 77;
    EXPECT_EQ(RenderOne(picture, ModeLuminance), (ColourPixel{77, 77, 77}));
}

TEST(RenderPicture, SaturationLevelModeShowsGreyBlackAndPureColourYellowWhite)
{
    EXPECT_EQ(RenderOne(PictureOf(1, 1, {128, 128, 128}), ModeSaturationLevel), (ColourPixel{0, 0, 0}));
    EXPECT_EQ(RenderOne(PictureOf(1, 1, {0, 0, 255}), ModeSaturationLevel), (ColourPixel{254, 255, 255}));
}

TEST(RenderPicture, HueModeNormalisesTheReconstructedColour)
{
    ColourPixel expected;
    NormaliseChroma(RenderOne(PictureOf(1, 1, {10, 20, 40}), ModeFullColour), expected);
    EXPECT_EQ(RenderOne(PictureOf(1, 1, {10, 20, 40}), ModeHue), expected);
    EXPECT_EQ(expected, (ColourPixel{60, 127, 254})) << "the colour comes back as 9, 19, 38 first";
}

TEST(RenderPicture, ToneStagesRunGainThenBiasThenTableThenMapping)
{
    ToneSettings tone;
    tone.gainLevel = 192;
    tone.biasLevel = 64;
    Picture picture = PictureOf(1, 1, {255, 255, 255});
    picture.bitmap.at(0, 0).luminance = 64;
    // Gain 192 maps 64 to 32, bias 64 maps 32 to 12.
    EXPECT_EQ(RenderOne(picture, ModeLuminance | FlagBiasGain, tone).green, 12);
    // The start table is a negative: 255 - 64.
    EXPECT_EQ(RenderOne(picture, ModeLuminance | FlagLookupTable, tone).green, 191);
    EXPECT_EQ(RenderOne(picture, ModeLuminance | FlagLookupTable | FlagMap0255, tone).green, Map0255(191));
    EXPECT_EQ(RenderOne(picture, ModeLuminance | FlagMap0255, tone).green, Map0255(64));
}

TEST(RenderPicture, ToneStagesNeverChangeThePicture)
{
    Picture picture = PictureOf(4, 3, {30, 60, 90});
    const Bitmap32 before = picture.bitmap;
    Bitmap24 target(4, 3);
    RenderPicture(picture, target, -1, -1, ModeFullColour | FlagBiasGain | FlagLookupTable | FlagMap0255, {});
    EXPECT_EQ(picture.bitmap, before);
}

TEST(RenderPicture, LargerTargetGetsThePictureCentredAndKeepsItsMargins)
{
    Picture picture = PictureOf(2, 2, {255, 255, 255});
    Bitmap24 target(6, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) target.at(x, y) = ColourPixel{1, 2, 3};
    RenderPicture(picture, target, -1, -1, ModeFullColour, {});
    // Offsets (6 - 2) / 2 = 2 and (5 - 2) / 2 = 1.
    EXPECT_EQ(target.at(2, 1), (ColourPixel{255, 255, 255}));
    EXPECT_EQ(target.at(3, 2), (ColourPixel{255, 255, 255}));
    EXPECT_EQ(target.at(1, 1), (ColourPixel{1, 2, 3}));
    EXPECT_EQ(target.at(2, 3), (ColourPixel{1, 2, 3}));
}

TEST(RenderPicture, SmallerTargetGetsTheMiddleOrTheChosenWindow)
{
    Picture picture;
    PreparePictureBitmap(picture, 8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) picture.bitmap.at(x, y) = PicturePixel{255, 255, 255, static_cast<std::uint8_t>(10 * x + y)};
    Bitmap24 target(4, 2);
    RenderPicture(picture, target, -1, -1, ModeLuminance, {});
    EXPECT_EQ(target.at(0, 0).green, 10 * 2 + 2);
    RenderPicture(picture, target, 1, 3, ModeLuminance, {});
    EXPECT_EQ(target.at(0, 0).green, 10 * 1 + 3);
    EXPECT_EQ(target.at(3, 1).green, 10 * 4 + 4);
}

TEST(RenderPicture, OffsetsAreReadWithTheEdgeRepeated)
{
    Picture picture;
    PreparePictureBitmap(picture, 5, 1);
    for (int x = 0; x < 5; ++x) picture.bitmap.at(x, 0) = PicturePixel{255, 255, 255, static_cast<std::uint8_t>(x * 50)};
    picture.dx = 3;
    Bitmap24 target(5, 1);
    RenderPicture(picture, target, -1, -1, ModeLuminance, {});
    EXPECT_EQ(target.at(0, 0).green, 150);
    EXPECT_EQ(target.at(1, 0).green, 200);
    EXPECT_EQ(target.at(4, 0).green, 200);
}

// Random pictures drawn shifted by every kind of offset, into targets
// smaller and larger, in every mode and at several saturations: each target
// pixel is what unpacking its clamped source pixel and showing it gives.
TEST(RenderPicture, EveryPixelShowsItsUnpackedSourcePixel)
{
    std::mt19937 random(12);
    Picture picture;
    PreparePictureBitmap(picture, 37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            picture.bitmap.at(x, y) = PicturePixel{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                                   static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
    const auto shown = [](ColourPixel c, int mode) {
        ColourPixel out = c;
        if (mode == ModeLuminance) GreyPixel(PixelLuminance(c), out);
        if (mode == ModeHue) NormaliseChroma(c, out);
        if (mode == ModeSaturationLevel) {
            const int level = ClampByte(SaturationLevel(c));
            const auto twice = static_cast<std::uint8_t>(ClampByte(2 * level));
            out = ColourPixel{static_cast<std::uint8_t>(level), twice, twice};
        }
        return out;
    };
    for (const int offset : {0, 1, 3, -2, -5, 40, -40})
        for (const auto& size : {std::pair{20, 9}, std::pair{50, 30}})
            for (int mode = ModeLuminance; mode <= ModeSaturationLevel + 1; ++mode)
                for (int saturation : {100, 40, 250}) {
                    picture.dx = offset, picture.dy = -offset / 2;
                    ToneSettings tone;
                    tone.saturation = saturation;
                    Bitmap24 target(size.first, size.second);
                    RenderPicture(picture, target, -1, -1, mode, tone);
                    const Placement px = PlaceAxis(37, size.first, -1), py = PlaceAxis(23, size.second, -1);
                    for (int y = 0; y < py.count; ++y)
                        for (int x = 0; x < px.count; ++x) {
                            const int sx = std::clamp(x + px.start + picture.dx, 0, 36);
                            const int sy = std::clamp(y + py.start + picture.dy, 0, 22);
                            ColourPixel colour;
                            UnpackPixel(picture.bitmap.at(sx, sy), saturation, colour);
                            ASSERT_EQ(target.at(x + px.offset, y + py.offset), shown(colour, mode))
                                << "offset " << offset << " mode " << mode << " saturation " << saturation << " at " << x
                                << "," << y;
                        }
                }
}

}  // namespace
}  // namespace quivane
