#include "actions/AutoAlign.h"

#include <gtest/gtest.h>

#include "actions/BitmapSequenceLoad.h"
#include "actions/AlignmentFixture.h"
#include "actions/AlignmentRun.h"
#include "align/ComparisonOverlay.h"
#include "align/OffsetSearch.h"
#include "tone/RenderPicture.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

using testing::AlignmentFixture;
using testing::Blob;

void ChooseAuto(AlignmentFixture& f) { ControlChanged(f.ws, f.ui, ControlId::RegisterRadioGroup, 1); }

TEST(ComparisonOverlay, PictureAgainstItselfScoresZeroAndShowsGrey)
{
    AlignmentFixture f;
    const Picture picture = f.Drawn(Blob(96, 72));
    Picture shown = picture;
    Bitmap24 view(192, 144);
    RenderPicture(shown, view, -1, -1, ModeFullColour, f.ws.tone);
    EXPECT_EQ(DrawComparisonOverlay(picture, view, -1, -1, OverlayStyle::FullColour), 0);
    const ColourPixel p = view.at(96, 72);
    EXPECT_EQ(p.red, p.blue) << "agreement is drawn grey";
}

TEST(ComparisonOverlay, DifferencesAreSquaredAndCappedAndRecoloured)
{
    AlignmentFixture f;
    Picture reference = f.Drawn([](int, int) { return 200; });
    Bitmap24 view(192, 144);
    view.at(0, 0) = ColourPixel{0, 0, 0};      // e = 200: 156 capped at 255? 40000 / 256 = 156
    view.at(1, 0) = ColourPixel{190, 190, 190};  // e = 10: nothing
    for (int y = 0; y < 144; ++y)
        for (int x = (y == 0 ? 2 : 0); x < 192; ++x) view.at(x, y) = ColourPixel{200, 200, 200};
    EXPECT_EQ(DrawComparisonOverlay(reference, view, -1, -1, OverlayStyle::FullColour), 156);
    EXPECT_EQ(view.at(0, 0), (ColourPixel{200, 0, 200})) << "red = reference, green = picture, blue = difference";
    EXPECT_EQ(view.at(1, 0), (ColourPixel{97, 97, 97})) << "grey of the sum div 4";

    view.at(0, 0) = ColourPixel{0, 0, 0};
    (void)DrawComparisonOverlay(reference, view, -1, -1, OverlayStyle::TwoTone);
    EXPECT_EQ(view.at(0, 0), (ColourPixel{0, 200, 200})) << "other modes: red = green = reference, blue = picture";
}

TEST(ComparisonOverlay, LargePictureComparesOnlyTheCentralWindow)
{
    AlignmentFixture f(384);
    Picture reference = f.Drawn([](int x, int y) { return x >= 96 && x < 288 && y >= 72 && y < 216 ? 120 : 250; });
    Bitmap24 view(192, 144);
    for (int y = 0; y < 144; ++y)
        for (int x = 0; x < 192; ++x) view.at(x, y) = ColourPixel{120, 120, 120};
    EXPECT_EQ(DrawComparisonOverlay(reference, view, -1, -1, OverlayStyle::TwoTone), 0);
}

TEST(ComparisonOverlay, SmallPictureIsComparedWholeAndDrawnCentred)
{
    AlignmentFixture f(128);
    Picture reference = f.Drawn([](int, int) { return 100; });
    Bitmap24 view(192, 144);
    const ColourPixel untouched{7, 7, 7};
    for (int y = 0; y < 144; ++y)
        for (int x = 0; x < 192; ++x) view.at(x, y) = untouched;
    (void)DrawComparisonOverlay(reference, view, -1, -1, OverlayStyle::TwoTone);
    EXPECT_EQ(view.at(31, 24), untouched);
    EXPECT_EQ(view.at(32, 23), untouched);
    EXPECT_NE(view.at(32, 24), untouched);
    EXPECT_NE(view.at(32 + 127, 24 + 95), untouched);
    EXPECT_EQ(view.at(32 + 128, 24 + 95), untouched);
}

TEST(AutoAlign, FindsAShiftOfThreeColumnsWithEnlargementTwo)
{
    AlignmentFixture f;
    // Picture 2's column c + 3 shows what the reference's column c shows.
    f.Load({Blob(96, 72), Blob(99, 72)});
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(f.At(1).dx, 0);
    EXPECT_EQ(f.At(1).dy, 0);
    EXPECT_EQ(f.At(2).dx, 3);
    EXPECT_EQ(f.At(2).dy, 0);
    EXPECT_EQ(f.ui.status, "Alignment ready");
    EXPECT_EQ(f.ws.controls.value(ControlId::RegisterRadioGroup), 0) << "back on Manual";
    EXPECT_FALSE(f.ws.aligning);
    EXPECT_TRUE(f.ui.enabled.at(ActionButton::Calculate));
    EXPECT_FALSE(f.ui.enabled.at(ActionButton::Stop));
}

TEST(AutoAlign, ReportsEveryPictureWithTheSpaceAfterNr)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(99, 72)});
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    const auto& log = f.ui.log;
    EXPECT_NE(std::find(log.begin(), log.end(), "status Automatic alignment "), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "status Automatic alignment of picture 1 with nr. 2, Dx,Dy= (3, 0), Value =[0]"),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "progress pos 2"), log.end());
}

