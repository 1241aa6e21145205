#include "actions/SaveActions.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <unistd.h>

#include "acquire/BmpReader.h"
#include "acquire/PictureFile.h"
#include "actions/SaveOptions.h"
#include "actions/AlignmentFixture.h"
#include "actions/CalculationRun.h"
#include "prepare/FramePreparation.h"
#include "tone/RenderPicture.h"
#include "actions/ResultViewActions.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"
#include "output/ResultName.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;

class SaveActionsTest : public ::testing::Test {
protected:
    testing::TempFolder temp{"save"};
    fs::path program = temp.path();
    Workspace ws{program.string()};
    FakeUi ui;

    void SetUp() override
    {
        fs::create_directories(program / "Result");
        FormCreate(ws, ui);
    }

    // A loaded series of one frame: the result picture and picture 1.
    void LoadOnePicture()
    {
        Bitmap24 frame(40, 30);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) frame.at(x, y) = ColourPixel{static_cast<std::uint8_t>(x * 6), 90, 40};
        ws.pictures.setResult(PictureOf(frame, 2, false, ws.resultWidth, ws.resultHeight));
        ws.pictures.addInput(PictureOf(frame, 2, false, ws.resultWidth, ws.resultHeight));
        ws.pictureCount = 1;
    }
};

TEST_F(SaveActionsTest, AutomaticNamesCountUpAndTheCaptionNamesTheNext)
{
    LoadOnePicture();
    for (int i = 0; i < 11; ++i) SaveButtonClick(ws, ui);
    EXPECT_TRUE(fs::exists(program / "Result" / "result00.bmp"));
    EXPECT_TRUE(fs::exists(program / "Result" / "result09.bmp"));
    EXPECT_TRUE(fs::exists(program / "Result" / "result10.bmp"));
    EXPECT_EQ(ws.saveCounter, 11);
    EXPECT_EQ(ui.texts[TextField::SaveButtonCaption], "&Save  [result11.bmp]");
}

TEST_F(SaveActionsTest, SavedFileIsTheResultAsShown)
{
    LoadOnePicture();
    ws.showMode = ModeSaturationLevel;
    ws.biasGainOn = true;
    ws.tone.biasLevel = 200;
    SaveButtonClick(ws, ui);
    Bitmap24 shown(ws.resultWidth, ws.resultHeight);
    RenderPicture(ws.pictures.at(0), shown, -1, -1, CurrentRenderFlags(ws), ws.tone);
    const auto saved = ReadBmp((program / "Result" / "result00.bmp").string());
    ASSERT_TRUE(std::holds_alternative<Bitmap24>(saved));
    EXPECT_EQ(std::get<Bitmap24>(saved), shown);
}

TEST_F(SaveActionsTest, FailedWriteIsReportedAndTheCounterStays)
{
    LoadOnePicture();
    fs::remove_all(program / "Result");
    SaveButtonClick(ws, ui);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find((program / "Result" / "result00.bmp").string()), std::string::npos);
    EXPECT_EQ(ws.saveCounter, 0);
    EXPECT_EQ(ui.texts.count(TextField::SaveButtonCaption), 0u);
    EXPECT_EQ(ui.status, "Not saved: " + ui.errors[0]);
}

TEST_F(SaveActionsTest, WithNothingLoadedTheCounterStillAdvances)
{
    SaveButtonClick(ws, ui);
    EXPECT_EQ(ws.saveCounter, 1);
    EXPECT_EQ(ui.texts[TextField::SaveButtonCaption], "&Save  [result01.bmp]");
    EXPECT_TRUE(fs::is_empty(program / "Result"));
}

TEST_F(SaveActionsTest, SaveAsMovesLaterAutomaticSavesToTheChosenFolder)
{
    LoadOnePicture();
    fs::create_directories(program / "elsewhere");
    ui.dialogAnswers = {(program / "elsewhere" / "jupiter.bmp").string()};
    SaveAsButtonClick(ws, ui);
    ASSERT_EQ(ui.dialogsAsked.size(), 1u);
    EXPECT_EQ(ui.dialogsAsked[0].title, "Give the filename of the result picture");
    EXPECT_EQ(ui.dialogsAsked[0].fileName, "result00.bmp");
    EXPECT_EQ(ui.dialogsAsked[0].initialFolder, (program / "Result").string() + "/");
    EXPECT_TRUE(fs::exists(program / "elsewhere" / "jupiter.bmp"));
    EXPECT_EQ(ui.texts[TextField::ResultCaption], "jupiter.bmp");
    EXPECT_EQ(ws.saveCounter, 0);

    SaveButtonClick(ws, ui);
    EXPECT_TRUE(fs::exists(program / "elsewhere" / "result00.bmp"));
}

