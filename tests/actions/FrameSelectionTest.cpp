#include "actions/FrameSelection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "actions/BitmapSequenceLoad.h"
#include "actions/ControlHandlers.h"
#include "actions/KeyHandling.h"
#include "actions/AlignmentRun.h"
#include "actions/ManualAlignment.h"
#include "actions/PictureBrowsing.h"
#include "output/BmpWriter.h"
#include "select/BadFrames.h"
#include "select/SeriesMaterial.h"
#include "support/StartedWorkspace.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

// Frames 1..30 of the seeing series, with frame 11 written again as frame 12
// (repeated) and frame 20 black.
constexpr int Frames = 30;
constexpr int RepeatedFrame = 12;
constexpr int BlackFrame = 20;

class FrameSelectionTest : public testing::StartedWorkspace {
protected:
    FrameSelectionTest() : StartedWorkspace("selection")
    {
        const std::vector<Bitmap24>& seeing = testing::SeeingFrames();
        for (int n = 1; n <= Frames; ++n) {
            Bitmap24 frame = seeing[static_cast<std::size_t>(n == RepeatedFrame ? n - 2 : n - 1)];
            if (n == BlackFrame)
                for (int y = 0; y < frame.height(); ++y)
                    for (int x = 0; x < frame.width(); ++x) frame.at(x, y) = ColourPixel{0, 0, 0};
            EXPECT_FALSE(WriteBmp(frame, Name(n)));
        }
    }

    std::string Name(int n) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "MARS_%04d.BMP", n);
        return (folder / name).string();
    }
    void Load(int expected = Frames)
    {
        ui.dialogAnswers = {Name(1), Name(Frames)};
        LoadBMPButtonClick(ws, ui);
        ASSERT_EQ(ws.pictureCount, expected);
    }
    std::vector<double> Scores() const
    {
        std::vector<double> scores;
        for (int n = 1; n <= Frames; ++n) scores.push_back(ws.pictures.at(n).sharpness);
        return scores;
    }
    std::vector<FrameVerdict> Verdicts() const
    {
        std::vector<FrameVerdict> verdicts;
        for (int n = 1; n <= Frames; ++n) verdicts.push_back({ws.pictures.at(n).fault});
        return verdicts;
    }
    std::vector<int> Marks() const
    {
        std::vector<int> marks;
        for (int n = 1; n <= Frames; ++n) marks.push_back(ws.pictures.at(n).quality);
        return marks;
    }
    void Browse(int n) { BrowseToPicture(ws, ui, n); }
};

TEST_F(FrameSelectionTest, ALoadScoresAndJudgesButMarksNothing)
{
    Load();
    for (int n = 1; n <= Frames; ++n) {
        const Picture& p = ws.pictures.at(n);
        EXPECT_TRUE(p.scored()) << n;
        EXPECT_EQ(p.quality, QualityAvg) << n;
        const FrameFault expected =
            n == RepeatedFrame ? FrameFault::Repeated : n == BlackFrame ? FrameFault::Black : FrameFault::None;
        EXPECT_EQ(p.fault, expected) << n;
    }
    EXPECT_EQ(ui.status, "Ready loading pictures") << "picture 1 is good: the described text stays";
    EXPECT_GT(ui.selectionsShown, 0);
    EXPECT_EQ(ws.loadedSource.kind, LoadedSource::Kind::Bitmaps);
}

TEST_F(FrameSelectionTest, KeepBestMarksFromTheRankingAndTheLampsFollow)
{
    Load();
    KeepBest(ws, ui, KeepRule::Percent(25));
    const std::vector<int> expected = MarksFromRanking(Scores(), Verdicts(), KeepRule::Percent(25));
    EXPECT_EQ(Marks(), expected);
    // 28 usable pictures: 7 kept, 2 of them Good.
    EXPECT_EQ(std::count(expected.begin(), expected.end(), QualityGood), 2);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), QualityAvg), 5);
    EXPECT_EQ(ws.pictures.at(RepeatedFrame).quality, QualityDont);
    EXPECT_EQ(ws.pictures.at(BlackFrame).quality, QualityDont);
    EXPECT_EQ(ui.litLamp, ws.pictures.at(1).quality) << "the shown picture's lamp follows its new mark";
    EXPECT_EQ(ws.controls.value(ControlId::QualityRadioGroup), ws.pictures.at(1).quality);
    EXPECT_EQ(ui.status, "Kept 7 of 28 usable pictures: 2 Good, 5 Avg; 23 Dont (2 bad (1 repeated, 1 black))");
    EXPECT_TRUE(ws.selection.keepApplied);

    // The marks stay editable by hand.
    const auto dont = std::find(expected.begin(), expected.end(), QualityDont) - expected.begin() + 1;
    Browse(static_cast<int>(dont));
    EXPECT_EQ(ui.litLamp, QualityDont);
    FormKeyDown(ws, ui, WindowKey::F4);
    EXPECT_EQ(ws.pictures.at(dont).quality, QualityGood);
    EXPECT_EQ(ui.litLamp, QualityGood);

    // A count keeps that many; all of them when the count is larger.
    KeepBest(ws, ui, KeepRule::Count(4));
    EXPECT_EQ(Marks(), MarksFromRanking(Scores(), Verdicts(), KeepRule::Count(4)));
    KeepBest(ws, ui, KeepRule::Count(1000));
    const std::vector<int> all = Marks();
    EXPECT_EQ(std::count(all.begin(), all.end(), QualityDont), 2) << "only the bad frames";
}

