#include "acquire/FrameCorrection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "acquire/CorrectionButton.h"
#include "output/BmpWriter.h"
#include "workspace/FakeUi.h"
#include "workspace/WorkspaceActions.h"
#include "support/StartedWorkspace.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;
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

class CorrectionButtonTest : public testing::StartedWorkspace {
protected:
    CorrectionButtonTest() : StartedWorkspace("correct") {}
    std::string Write(const std::string& name, const Bitmap24& b)
    {
        EXPECT_FALSE(WriteBmp(b, (folder / name).string()));
        return (folder / name).string();
    }
};

TEST_F(CorrectionButtonTest, ThreeDialogsInOrderSetTheCorrections)
{
    ui.dialogAnswers = {Write("flat.bmp", FilledBitmap(20, 20, {120, 100, 80})), Write("dark.bmp", FilledBitmap(20, 20, {20, 0, 0})),
                        Write("any.bmp", FilledBitmap(3, 3, {0, 0, 0}))};
    LoadCorrectionBMPbuttonClick(ws, ui);
    ASSERT_EQ(ui.dialogsAsked.size(), 3u);
    EXPECT_EQ(ui.dialogsAsked[0].title, "Give the name of the Flatfield");
    EXPECT_EQ(ui.dialogsAsked[1].title, "Give the name of the Darkframe");
    EXPECT_EQ(ui.dialogsAsked[2].title, "Load any bitmap in order to correct a shifted AVI video");
    EXPECT_EQ(ui.dialogsAsked[0].initialFolder, "/opt/quivane/Result/");
    EXPECT_EQ(ws.correction.flags, CorrectFlatField | CorrectDarkFrame | ShiftFixChosen);
    EXPECT_EQ(ws.correction.flatMean, (std::array<int, 3>{100, 100, 80})) << "dark subtracted before measuring";
    EXPECT_EQ(ui.status, "AVI video will be corrected");
    EXPECT_TRUE(ui.correctionActive);
    EXPECT_EQ(ws.folders.result, folder.string() + "/") << "later saves go where the files were chosen";
}

TEST_F(CorrectionButtonTest, CancellingAllThreeSwitchesCorrectionsOff)
{
    ui.dialogAnswers = {Write("flat.bmp", FilledBitmap(20, 20, {120, 100, 80}))};
    LoadCorrectionBMPbuttonClick(ws, ui);
    EXPECT_EQ(ws.correction.flags, CorrectFlatField);
    ui.dialogAnswers = {std::nullopt, std::nullopt, std::nullopt};
    LoadCorrectionBMPbuttonClick(ws, ui);
    EXPECT_EQ(ws.correction.flags, 0);
    EXPECT_FALSE(ui.correctionActive);
}

TEST_F(CorrectionButtonTest, UnreadableDarkFrameStillFinishesTheFlatField)
{
    const fs::path broken = folder / "dark.bmp";
    std::ofstream(broken) << "not a bitmap";
    ui.dialogAnswers = {Write("flat.bmp", FilledBitmap(20, 20, {60, 60, 60})), broken.string(), std::string("never asked")};
    LoadCorrectionBMPbuttonClick(ws, ui);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find(broken.string()), std::string::npos);
    EXPECT_EQ(ui.dialogsAsked.size(), 2u) << "the remaining dialog is skipped";
    EXPECT_EQ(ws.correction.flags, CorrectFlatField);
    EXPECT_EQ(ws.correction.flatMean, (std::array<int, 3>{60, 60, 60})) << "measured, not a stale mean";
    EXPECT_TRUE(ui.correctionActive);
}

}  // namespace
}  // namespace quivane
