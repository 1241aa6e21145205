#include "prepare/FrameCorrection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "support/Pictures.h"

#include <algorithm>

#include "image/DeepConversion.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FilledBitmap;

// A frame whose pixel (x, y) is (x % 256, y % 256, (x + y) % 256).
Bitmap24 Numbered(int width, int height)
{
    Bitmap24 b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.at(x, y) = ColourPixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                     static_cast<std::uint8_t>(x + y)};
    return b;
}

CorrectionState DarkAndFlat(Bitmap24 dark, Bitmap24 flat)
{
    CorrectionState c;
    c.darkFrame = std::move(dark);
    c.flatField = std::move(flat);
    c.flags = CorrectDarkFrame | CorrectFlatField;
    SubtractDarkFromFlat(c);
    MeasureFlatField(c);
    return c;
}

TEST(FrameCorrection, BlackDarkAndUniformFlatLeaveFramesUnchanged)
{
    const CorrectionState c = DarkAndFlat(FilledBitmap(40, 30, {0, 0, 0}), FilledBitmap(40, 30, {90, 90, 90}));
    EXPECT_EQ(c.flatMean, (std::array<int, 3>{90, 90, 90}));
    Bitmap24 frame = Numbered(40, 30);
    CorrectFrame(c, frame);
    EXPECT_EQ(frame, Numbered(40, 30));
}

TEST(FrameCorrection, BlackFlatTurnsFramesBlackAndAZeroChannelSaturates)
{
    const CorrectionState black = DarkAndFlat(FilledBitmap(8, 8, {0, 0, 0}), FilledBitmap(8, 8, {0, 0, 0}));
    EXPECT_EQ(black.flatMean, (std::array<int, 3>{0, 0, 0}));
    Bitmap24 frame = Numbered(8, 8);
    CorrectFrame(black, frame);
    EXPECT_EQ(frame, FilledBitmap(8, 8, {0, 0, 0}));

    Bitmap24 flat = FilledBitmap(8, 8, {100, 100, 100});
    flat.at(3, 3) = ColourPixel{0, 100, 100};
    const CorrectionState zero = DarkAndFlat(FilledBitmap(8, 8, {0, 0, 0}), flat);
    Bitmap24 grey = FilledBitmap(8, 8, {50, 50, 50});
    CorrectFrame(zero, grey);
    EXPECT_EQ(grey.at(3, 3).blue, 255) << "divided by 1 instead of 0";
    EXPECT_EQ(grey.at(3, 3).green, 50 * zero.flatMean[1] / 100);
}

TEST(FrameCorrection, DarkFrameBrighterThanTheFrameClampsAtZero)
{
    CorrectionState c;
    c.darkFrame = FilledBitmap(10, 10, {200, 10, 0});
    c.flags = CorrectDarkFrame;
    Bitmap24 frame = FilledBitmap(10, 10, {100, 100, 100});
    CorrectFrame(c, frame);
    EXPECT_EQ(frame.at(5, 5), (ColourPixel{0, 90, 100}));
}

TEST(FrameCorrection, ShiftFixRotatesEachRowLeftBy255)
{
    CorrectionState c;
    c.flags = ShiftFixChosen | ShiftFixActive;
    Bitmap24 frame = Numbered(320, 4);
    CorrectFrame(c, frame);
    EXPECT_EQ(frame.at(0, 2).blue, 255);
    EXPECT_EQ(frame.at(319, 2).blue, 254);
    EXPECT_EQ(frame.at(65, 2).blue, 0);

    c.flags = ShiftFixChosen;  // chosen but not active: a bitmap series
    Bitmap24 untouched = Numbered(320, 4);
    CorrectFrame(c, untouched);
    EXPECT_EQ(untouched, Numbered(320, 4));
}

