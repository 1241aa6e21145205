#include "actions/ManualAlignment.h"

#include <gtest/gtest.h>

#include "actions/AlignmentFixture.h"
#include "actions/AlignmentRun.h"
#include "actions/PictureBrowsing.h"
#include "actions/KeyHandling.h"

namespace quivane {
namespace {

using testing::AlignmentFixture;
using testing::Blob;

class ManualAlignmentTest : public ::testing::Test {
protected:
    AlignmentFixture f;
    void SetUp() override { f.Load({Blob(96, 72), Blob(99, 72), Blob(90, 80)}); }
    int ShownNumber() const { return f.ws.controls.value(ControlId::DataPicNrSpinEdit); }
};

TEST_F(ManualAlignmentTest, DraggingMovesThePictureWithTheMouse)
{
    GoButtonClick(f.ws, f.ui);
    InputPicImageMouseDown(f.ws, f.ui, 50, 40);
    InputPicImageMouseMove(f.ws, f.ui, 60, 40);
    InputPicImageMouseUp(f.ws, f.ui, 60, 40);
    EXPECT_EQ(f.At(1).dx, -10);
    EXPECT_EQ(f.At(1).dy, 0);
    EXPECT_EQ(f.ws.controls.value(ControlId::HorScrollBar), -10);
    EXPECT_EQ(f.ui.shown[ControlId::HorScrollBar].value, -10);
    EXPECT_FALSE(f.ws.mouseHeld);
}

TEST_F(ManualAlignmentTest, DraggedOffsetBeyondTheScrollBarSurvivesBrowsing)
{
    GoButtonClick(f.ws, f.ui);
    InputPicImageMouseDown(f.ws, f.ui, 100, 40);
    InputPicImageMouseMove(f.ws, f.ui, 30, 40);
    InputPicImageMouseUp(f.ws, f.ui, 30, 40);
    ASSERT_EQ(f.At(1).dx, 70);
    EXPECT_EQ(f.ws.controls.value(ControlId::HorScrollBar), 64);
    FormKeyDown(f.ws, f.ui, WindowKey::PageUp);
    FormKeyDown(f.ws, f.ui, WindowKey::PageDown);
    EXPECT_EQ(f.At(1).dx, 70);
    EXPECT_EQ(f.ui.shown[ControlId::HorScrollBar].value, 64);
}

TEST_F(ManualAlignmentTest, WhileAligningThePictureIsShownAsAnOverlayWithItsScore)
{
    GoButtonClick(f.ws, f.ui);
    ShowInputPicture(f.ws, f.ui, 1);
    EXPECT_EQ(f.ui.status, "Manual alignment of picture 1 with nr.1, Dx,Dy= (0, 0), Value =[0]");
    EXPECT_EQ(f.ui.progressPosition, 1) << "a score of 0 shows as 1";
    ShowInputPicture(f.ws, f.ui, 2);
    EXPECT_GT(f.ui.progressPosition, 1);
}

TEST_F(ManualAlignmentTest, NumberPadNudgesWithinTheScrollBarRange)
{
    FormKeyDown(f.ws, f.ui, WindowKey::Pad6);
    EXPECT_EQ(f.At(1).dx, 1);
    FormKeyDown(f.ws, f.ui, WindowKey::Pad2);
    EXPECT_EQ(f.At(1).dy, -1);
    SetAndApplyControl(f.ws, f.ui, ControlId::HorScrollBar, 64);
    EXPECT_EQ(f.At(1).dx, 64);
    FormKeyDown(f.ws, f.ui, WindowKey::Pad6);
    EXPECT_EQ(f.At(1).dx, 64);
    FormKeyDown(f.ws, f.ui, WindowKey::Pad4);
    EXPECT_EQ(f.At(1).dx, 63);
}

TEST_F(ManualAlignmentTest, PagingStaysInsideTheSeries)
{
    FormKeyDown(f.ws, f.ui, WindowKey::PageDown);
    EXPECT_EQ(ShownNumber(), 1);
    FormKeyDown(f.ws, f.ui, WindowKey::Pad9);
    FormKeyDown(f.ws, f.ui, WindowKey::PageUp);
    FormKeyDown(f.ws, f.ui, WindowKey::PageUp);
    EXPECT_EQ(ShownNumber(), 3);
    EXPECT_EQ(f.ws.displayedPicture, 3);
    FormKeyDown(f.ws, f.ui, WindowKey::Pad3);
    EXPECT_EQ(f.ws.displayedPicture, 2);
}

TEST_F(ManualAlignmentTest, DoubleClickRunsRoundUnderManualOnly)
{
    SetAndApplyControl(f.ws, f.ui, ControlId::DataPicNrSpinEdit, 3);
    InputPicImageDoubleClick(f.ws, f.ui);
    EXPECT_EQ(ShownNumber(), 1);
    ControlChanged(f.ws, f.ui, ControlId::RegisterRadioGroup, 1);
    InputPicImageDoubleClick(f.ws, f.ui);
    EXPECT_EQ(ShownNumber(), 1);
}

TEST_F(ManualAlignmentTest, FunctionKeysMarkTheShownPicture)
{
    SetAndApplyControl(f.ws, f.ui, ControlId::DataPicNrSpinEdit, 3);
    FormKeyDown(f.ws, f.ui, WindowKey::F4);
    EXPECT_EQ(f.At(3).quality, QualityGood);
    EXPECT_EQ(f.ui.litLamp, QualityGood);
    EXPECT_EQ(f.ws.controls.value(ControlId::QualityRadioGroup), QualityGood);
    // A mark the search set is not on the lamps yet; F3 still marks the picture.
    f.At(3).quality = QualityDont;
    FormKeyDown(f.ws, f.ui, WindowKey::F4);
    EXPECT_EQ(f.At(3).quality, QualityGood);
    FormKeyDown(f.ws, f.ui, WindowKey::F3);
    EXPECT_EQ(f.At(3).quality, QualityAvg);
    EXPECT_EQ(f.ui.litLamp, QualityAvg);
}

TEST_F(ManualAlignmentTest, BrowsingMovesTheLampWithoutChangingMarks)
{
    f.At(1).quality = QualityBad;
    f.At(2).quality = QualityGood;
    SetAndApplyControl(f.ws, f.ui, ControlId::DataPicNrSpinEdit, 1);
    EXPECT_EQ(f.ui.litLamp, QualityBad);
    FormKeyDown(f.ws, f.ui, WindowKey::PageUp);
    EXPECT_EQ(f.ui.litLamp, QualityGood);
    EXPECT_EQ(f.At(1).quality, QualityBad);
    EXPECT_EQ(f.At(2).quality, QualityGood);
}

TEST_F(ManualAlignmentTest, EscapeOnlyRaisesTheRequest)
{
    FormKeyDown(f.ws, f.ui, WindowKey::Escape);
    EXPECT_TRUE(f.ws.abortRequested);
}

TEST(RegionChoice, ClickOnALargePictureChoosesTheComparedRegion)
{
    AlignmentFixture f(384);
    f.Load({Blob(192, 144), Blob(190, 140)});
    const Bitmap24 before = f.ws.inputView;
    InputPicImageMouseDown(f.ws, f.ui, 96, 72);
    EXPECT_EQ(f.ws.viewOrigin, (Point{192, 144}));
    EXPECT_NE(f.ws.inputView, before) << "the region is drawn inverted while the mouse is held";
    InputPicImageMouseUp(f.ws, f.ui, 96, 72);
    EXPECT_EQ(f.ws.viewOrigin, (Point{192, 144}));
    EXPECT_EQ(f.ws.inputView, before) << "and erased when it comes up";

    InputPicImageMouseDown(f.ws, f.ui, 10, 10);
    InputPicImageMouseMove(f.ws, f.ui, 40, 30);
    EXPECT_EQ(f.ws.viewOrigin, (Point{20, 20})) << "moving does not change the choice";
    InputPicImageMouseUp(f.ws, f.ui, 40, 30);
    EXPECT_EQ(f.ws.viewOrigin, (Point{80, 60}));
    EXPECT_EQ(f.ws.inputView, before);
}

TEST(RegionChoice, PictureNoLargerThanTheWindowHasNoRegion)
{
    AlignmentFixture f;
    f.Load({Blob(96, 72)});
    InputPicImageMouseDown(f.ws, f.ui, 96, 72);
    EXPECT_EQ(f.ws.viewOrigin, (Point{-1, -1}));
}

TEST(ManualAlignmentEmpty, NothingLoadedMeansNothingHappens)
{
    AlignmentFixture f;
    InputPicImageDoubleClick(f.ws, f.ui);
    InputPicImageMouseDown(f.ws, f.ui, 5, 5);
    InputPicImageMouseUp(f.ws, f.ui, 5, 5);
    FormKeyDown(f.ws, f.ui, WindowKey::Pad6);
    FormKeyDown(f.ws, f.ui, WindowKey::PageUp);
    FormKeyDown(f.ws, f.ui, WindowKey::F2);
    EXPECT_TRUE(f.ws.pictures.empty());
    EXPECT_EQ(f.ui.litLamp, QualityBad);
}

}  // namespace
}  // namespace quivane
