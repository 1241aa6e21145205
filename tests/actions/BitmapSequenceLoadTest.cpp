#include "actions/BitmapSequenceLoad.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "output/BmpWriter.h"
#include "actions/SaveActions.h"
#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"
#include "support/StartedWorkspace.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;

// A small frame with a bright square whose place depends on `n`, so frames
// of one series differ.
Bitmap24 Frame(int n)
{
    Bitmap24 frame(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool object = x >= 20 + n % 5 && x < 30 + n % 5 && y >= 15 && y < 25;
            const auto v = static_cast<std::uint8_t>(object ? 220 : 12);
            frame.at(x, y) = ColourPixel{v, static_cast<std::uint8_t>(v / 2 + 5), v};
        }
    return frame;
}

class BitmapSequenceLoadTest : public testing::StartedWorkspace {
protected:
    BitmapSequenceLoadTest() : StartedWorkspace("series") {}

    std::string Write(const std::string& name, int n)
    {
        const std::string path = (folder / name).string();
        EXPECT_FALSE(WriteBmp(Frame(n), path));
        return path;
    }
    std::string Series(const std::string& prefix, int count)
    {
        for (int n = 1; n <= count; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "%s%04d.BMP", prefix.c_str(), n);
            Write(name, n);
        }
        return (folder / prefix).string();
    }
    void Load(const std::string& first, const std::string& last)
    {
        ui.dialogAnswers = {first, last};
        LoadBMPButtonClick(ws, ui);
    }
    bool ActionsReady() const
    {
        return ui.enabled.at(ActionButton::Calculate) && ui.enabled.at(ActionButton::Save) &&
               ui.enabled.at(ActionButton::SaveAs) && ui.enabled.at(ActionButton::Go) &&
               !ui.enabled.at(ActionButton::Stop);
    }
};

TEST_F(BitmapSequenceLoadTest, MissingFileInTheRangeIsPassedOver)
{
    const std::string base = Series("IMG_", 10);
    fs::remove(base + "0005.BMP");
    Load(base + "0001.BMP", base + "0010.BMP");

    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(ws.pictureCount, 9);
    ASSERT_EQ(testing::PicturesIn(ws.pictures), 10u);
    EXPECT_EQ(ws.pictures.at(0).bitmap, ws.pictures.at(1).bitmap) << "the result starts as the first frame";
    EXPECT_NE(ws.pictures.at(4).bitmap, ws.pictures.at(5).bitmap);
    for (int n = 0; n <= ws.pictures.inputCount(); ++n) {
        const Picture& p = ws.pictures.at(n);
        EXPECT_EQ(p.quality, QualityAvg);
        EXPECT_EQ(p.dx, 0);
        EXPECT_EQ(p.bitmap.width(), 192);
    }
    EXPECT_TRUE(ActionsReady());
    EXPECT_TRUE(ws.picturesLoaded);
    EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [9 of 455]");
    EXPECT_EQ(ui.status, "Ready loading pictures");
    EXPECT_EQ(ui.progressPosition, 0);
    EXPECT_EQ(ws.referencePicture, 1);
    EXPECT_EQ(ws.displayedPicture, 1);
    EXPECT_EQ(ws.controls[ControlId::DataPicNrSpinEdit].maximum, 9);
    EXPECT_EQ(ws.controls[ControlId::RegisterSpinEdit].maximum, 9);
    EXPECT_EQ(ws.folders.picture, folder.string() + "/");
    EXPECT_FALSE(ws.firstLoadPending);
}

TEST_F(BitmapSequenceLoadTest, ProgressNamesEachFrameAndItsSize)
{
    const std::string base = Series("IMG_", 2);
    Load(base + "0001.BMP", base + "0002.BMP");
    const std::vector<std::string> expected = {"status Loading BMP pictures", "status Loading pictures [Nr: 0 / Size: 64 x 48]",
                                               "status Loading pictures [Nr: 1 / Size: 64 x 48]",
                                               "status Loading pictures [Nr: 2 / Size: 64 x 48]",
                                               "status Ready loading pictures"};
    std::vector<std::string> statuses;
    for (const std::string& line : ui.log)
        if (line.rfind("status ", 0) == 0) statuses.push_back(line);
    EXPECT_EQ(statuses, expected);
}