TEST_F(SaveActionsTest, SaveAsWritesWhatTheNameAsksForAtTheDepthOfTheFilter)
{
    LoadOnePicture();
    ws.showMode = ModeFullColour;
    ASSERT_EQ(SaveOptions()[2].choice, (SaveChoice{PictureFormat::Png, SampleDepth::Sixteen}));
    const fs::path png = program / "Result" / "jupiter.png";
    ui.dialogAnswers = {png.string()};
    ui.filterAnswers = {2};
    SaveAsButtonClick(ws, ui);
    EXPECT_EQ(ui.dialogsAsked[0].filter.rfind("Bitmaps (*.bmp)|*.bmp|PNG, 8 bits a channel (*.png)|*.png|", 0), 0u)
        << ui.dialogsAsked[0].filter;
    const auto read = ReadPictureFile(png.string());
    ASSERT_TRUE(std::holds_alternative<DeepFrame>(read));
    EXPECT_EQ(std::get<DeepFrame>(read).bits, 16);
    EXPECT_EQ(std::get<DeepFrame>(read).channels, 3);
    EXPECT_EQ(ui.status, "Saved " + png.string() + " (PNG, 16 bits a channel, colour)");
}

TEST_F(SaveActionsTest, TheNameDecidesTheFormatAndTheFilterOnlyTheDepth)
{
    EXPECT_EQ(ChoiceForSave("a.png", -1), (SaveChoice{PictureFormat::Png, SampleDepth::Eight}));
    EXPECT_EQ(ChoiceForSave("a.bmp", 2), (SaveChoice{PictureFormat::Bmp, SampleDepth::Eight}));
    EXPECT_EQ(ChoiceForSave("a.tif", 6), (SaveChoice{PictureFormat::Tiff, SampleDepth::Sixteen}));
    EXPECT_EQ(ChoiceForSave("a.fit", 6), (SaveChoice{PictureFormat::Fits, SampleDepth::Float}));
    EXPECT_EQ(ChoiceForSave("a.dat", 4), (SaveChoice{PictureFormat::Bmp, SampleDepth::Eight}));
    EXPECT_EQ(ChoiceForSave("a.fits", 99), (SaveChoice{PictureFormat::Fits, SampleDepth::Eight}));

    // The dialog first shows what "&Save" writes, if the proposed name is of its format.
    EXPECT_EQ(SaveOptionFor("result03.png", {PictureFormat::Png, SampleDepth::Sixteen}), 2);
    EXPECT_EQ(SaveOptionFor("result03.png", {PictureFormat::Bmp, SampleDepth::Eight}), 1);
    EXPECT_EQ(SaveOptionFor("jupiter.fit", {PictureFormat::Fits, SampleDepth::Float}), 6);
    EXPECT_EQ(SaveOptionFor("result00.bmp", {PictureFormat::Bmp, SampleDepth::Eight}), 0);
    SetAutomaticSaveChoice(ws, ui, {PictureFormat::Tiff, SampleDepth::Sixteen});
    ui.dialogAnswers = {std::nullopt};
    SaveAsButtonClick(ws, ui);
    EXPECT_EQ(ui.dialogsAsked.back().fileName, "result00.tif");
    EXPECT_EQ(ui.dialogsAsked.back().selectedFilter, 4);
    EXPECT_EQ(ui.dialogsAsked.back().defaultExtension, "tif");
}

