#include "actions/WorkspaceActions.h"

#include <gtest/gtest.h>

#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"

namespace quivane {
namespace {

using testing::FakeUi;

class WorkspaceActionsTest : public ::testing::Test {
protected:
    Workspace ws{"/opt/quivane"};
    FakeUi ui;
};

TEST_F(WorkspaceActionsTest, FoldersDeriveFromTheProgramFolder)
{
    EXPECT_EQ(ws.folders.program, "/opt/quivane/");
    EXPECT_EQ(ws.folders.psf, "/opt/quivane/PSF/");
    EXPECT_EQ(ws.folders.picture, "/opt/quivane/Pictures/");
    EXPECT_EQ(ws.folders.video, "/opt/quivane/Videos/");
    EXPECT_EQ(ws.folders.result, "/opt/quivane/Result/");
}

TEST_F(WorkspaceActionsTest, BeforeTheWindowExistsTheSizeIsTheLargest)
{
    EXPECT_EQ(ws.ResultWidth, 768);
    EXPECT_EQ(ws.ResultHeight, 576);
    EXPECT_EQ(ws.MaxPictures, 0);
    EXPECT_EQ(ws.ResultFileName, "result00.bmp");
    EXPECT_EQ(ws.PSFFileName, "_Gauss15x15.bmp");
    EXPECT_TRUE(ws.FirstLoadPending);
    EXPECT_EQ(ws.correction.flatMean, (std::array<int, 3>{128, 128, 128}));
}

TEST_F(WorkspaceActionsTest, FormCreateGivesTheStartValues)
{
    FormCreate(ws, ui);
    EXPECT_EQ(ws.ResultSize, 192);
    EXPECT_EQ(ws.ResultWidth, 192);
    EXPECT_EQ(ws.ResultHeight, 144);
    EXPECT_EQ(ws.MaxPictures, 455);
    EXPECT_EQ(ws.PictureCount, 0);
    EXPECT_EQ(ws.Enlargement, 2);
    EXPECT_EQ(ws.RegisterRef, 0);
    EXPECT_EQ(ws.DisplayedPicture, 1);
    EXPECT_EQ(ws.CombineMethod, 0);
    EXPECT_EQ(ws.CombineParam, 0);
    EXPECT_EQ(ws.UmaStrength, 3);
    EXPECT_EQ(ws.DecIterations, 1);
    EXPECT_EQ(ws.DecMethod, 0);
    EXPECT_DOUBLE_EQ(ws.tone.clipFactor, 2.0);
    EXPECT_EQ(ws.tone.saturation, 100);
    EXPECT_EQ(ws.tone.biasLevel, 128);
    EXPECT_EQ(ws.tone.gainLevel, 128);
    EXPECT_EQ(ws.tone.lookupTable[0], 255);
    EXPECT_FALSE(ws.LutOn || ws.UmaOn || ws.DecOn || ws.ConOn || ws.ClaheOn || ws.BiasGainOn || ws.Map0255On);
    EXPECT_FALSE(ws.FullPicture || ws.Aligning || ws.MouseHeld);
    EXPECT_EQ(ws.ViewOrigin, (Point{-1, -1}));
    EXPECT_EQ(ws.InputView.width(), 192);
    EXPECT_EQ(ws.ResultView.height(), 144);
    EXPECT_EQ(ui.litLamp, QualityAvg);
}

TEST_F(WorkspaceActionsTest, FormCreateInstallsTheDefaultKernelForAllThreeUses)
{
    FormCreate(ws, ui);
    for (TPSF* kernel : {&ws.kernels.UmaPSF(), &ws.kernels.ConPSF(), &ws.kernels.DecPSF()}) {
        ASSERT_EQ(kernel->rows(), 15);
        ASSERT_EQ(kernel->columns(), 15);
        EXPECT_EQ(kernel->at(0, 0), 255);
        EXPECT_EQ(kernel->at(0, 1), 128);
        EXPECT_EQ(kernel->at(3, 11), 255);
    }
    EXPECT_EQ(ws.PSFBitmap.width(), 15);
}

TEST_F(WorkspaceActionsTest, FormCreateShowsCaptionsAndTheBusyState)
{
    FormCreate(ws, ui);
    EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [0 of 455]");
    EXPECT_EQ(ui.texts[TextField::ResultCaption], "Result  [192x144 pixels]");
    for (ActionButton b :
         {ActionButton::Calculate, ActionButton::Save, ActionButton::SaveAs, ActionButton::Go, ActionButton::Stop}) {
        EXPECT_FALSE(ui.enabled.at(b));
    }
    EXPECT_EQ(ws.controls[ControlId::RegisterSpinEdit].maximum, 0);
    EXPECT_EQ(ws.controls[ControlId::DataPicNrSpinEdit].maximum, 0);
}

TEST_F(WorkspaceActionsTest, ReadyEnablesFourButtonsAndDisablesStop)
{
    SetReadyControls(ui);
    EXPECT_TRUE(ui.enabled.at(ActionButton::Calculate));
    EXPECT_TRUE(ui.enabled.at(ActionButton::Save));
    EXPECT_TRUE(ui.enabled.at(ActionButton::SaveAs));
    EXPECT_TRUE(ui.enabled.at(ActionButton::Go));
    EXPECT_FALSE(ui.enabled.at(ActionButton::Stop));
}

TEST_F(WorkspaceActionsTest, ResetWorkspaceSizeFollowsTheChosenWidthForAllTwelveWidths)
{
    FormCreate(ws, ui);
    const int expected[12] = {4096, 1024, 455, 256, 163, 113, 83, 64, 50, 40, 33, 28};
    for (int i = 0; i < 12; ++i) {
        ws.ResultSize = 64 * (i + 1);
        ws.PictureCount = 9;
        ResetWorkspaceSize(ws, ui);
        EXPECT_EQ(ws.ResultWidth, ws.ResultSize);
        EXPECT_EQ(ws.ResultHeight, ws.ResultSize * 3 / 4);
        EXPECT_EQ(ws.MaxPictures, expected[i]);
        EXPECT_EQ(ws.PictureCount, 0);
        EXPECT_EQ(ws.ResultView.width(), ws.ResultWidth);
        EXPECT_EQ(ws.InputView.height(), ws.ResultHeight);
        EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [0 of " + std::to_string(expected[i]) + "]");
    }
    EXPECT_EQ(ui.texts[TextField::ResultCaption], "Result  [768x576 pixels]");
}

TEST_F(WorkspaceActionsTest, ResultWidthActsOnlyAtTheNextReset)
{
    FormCreate(ws, ui);
    ControlChanged(ws, ui, ControlId::ResultSizeSpinEdit, 768);
    EXPECT_EQ(ws.ResultSize, 768);
    EXPECT_EQ(ws.ResultWidth, 192);
    EXPECT_EQ(ws.MaxPictures, 455);
    ResetWorkspaceSize(ws, ui);
    EXPECT_EQ(ws.ResultWidth, 768);
    EXPECT_EQ(ws.ResultHeight, 576);
    EXPECT_EQ(ws.MaxPictures, 28);
}

TEST_F(WorkspaceActionsTest, FirstLoadRereadsSettingsButLeavesTheRadioGroups)
{
    FormCreate(ws, ui);
    ControlChanged(ws, ui, ControlId::CombineRadioGroup, 2);
    ControlChanged(ws, ui, ControlId::ShowResultRadioGroup, 3);
    // Values that only the controls know, as if changed before the settings listened.
    ws.controls[ControlId::UmaCheckBox].value = 1;
    ws.controls[ControlId::WholeAreaCheckBox].value = 1;
    ws.controls[ControlId::SaturationTrackBar].value = 150;

    SyncSettingsFromControls(ws, ui);
    EXPECT_FALSE(ws.FirstLoadPending);
    EXPECT_EQ(ws.CombineMethod, 0);
    EXPECT_EQ(ws.ShowMode, 0);
    EXPECT_EQ(ws.controls.value(ControlId::CombineRadioGroup), 2);
    EXPECT_EQ(ws.controls.value(ControlId::ShowResultRadioGroup), 3);
    EXPECT_TRUE(ws.UmaOn);
    EXPECT_TRUE(ws.FullPicture);
    EXPECT_EQ(ws.tone.saturation, 150);
    EXPECT_EQ(ui.texts[TextField::SaturationText], "[Saturat. 150%]");
    EXPECT_EQ(ui.resultBoxShows, &ws.ResultView);
    EXPECT_EQ(ws.MaxPictures, 455);
}

TEST_F(WorkspaceActionsTest, ProgressWithEmptyTextLeavesTheStatusLine)
{
    ui.status = "Loading";
    ShowProgress(ui, 40, "");
    EXPECT_EQ(ui.status, "Loading");
    EXPECT_EQ(ui.progressPosition, 40);
    InitProgress(ui, 0, 10, 3, "");
    EXPECT_EQ(ui.status, "Loading");
    ShowProgress(ui, 5, "Ready!");
    EXPECT_EQ(ui.status, "Ready!");
}

TEST_F(WorkspaceActionsTest, InitProgressSetsMaximumThenMinimumThenPosition)
{
    InitProgress(ui, 2, 30, 7, "Go");
    const std::vector<std::string> expected = {"progress max 30", "progress min 2", "progress pos 7", "status Go"};
    EXPECT_EQ(ui.log, expected);
}

TEST_F(WorkspaceActionsTest, AbortCheckReadsAndClearsInOneStep)
{
    EXPECT_FALSE(TakeAbortRequest(ws));
    ws.AbortRequested = true;
    EXPECT_TRUE(TakeAbortRequest(ws));
    EXPECT_FALSE(TakeAbortRequest(ws));
}

TEST_F(WorkspaceActionsTest, ClearPictureListEmptiesListAndCounts)
{
    ws.pictures.resize(4);
    ws.PictureCount = 3;
    ws.FramesRead = 3;
    ClearPictureList(ws);
    EXPECT_TRUE(ws.pictures.empty());
    EXPECT_EQ(ws.pictures.capacity(), 0u);
    EXPECT_EQ(ws.PictureCount, 0);
    EXPECT_EQ(ws.FramesRead, 0);
}

}  // namespace
}  // namespace quivane