TEST_F(BitmapSequenceLoadTest, ReversedPairLoadsInAscendingOrder)
{
    const std::string base = Series("IMG_", 4);
    Load(base + "0004.BMP", base + "0001.BMP");
    FakeUi other;
    Workspace ascending{"/opt/quivane"};
    FormCreate(ascending, other);
    other.dialogAnswers = {base + "0001.BMP", base + "0004.BMP"};
    LoadBMPButtonClick(ascending, other);
    ASSERT_EQ(ws.pictureCount, 4);
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(ws.pictures.at(i).bitmap, ascending.pictures.at(i).bitmap) << i;
}

TEST_F(BitmapSequenceLoadTest, LowerCaseFilesAreFoundByTheirUpperCasedNames)
{
    Write("moon_01.bmp", 1);
    Write("moon_02.bmp", 2);
    Load((folder / "moon_01.bmp").string(), (folder / "moon_02.bmp").string());
    EXPECT_EQ(ws.pictureCount, 2);
}

TEST_F(BitmapSequenceLoadTest, NamesOfDifferentLengthAreRefusedWithoutAMessageAndKeepThePreviousSeries)
{
    const std::string base = Series("IMG_", 3);
    Load(base + "0001.BMP", base + "0003.BMP");
    Write("img_9.bmp", 9);
    Write("img_12.bmp", 12);
    Load((folder / "img_9.bmp").string(), (folder / "img_12.bmp").string());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_FALSE(ws.picturesLoaded);
    EXPECT_EQ(ws.pictureCount, 3) << "a refused load destroys nothing";
    EXPECT_FALSE(ui.enabled.at(ActionButton::Calculate));
    EXPECT_FALSE(ui.enabled.at(ActionButton::Go));
}

TEST_F(BitmapSequenceLoadTest, CancellingTheFirstDialogShowsBothNameMessages)
{
    ui.dialogAnswers = {std::nullopt};
    LoadBMPButtonClick(ws, ui);
    const std::vector<std::string> expected = {"You have to supply two pictures",
                                               "The names of first and last picture cannot be the same"};
    EXPECT_EQ(ui.errors, expected);
    EXPECT_EQ(ui.dialogsAsked.size(), 1u) << "no second dialog before any bitmap was chosen";
    EXPECT_FALSE(ws.picturesLoaded);
    EXPECT_FALSE(ui.enabled.at(ActionButton::Save));
}

TEST_F(BitmapSequenceLoadTest, APngFirstFileOpensTheLastFileDialogOnThePictureFilter)
{
    ui.dialogAnswers = {(folder / "MARS_0001.png").string(), std::nullopt};
    LoadBMPButtonClick(ws, ui);
    ASSERT_EQ(ui.dialogsAsked.size(), 2u);
    EXPECT_EQ(ui.dialogsAsked[0].selectedFilter, 0) << "bitmaps first, as laid out";
    EXPECT_EQ(ui.dialogsAsked[1].selectedFilter, 1) << ui.dialogsAsked[1].filter;
    // The next load starts where this one left off; a bitmap series goes back.
    ui.dialogsAsked.clear();
    ui.dialogAnswers = {(folder / "IMG_0001.BMP").string(), std::nullopt};
    LoadBMPButtonClick(ws, ui);
    ASSERT_EQ(ui.dialogsAsked.size(), 2u);
    EXPECT_EQ(ui.dialogsAsked[0].selectedFilter, 1);
    EXPECT_EQ(ui.dialogsAsked[1].selectedFilter, 0);
}