TEST_F(SaveActionsTest, AutomaticSavesInAnotherFormatNumberWithItsExtension)
{
    LoadOnePicture();
    ws.showMode = ModeLuminance;
    SetAutomaticSaveChoice(ws, ui, {PictureFormat::Fits, SampleDepth::Float});
    EXPECT_EQ(ui.texts[TextField::SaveButtonCaption], "&Save  [result00.fits]");
    SaveButtonClick(ws, ui);
    const fs::path fits = program / "Result" / "result00.fits";
    const auto read = ReadPictureFile(fits.string());
    ASSERT_TRUE(std::holds_alternative<DeepFrame>(read));
    EXPECT_EQ(std::get<DeepFrame>(read).channels, 1) << "a grey rendering is saved as one channel";
    EXPECT_EQ(ui.status, "Saved " + fits.string() + " (FITS, 32-bit float, grey)");
    EXPECT_EQ(ui.texts[TextField::SaveButtonCaption], "&Save  [result01.fits]");

    // A depth the format cannot hold becomes the deepest it can.
    SetAutomaticSaveChoice(ws, ui, {PictureFormat::Bmp, SampleDepth::Float});
    EXPECT_EQ(ws.automaticSave, (SaveChoice{PictureFormat::Bmp, SampleDepth::Eight}));
    SaveButtonClick(ws, ui);
    EXPECT_TRUE(fs::exists(program / "Result" / "result01.bmp"));
    EXPECT_EQ(ui.status, "Saved " + (program / "Result" / "result01.bmp").string() + " (24-bit BMP)");
}

TEST_F(SaveActionsTest, CancelledSaveAsChangesNothing)
{
    LoadOnePicture();
    ui.dialogAnswers = {std::nullopt};
    SaveAsButtonClick(ws, ui);
    EXPECT_EQ(ws.resultFileName, "result00.bmp");
    EXPECT_EQ(ws.folders.result, (program / "Result").string() + "/");
    EXPECT_TRUE(fs::is_empty(program / "Result"));
}

// A calculated result saved at 16 bits keeps the fractions of its run
// through a later CLAHE; a new load forgets them.
TEST(DeepSaveActions, The16BitFileFollowsTheRunAndItsEqualisations)
{
    testing::AlignmentFixture f;
    testing::TempFolder temp{"deep_save"};
    f.ws.folders.result = temp.path().string() + "/";
    auto noisy = [](int seed) {
        return [seed](int x, int y) { return 60 + (x + y) / 4 + static_cast<int>((x * 31 + y * 17 + seed * 7) % 5); };
    };
    f.Load({noisy(1), noisy(2), noisy(3)});
    f.ws.calculation.enhancement[EnhancementStageId::UnsharpMask].on = true;
    f.ws.showMode = ModeLuminance;
    CalculationRun(f.ws, f.ui);

    auto saveBoth = [&](const std::string& name) {
        SetAutomaticSaveChoice(f.ws, f.ui, {PictureFormat::Bmp, SampleDepth::Eight});
        SaveButtonClick(f.ws, f.ui);
        const std::string bmp = f.ws.folders.result + AutoResultName(f.ws.saveCounter - 1);
        f.ui.dialogAnswers = {temp / name};
        f.ui.filterAnswers = {2};
        SaveAsButtonClick(f.ws, f.ui);
        const Bitmap24 eight = std::get<Bitmap24>(ReadBmp(bmp));
        const DeepFrame deep = std::get<DeepFrame>(ReadPictureFile(temp / name));
        int fractions = 0, far = 0;
        for (int y = 0; y < eight.height(); ++y)
            for (int x = 0; x < eight.width(); ++x) {
                fractions += deep.at(x, y) % 257 != 0;
                far += std::abs(deep.at(x, y) / 257 - eight.at(x, y).green) > 1;
            }
        EXPECT_EQ(far, 0) << name;
        return fractions;
    };
    EXPECT_GT(saveBoth("run.png"), 1000);
    f.ws.claheOn = true;
    RefreshResultView(f.ws, f.ui);
    ASSERT_EQ(f.ws.equalisedSinceRun.size(), 1u);
    EXPECT_GT(saveBoth("equalised.png"), 1000);

    // The file says how it was made.
    const QImage notes(QString::fromStdString(temp / "equalised.png"));
    EXPECT_EQ(notes.text("Frames").toStdString(), "3");
    EXPECT_EQ(notes.text("Unsharp mask").toStdString(), "strength 3, kernel 15 x 15");
    EXPECT_EQ(notes.text("CLAHE").toStdString(), "clip factor 2.0");
    EXPECT_EQ(notes.text("Display").toStdString(), "B&W (luminance)");

    // A result changed behind the record's back is saved as it shows: the
    // 8-bit levels, widened.
    f.ws.pictures.result().bitmap.at(5, 5).luminance ^= 1;
    EXPECT_EQ(saveBoth("changed.png"), 0);

    ClearPictureList(f.ws);
    EXPECT_FALSE(f.ws.lastRun.valid);
    EXPECT_TRUE(f.ws.equalisedSinceRun.empty());
}

}  // namespace
}  // namespace quivane