TEST(AutoAlign, ReferenceIsForcedToZeroButReportsItsSearch)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(90, 70)});
    SetAndApplyControl(f.ws, f.ui, ControlId::RegisterSpinEdit, 2);
    f.At(2).dx = 5;
    f.At(2).dy = -5;
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(f.At(2).dx, 0);
    EXPECT_EQ(f.At(2).dy, 0);
    // Picture 1 was searched while the reference still stood at (5, -5):
    // the reference is read through its offsets, so its disc sat at (85, 75).
    EXPECT_EQ(f.At(1).dx, 11);
    EXPECT_EQ(f.At(1).dy, -3);
}

TEST(AutoAlign, ReferenceZeroAlignsEveryPictureToTheResult)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(98, 73)});
    SetAndApplyControl(f.ws, f.ui, ControlId::RegisterSpinEdit, 0);
    EXPECT_EQ(f.ws.referencePicture, 0);
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(f.At(2).dx, 2);
    EXPECT_EQ(f.At(2).dy, 1);
}

TEST(AutoAlign, TiesGoToTheMinusSide)
{
    AlignmentFixture f(384);
    // Stripes of period 8: picture 2 shifted by 4 matches at +4 and at -4.
    auto stripes = [](int shift) {
        return [shift](int x, int) { return ((x + shift) / 4) % 2 == 0 ? 30 : 220; };
    };
    f.Load({stripes(0), stripes(4)});
    const AlignmentSettings settings = CurrentAlignmentSettings(f.ws);
    Picture& picture = f.At(2);
    SearchBest best{0, 0, ScoreOffset(f.At(1), picture, settings.region, settings.saturation)};
    ASSERT_GT(best.score, 0);
    EXPECT_EQ(TryAxisStep(f.At(1), picture, settings, 4, 0, best), -1);
    EXPECT_EQ(best.x, -4);
    EXPECT_EQ(best.score, 0);
}

TEST(AutoAlign, SearchThatNeverSettlesIsMarkedDontAndKeepsItsBestOffset)
{
    AlignmentFixture f(768);
    // A ramp far off: every pass still improves by a step of 4.
    f.Load({[](int x, int) { return x / 3; }, [](int x, int) { return (x - 300) / 3; }});
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(f.At(2).quality, QualityDont);
    EXPECT_EQ(f.At(2).dx, 100) << "25 passes of 4 towards 300";
    EXPECT_EQ(f.At(1).quality, QualityAvg);
}

TEST(AutoAlign, FullPictureChainsEachSearchFromThePreviousOffset)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(99, 72), Blob(102, 72)});
    testing::ForEachPicture(f.ws.pictures, [](Picture& p) { p.fullPicture = true; });
    f.At(3).dx = -200;  // from its own offset the blob is out of sight
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(f.At(2).dx, 3);
    EXPECT_EQ(f.At(3).dx, 6);

    AlignmentFixture own;
    own.Load({Blob(96, 72), Blob(99, 72), Blob(102, 72)});
    own.At(3).dx = -200;
    ChooseAuto(own);
    GoButtonClick(own.ws, own.ui);
    EXPECT_NE(own.At(3).dx, 6) << "without the chain the search starts from the picture's own offset";
}

TEST(AutoAlign, EscapePressedBeforeGoEndsTheRunAfterItsFirstPicture)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(99, 72), Blob(99, 75)});
    f.ws.abortRequested = true;
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(f.At(2).dx, 0) << "picture 2 was never searched";
    EXPECT_FALSE(f.ws.abortRequested);
    EXPECT_FALSE(f.ws.aligning);
}

TEST(AutoAlign, StopFromTheEventPumpEndsAfterThePictureInHand)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(99, 72), Blob(99, 75)});
    f.ui.onProcessEvents = [&] { StopButtonClick(f.ws, f.ui); };
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(f.At(2).dx, 0);
    EXPECT_EQ(f.At(3).dy, 0);
}

TEST(AutoAlign, NoLoadStartsWhileTheSearchRuns)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(99, 72)});
    int dialogs = 0;
    f.ui.onProcessEvents = [&] {
        LoadBMPButtonClick(f.ws, f.ui);
        dialogs = static_cast<int>(f.ui.dialogsAsked.size());
    };
    ChooseAuto(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(f.ws.pictureCount, 2);
    EXPECT_FALSE(f.ws.autoAligning);
}

TEST(AlignmentRun, ManualGoWaitsForStopWithTheMismatchGauge)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72), Blob(99, 72)});
    GoButtonClick(f.ws, f.ui);
    EXPECT_TRUE(f.ws.aligning);
    EXPECT_EQ(f.ui.progressMaximum, 110592);
    EXPECT_EQ(f.ui.status, "Manual alignment ");
    EXPECT_FALSE(f.ui.enabled.at(ActionButton::Calculate));
    EXPECT_FALSE(f.ui.enabled.at(ActionButton::Go));
    EXPECT_TRUE(f.ui.enabled.at(ActionButton::Stop));
    StopButtonClick(f.ws, f.ui);
    EXPECT_FALSE(f.ws.aligning);
    EXPECT_TRUE(f.ui.enabled.at(ActionButton::Go));
}

}  // namespace
}  // namespace quivane