TEST_F(BitmapSequenceLoadTest, AfterABitmapLoadACancelledFirstDialogStillOpensTheSecond)
{
    const std::string base = Series("IMG_", 2);
    Load(base + "0001.BMP", base + "0002.BMP");
    ui.errors.clear();
    ui.dialogsAsked.clear();
    ui.dialogAnswers = {std::nullopt, std::nullopt};
    LoadBMPButtonClick(ws, ui);
    ASSERT_EQ(ui.dialogsAsked.size(), 2u);
    EXPECT_EQ(ui.dialogsAsked[0].title, "The name of the FIRST bitmap in the sequence");
    EXPECT_EQ(ui.dialogsAsked[1].title, "The name of the LAST bitmap in the sequence");
    EXPECT_EQ(ui.dialogsAsked[1].initialFolder, folder.string() + "/");
    EXPECT_EQ(ui.errors.size(), 2u);
    EXPECT_EQ(ws.pictureCount, 2);
}

TEST_F(BitmapSequenceLoadTest, LastFileFromAnotherFolderIsRefused)
{
    const std::string base = Series("IMG_", 2);
    fs::create_directories(folder / "other");
    const std::string elsewhere = (folder / "other" / "IMG_0002.BMP").string();
    fs::copy_file(base + "0002.BMP", elsewhere);
    Load(base + "0001.BMP", elsewhere);
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_EQ(ui.errors.front(), "The directory of both first and last picture must match");
    EXPECT_EQ(ws.pictureCount, 0);
    EXPECT_FALSE(ws.picturesLoaded);
}

TEST_F(BitmapSequenceLoadTest, SameFileTwiceIsRefused)
{
    const std::string base = Series("IMG_", 1);
    Load(base + "0001.BMP", base + "0001.BMP");
    EXPECT_EQ(ui.errors, std::vector<std::string>{"The names of first and last picture cannot be the same"});
}

TEST_F(BitmapSequenceLoadTest, NamesWithoutANumberAreRefusedBeforeAnythingIsRead)
{
    Write("A1X.BMP", 1);
    Write("A2X.BMP", 2);
    Load((folder / "A1X.BMP").string(), (folder / "A2X.BMP").string());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ws.pictureCount, 0);
    EXPECT_EQ(ui.eventPumps, 0) << "nothing was read";
    EXPECT_FALSE(ui.enabled.at(ActionButton::Calculate));
}

TEST_F(BitmapSequenceLoadTest, EscapeKeepsTheFramesReadSoFar)
{
    const std::string base = Series("IMG_", 8);
    ws.abortRequested = true;  // pressed before the load: discarded
    ui.onProcessEvents = [&] {
        if (ws.framesRead == 3) ws.abortRequested = true;
    };
    Load(base + "0001.BMP", base + "0008.BMP");
    EXPECT_EQ(ws.pictureCount, 3);
    EXPECT_TRUE(ActionsReady());
    EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [3 of 455]");
}

TEST_F(BitmapSequenceLoadTest, BitmapLoadStopsAtTheLimitAndSaysHowManyWereLeftOut)
{
    ControlChanged(ws, ui, ControlId::ResultSizeSpinEdit, 768);  // limit 28
    const std::string base = Series("IMG_", 31);
    Load(base + "0001.BMP", base + "0031.BMP");
    EXPECT_EQ(ws.maxPictures, 28);
    EXPECT_EQ(ws.pictureCount, 28);
    EXPECT_EQ(ws.pictures.result().bitmap.width(), 768);
    EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [28 of 28]");
    EXPECT_EQ(ui.status, "kept 28 of 31 frames: picture memory full");
}

TEST_F(BitmapSequenceLoadTest, UnreadableFileEndsTheLoadWithItsNameAndKeepsTheRest)
{
    const std::string base = Series("IMG_", 5);
    std::ofstream(base + "0004.BMP", std::ios::trunc) << "BM broken";
    Load(base + "0001.BMP", base + "0005.BMP");
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find(base + "0004.BMP"), std::string::npos) << ui.errors[0];
    EXPECT_EQ(ws.pictureCount, 3);
    EXPECT_TRUE(ActionsReady());
}