TEST_F(FrameSelectionTest, ASeriesLoadedWithoutScoresIsScoredFromItsFiles)
{
    SetScoreWhileLoading(ws, ui, false);
    Load();
    EXPECT_FALSE(AllPicturesScored(ws));
    for (int n = 1; n <= Frames; ++n) EXPECT_EQ(ws.pictures.at(n).fault, FrameFault::None);

    // A scored load of the same files, for comparison.
    Workspace scored{"/opt/quivane"};
    testing::FakeUi other;
    FormCreate(scored, other);
    other.dialogAnswers = {Name(1), Name(Frames)};
    LoadBMPButtonClick(scored, other);

    ws.pictures.at(3).quality = QualityGood;
    ws.pictures.at(3).dx = 5;
    const Bitmap32 before = ws.pictures.at(5).bitmap;
    const int shown = ui.selectionsShown;
    EXPECT_TRUE(ScoreLoadedPictures(ws, ui));
    for (int n = 1; n <= Frames; ++n) {
        EXPECT_EQ(ws.pictures.at(n).sharpness, scored.pictures.at(n).sharpness) << n;
        EXPECT_EQ(ws.pictures.at(n).fault, scored.pictures.at(n).fault) << n;
    }
    EXPECT_EQ(ws.pictures.at(3).quality, QualityGood) << "scoring keeps the marks";
    EXPECT_EQ(ws.pictures.at(3).dx, 5) << "and the offsets";
    EXPECT_EQ(ws.pictures.at(5).bitmap, before) << "and the pixels";
    EXPECT_EQ(ui.status, "Scored 30 pictures, 2 bad (1 repeated, 1 black)");
    EXPECT_GT(ui.selectionsShown, shown);
    EXPECT_FALSE(ws.loadRunning);
}

TEST_F(FrameSelectionTest, KeepBestScoresAnUnscoredSeriesFirst)
{
    SetScoreWhileLoading(ws, ui, false);
    Load();
    KeepBest(ws, ui, KeepRule::Percent(50));
    EXPECT_TRUE(AllPicturesScored(ws));
    EXPECT_EQ(Marks(), MarksFromRanking(Scores(), Verdicts(), KeepRule::Percent(50)));
}

TEST_F(FrameSelectionTest, ScoringRefusesFilesThatNoLongerHoldTheSeriesAndStopsOnEscape)
{
    SetScoreWhileLoading(ws, ui, false);
    Load();
    fs::remove(Name(7));
    EXPECT_FALSE(ScoreLoadedPictures(ws, ui));
    EXPECT_FALSE(AllPicturesScored(ws));
    EXPECT_EQ(ui.status, "Cannot score: the files no longer hold the series loaded; load it again");
    KeepBest(ws, ui, KeepRule::Percent(25));
    EXPECT_EQ(Marks(), std::vector<int>(Frames, QualityAvg)) << "no marks from a series that could not be scored";

    Load(Frames - 1);
    SetScoreWhileLoading(ws, ui, true);
    ui.onProcessEvents = [&] { ws.abortRequested = true; };
    EXPECT_FALSE(ScoreLoadedPictures(ws, ui));
    EXPECT_EQ(ui.status, "Scoring stopped: the scores are as they were");
    EXPECT_FALSE(AllPicturesScored(ws));
}

TEST_F(FrameSelectionTest, TheStatusLineTellsWhyTheShownPictureIsBad)
{
    Load();
    ui.setStatusText("Alignment ready");
    Browse(RepeatedFrame - 1);
    EXPECT_EQ(ui.status, "Alignment ready") << "a good picture changes nothing";
    Browse(RepeatedFrame);
    EXPECT_EQ(ui.status, "Picture 12 is a bad frame: repeated (the same as the frame before)");
    Browse(BlackFrame);
    EXPECT_EQ(ui.status, "Picture 20 is a bad frame: black (no object in the frame)");
    Browse(BlackFrame + 1);
    EXPECT_EQ(ui.status, "Alignment ready") << "a good picture brings back what the reason replaced";

    // A text set meanwhile is not replaced by the older one.
    Browse(RepeatedFrame);
    ui.setStatusText("Ready!");
    Browse(1);
    EXPECT_EQ(ui.status, "Ready!");
}

TEST_F(FrameSelectionTest, ManualAlignmentNamesTheFaultAfterTheDescribedText)
{
    Load();
    SetAndApplyControl(ws, ui, ControlId::RegisterSpinEdit, 1);
    GoButtonClick(ws, ui);
    ASSERT_TRUE(ws.aligning);
    Browse(RepeatedFrame - 1);
    EXPECT_EQ(ui.status.rfind("Manual alignment of picture 1 with nr.11, Dx,Dy= (0, 0), Value =[", 0), 0u);
    EXPECT_EQ(ui.status.back(), ']') << "a good picture's text is the described one";
    Browse(RepeatedFrame);
    EXPECT_EQ(ui.status.rfind("Manual alignment of picture 1 with nr.12, Dx,Dy= (0, 0), Value =[", 0), 0u);
    EXPECT_TRUE(ui.status.ends_with("] bad frame: repeated")) << ui.status;
}

}  // namespace
}  // namespace quivane