TEST(FrameCorrection, OnlyTheCommonAreaIsCorrected)
{
    CorrectionState c;
    c.darkFrame = FilledBitmap(5, 3, {10, 10, 10});
    c.flags = CorrectDarkFrame;
    Bitmap24 frame = FilledBitmap(8, 6, {50, 50, 50});
    CorrectFrame(c, frame);
    EXPECT_EQ(frame.at(4, 2).blue, 40);
    EXPECT_EQ(frame.at(5, 2).blue, 50);
    EXPECT_EQ(frame.at(4, 3).blue, 50);
}

TEST(FrameCorrection, OnePixelCommonAreaSwitchesEverythingOff)
{
    CorrectionState c;
    c.darkFrame = FilledBitmap(1, 50, {0, 0, 0});
    c.flatField = FilledBitmap(50, 50, {80, 80, 80});
    c.flags = CorrectDarkFrame | CorrectFlatField | ShiftFixChosen;
    SubtractDarkFromFlat(c);
    EXPECT_EQ(c.flags, 0);
}

}  // namespace
}  // namespace quivane

namespace quivane {
namespace {

// The deep correction must do at 16 bits what the 8-bit one does at 8:
// on 8-bit data, their results agree to within the 8-bit rounding.
TEST(DeepFrameCorrection, AgreesWithTheEightBitCorrectionOnEightBitData)
{
    Bitmap24 frame(300, 20), dark(300, 20), flat(300, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 300; ++x) {
            frame.at(x, y) = ColourPixel{static_cast<std::uint8_t>(x % 200 + 50), static_cast<std::uint8_t>(y * 9),
                                         static_cast<std::uint8_t>((x * 7) % 256)};
            dark.at(x, y) = ColourPixel{static_cast<std::uint8_t>(x % 13), 5, static_cast<std::uint8_t>(y)};
            flat.at(x, y) = ColourPixel{static_cast<std::uint8_t>(100 + x % 50), 180, static_cast<std::uint8_t>(90 + y)};
        }
    for (int flags : {int{CorrectDarkFrame}, int{CorrectFlatField}, CorrectDarkFrame | CorrectFlatField,
                      CorrectDarkFrame | ShiftFixChosen | ShiftFixActive}) {
        CorrectionState c;
        c.flags = flags;
        SetCorrectionFrame(c, CorrectDarkFrame, ToDeepFrame(dark));
        SetCorrectionFrame(c, CorrectFlatField, ToDeepFrame(flat));
        FinishCorrection(c);
        Bitmap24 eight = frame;
        CorrectFrame(c, eight);
        DeepFrame deep = ToDeepFrame(frame);
        CorrectFrame(c, deep);
        const Bitmap24 deepTop = ToBitmap24(deep);
        int worst = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 300; ++x) {
                const ColourPixel a = eight.at(x, y), b = deepTop.at(x, y);
                worst = std::max({worst, std::abs(a.red - b.red), std::abs(a.green - b.green),
                                  std::abs(a.blue - b.blue)});
            }
        // The 8-bit flat mean is truncated to a whole level: 1 in about 100.
        EXPECT_LE(worst, 3) << "flags " << flags;
    }
}

TEST(DeepFrameCorrection, ADeepDarkFrameSubtractsLevelsBelowOneEightBitStep)
{
    DeepFrame frame(4, 4, 1), dark(4, 4, 1);
    frame.bits = dark.bits = 16;
    std::fill(frame.samples.begin(), frame.samples.end(), 1000);
    std::fill(dark.samples.begin(), dark.samples.end(), 200);
    CorrectionState c;
    c.flags = CorrectDarkFrame;
    SetCorrectionFrame(c, CorrectDarkFrame, dark);
    FinishCorrection(c);
    EXPECT_TRUE(c.deepFiles);
    DeepFrame colour = ToColour(frame);
    CorrectFrame(c, colour);
    EXPECT_EQ(colour.at(2, 2, 1), 800);
    EXPECT_EQ(colour.at(3, 3, 0), 800);
}

}  // namespace
}  // namespace quivane