TEST_F(BitmapSequenceLoadTest, LoadThatFindsNoFrameLeavesTheActionsDisabled)
{
    const std::string base = Series("IMG_", 2);
    std::ofstream(base + "0001.BMP", std::ios::trunc) << "not a bitmap";
    Load(base + "0001.BMP", base + "0002.BMP");
    EXPECT_EQ(ws.pictureCount, 0);
    EXPECT_TRUE(ws.pictures.empty());
    EXPECT_FALSE(ws.picturesLoaded);
    EXPECT_FALSE(ui.enabled.at(ActionButton::Calculate));
    EXPECT_FALSE(ui.enabled.at(ActionButton::Save));
    EXPECT_FALSE(ui.enabled.at(ActionButton::Go));
}

TEST_F(BitmapSequenceLoadTest, NoOtherActionStartsFromInsideALoad)
{
    const std::string base = Series("IMG_", 4);
    int nestedDialogs = -1;
    ui.onProcessEvents = [&] {
        const std::size_t asked = ui.dialogsAsked.size();
        LoadBMPButtonClick(ws, ui);
        SaveButtonClick(ws, ui);
        SaveAsButtonClick(ws, ui);
        nestedDialogs = static_cast<int>(ui.dialogsAsked.size() - asked);
    };
    Load(base + "0001.BMP", base + "0004.BMP");
    EXPECT_EQ(nestedDialogs, 0);
    EXPECT_EQ(ws.saveCounter, 0);
    EXPECT_EQ(ws.pictureCount, 4);
    EXPECT_FALSE(ws.loadRunning);
}

TEST(BundledSample, LoadsAllFortyFramesCentredOnThePlanet)
{
    const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
    Workspace ws{QUIVANE_SAMPLES};
    FakeUi ui;
    FormCreate(ws, ui);
    ui.dialogAnswers = {(pictures / "PLANET_0001.BMP").string(), (pictures / "PLANET_0040.BMP").string()};
    LoadBMPButtonClick(ws, ui);
    ASSERT_TRUE(ui.errors.empty()) << ui.errors.front();
    ASSERT_EQ(ws.pictureCount, 40);
    // Every picture is centred on the wandering planet: the middle is bright
    // and the corners are sky.
    for (int n = 1; n <= 40; ++n) {
        const Bitmap32& bitmap = ws.pictures.at(n).bitmap;
        EXPECT_GT(bitmap.at(96, 72).luminance, 100) << n;
        EXPECT_LT(bitmap.at(2, 2).luminance, 40) << n;
        EXPECT_LT(bitmap.at(189, 141).luminance, 40) << n;
    }
}

}  // namespace
}  // namespace quivane

namespace quivane {
namespace {

TEST(PictureSequenceLoad, PngAndFitsSeriesLoadThroughTheSameButton)
{
    const std::filesystem::path captures = std::filesystem::path(QUIVANE_TESTDATA) / "captures";
    if (!std::filesystem::exists(captures)) FAIL() << "test material missing: " << captures;
    for (const auto& [first, last] : {std::pair{"series_png16/MARS_0001.png", "series_png16/MARS_0020.png"},
                                      std::pair{"series_fits16/MOON_0001.fits", "series_fits16/MOON_0012.fits"}}) {
        Workspace ws{"/opt/quivane"};
        testing::FakeUi ui;
        FormCreate(ws, ui);
        ui.dialogAnswers = {(captures / first).string(), (captures / last).string()};
        LoadBMPButtonClick(ws, ui);
        EXPECT_TRUE(ui.errors.empty()) << first;
        EXPECT_EQ(ws.pictureCount, std::string(first).find("png") != std::string::npos ? 20 : 12) << first;
        EXPECT_TRUE(ui.enabled.at(ActionButton::Calculate));
    }
}

}  // namespace
}  // namespace quivane
