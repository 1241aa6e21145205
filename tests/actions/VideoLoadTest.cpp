#include "actions/VideoLoad.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "actions/BitmapSequenceLoad.h"
#include "prepare/FrameCorrection.h"
#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;

const fs::path Videos = fs::path(QUIVANE_TESTDATA) / "avi";

class VideoLoadTest : public ::testing::Test {
protected:
    Workspace ws{"/opt/quivane"};
    FakeUi ui;

    void SetUp() override
    {
        if (!fs::exists(Videos)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << Videos;
        FormCreate(ws, ui);
    }
    void Load(const std::string& name)
    {
        ui.dialogAnswers = {(Videos / name).string()};
        LoadAVIButtonClick(ws, ui);
    }
};

TEST_F(VideoLoadTest, LoadsEveryFrameOfAVideo)
{
    Load("v07_mjpeg.avi");
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(ws.pictureCount, 30);
    EXPECT_EQ(testing::PicturesIn(ws.pictures), 31u);
    EXPECT_EQ(ws.pictures.at(0).bitmap, ws.pictures.at(1).bitmap);
    EXPECT_NE(ws.pictures.at(1).bitmap, ws.pictures.at(30).bitmap);
    EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [30 of 455]");
    EXPECT_EQ(ui.status, "Ready loading pictures");
    EXPECT_TRUE(ui.enabled.at(ActionButton::Calculate));
    EXPECT_EQ(ws.folders.video, Videos.string() + "/");
    ASSERT_FALSE(ui.dialogsAsked.empty());
    EXPECT_EQ(ui.dialogsAsked[0].title, "The name of AVI file");
    const auto& log = ui.log;
    EXPECT_NE(std::find(log.begin(), log.end(), "status Loading AVI pictures"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "status Loading pictures [Nr: 30 / Size: 320 x 240]"), log.end());
}

TEST_F(VideoLoadTest, TopDownAndBottomUpFilesGiveTheSamePictures)
{
    Load("v01_raw_bgr24.avi");
    const PictureSeries topDown = ws.pictures;
    Load("v15_raw_bgr24_bottomup.avi");
    ASSERT_EQ(testing::PicturesIn(ws.pictures), testing::PicturesIn(topDown));
    for (std::size_t i = 0; i < testing::PicturesIn(topDown); ++i) EXPECT_EQ(ws.pictures.at(i).bitmap, topDown.at(i).bitmap) << i;
}

TEST_F(VideoLoadTest, VideoLoadReadsAtMostTheLimit)
{
    ControlChanged(ws, ui, ControlId::ResultSizeSpinEdit, 768);
    Load("v07_mjpeg.avi");
    EXPECT_EQ(ws.maxPictures, 28);
    EXPECT_EQ(ws.pictureCount, 28);
}

TEST_F(VideoLoadTest, FileWithoutVideoIsRefusedAndKeepsTheSeriesLoadedBefore)
{
    Load("v13_one_frame.avi");
    ASSERT_EQ(ws.pictureCount, 1);
    const Bitmap32 before = ws.pictures.at(1).bitmap;
    for (const char* bad : {"s01_audio_first.avi", "s02_audio_only.avi", "x02_random_bytes.avi",
                            "x10_wav_named_avi.avi", "x11_zero_dimensions.avi", "x01_zero_length.avi"}) {
        Load(bad);
        EXPECT_NE(ui.status.find("holds no readable video"), std::string::npos) << bad << ": " << ui.status;
        EXPECT_NE(ui.status.find(bad), std::string::npos);
        ASSERT_FALSE(ui.errors.empty()) << bad;
        EXPECT_EQ(ui.errors.back(), ui.status) << "the message names the file and the reason";
        EXPECT_TRUE(ui.enabled.at(ActionButton::Calculate)) << bad << ": the series before stays usable";
        EXPECT_LE(ui.progressMinimum, ui.progressMaximum);
        ASSERT_EQ(ws.pictureCount, 1) << bad;
        EXPECT_EQ(ws.pictures.at(1).bitmap, before);
    }
}

TEST_F(VideoLoadTest, TruncatedFileLoadsWhatItHoldsAndSaysSo)
{
    Load("x04_truncated_midframe_mjpeg.avi");
    EXPECT_EQ(ws.pictureCount, 10);
    EXPECT_TRUE(ui.enabled.at(ActionButton::Calculate));
    EXPECT_NE(ui.status.find("x04_truncated_midframe_mjpeg.avi"), std::string::npos) << ui.status;
}

TEST_F(VideoLoadTest, ShiftFixActsOnVideosOnly)
{
    ws.correction.flags = ShiftFixChosen;
    Load("v13_one_frame.avi");
    EXPECT_EQ(ws.correction.flags, ShiftFixChosen | ShiftFixActive);
}

TEST_F(VideoLoadTest, CapturesOpenByContentWhateverTheirName)
{
    const fs::path captures = fs::path(QUIVANE_TESTDATA) / "captures";
    const struct {
        fs::path file;
        int frames;
    } cases[] = {
        {captures / "ser_rggb16" / "mars_rggb16_le_flag0.ser", 20},
        {captures / "video_h264" / "mars_640x360_h264.mp4", 30},
        {captures / "ser_truncated" / "mars_mono8_truncated.ser", 17},
    };
    for (const auto& c : cases) {
        ui.dialogAnswers = {c.file.string()};
        LoadAVIButtonClick(ws, ui);
        EXPECT_EQ(ws.pictureCount, c.frames) << c.file;
        EXPECT_TRUE(ui.enabled.at(ActionButton::Calculate)) << c.file;
    }
    EXPECT_NE(ui.status.find("cut short"), std::string::npos) << ui.status;
}

TEST_F(VideoLoadTest, OtherExtensionsAndCancelAreNotAccepted)
{
    ui.dialogAnswers = {std::nullopt};
    LoadAVIButtonClick(ws, ui);
    EXPECT_FALSE(ws.picturesLoaded);
    EXPECT_TRUE(ws.pictures.empty());
}

TEST(BundledVideo, HoldsTheSampleSeriesFrameForFrame)
{
    const fs::path samples = fs::path(QUIVANE_SAMPLES);
    Workspace fromVideo{"/opt/quivane"}, fromBitmaps{"/opt/quivane"};
    FakeUi a, b;
    FormCreate(fromVideo, a);
    FormCreate(fromBitmaps, b);
    a.dialogAnswers = {(samples / "Videos" / "PLANET.AVI").string()};
    LoadAVIButtonClick(fromVideo, a);
    b.dialogAnswers = {(samples / "Pictures" / "PLANET_0001.BMP").string(),
                       (samples / "Pictures" / "PLANET_0040.BMP").string()};
    LoadBMPButtonClick(fromBitmaps, b);
    ASSERT_EQ(fromVideo.pictureCount, 40) << a.status;
    for (int n = 0; n <= 40; ++n) ASSERT_EQ(fromVideo.pictures.at(n).bitmap, fromBitmaps.pictures.at(n).bitmap) << n;
}

}  // namespace
}  // namespace quivane
