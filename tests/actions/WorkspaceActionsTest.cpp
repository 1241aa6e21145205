#include "actions/WorkspaceActions.h"

#include <gtest/gtest.h>

#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"
#include "support/Pictures.h"

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
    EXPECT_EQ(ws.resultWidth, 768);
    EXPECT_EQ(ws.resultHeight, 576);
    EXPECT_EQ(ws.maxPictures, 0);
    EXPECT_EQ(ws.resultFileName, "result00.bmp");
    EXPECT_EQ(ws.kernelFileName, "_Gauss15x15.bmp");
    EXPECT_TRUE(ws.firstLoadPending);
    EXPECT_EQ(ws.correction.flatMean, (std::array<int, 3>{128, 128, 128}));
}

TEST_F(WorkspaceActionsTest, FormCreateGivesTheStartValues)
{
    FormCreate(ws, ui);
    EXPECT_EQ(ws.resultSize, 192);
    EXPECT_EQ(ws.resultWidth, 192);
    EXPECT_EQ(ws.resultHeight, 144);
    EXPECT_EQ(ws.maxPictures, 455);
    EXPECT_EQ(ws.pictureCount, 0);
    EXPECT_EQ(ws.enlargement, 2);
    EXPECT_EQ(ws.referencePicture, 0);
    EXPECT_EQ(ws.displayedPicture, 1);
    EXPECT_EQ(ws.calculation.combineMethod, CombineMethod::Mean);
    EXPECT_EQ(ws.calculation.combineParameter, 0);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::UnsharpMask].values[0], 3);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[1], 1);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[0], 0);
    EXPECT_DOUBLE_EQ(ws.tone.clipFactor, 2.0);
    EXPECT_EQ(ws.tone.saturation, 100);
    EXPECT_EQ(ws.tone.biasLevel, 128);
    EXPECT_EQ(ws.tone.gainLevel, 128);
    EXPECT_EQ(ws.tone.lookupTable[0], 255);
    EXPECT_FALSE(ws.lookupTableOn || ws.claheOn || ws.biasGainOn || ws.map0255On);
    for (const EnhancementStage* stage : EnhancementStages()) EXPECT_FALSE(ws.calculation.enhancement[stage->id].on);
    EXPECT_FALSE(ws.fullPicture || ws.aligning || ws.mouseHeld);
    EXPECT_EQ(ws.viewOrigin, (Point{-1, -1}));
    EXPECT_EQ(ws.inputView.width(), 192);
    EXPECT_EQ(ws.resultView.height(), 144);
    EXPECT_EQ(ui.litLamp, QualityAvg);
}

TEST_F(WorkspaceActionsTest, FormCreateInstallsTheDefaultKernelForAllThreeUses)
{
    FormCreate(ws, ui);
    for (Kernel* kernel : {&ws.kernels.unsharpMask(), &ws.kernels.convolution(), &ws.kernels.deconvolution()}) {
        ASSERT_EQ(kernel->rows(), 15);
        ASSERT_EQ(kernel->columns(), 15);
        EXPECT_EQ(kernel->at(0, 0), 255);
        EXPECT_EQ(kernel->at(0, 1), 128);
        EXPECT_EQ(kernel->at(3, 11), 255);
    }
    EXPECT_EQ(ws.kernelBitmap.width(), 15);
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
        ws.resultSize = 64 * (i + 1);
        ws.pictureCount = 9;
        ResetWorkspaceSize(ws, ui);
        EXPECT_EQ(ws.resultWidth, ws.resultSize);
        EXPECT_EQ(ws.resultHeight, ws.resultSize * 3 / 4);
        EXPECT_EQ(ws.maxPictures, expected[i]);
        EXPECT_EQ(ws.pictureCount, 0);
        EXPECT_EQ(ws.resultView.width(), ws.resultWidth);
        EXPECT_EQ(ws.inputView.height(), ws.resultHeight);
        EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [0 of " + std::to_string(expected[i]) + "]");
    }
    EXPECT_EQ(ui.texts[TextField::ResultCaption], "Result  [768x576 pixels]");
}

TEST_F(WorkspaceActionsTest, ResultWidthActsOnlyAtTheNextReset)
{
    FormCreate(ws, ui);
    ControlChanged(ws, ui, ControlId::ResultSizeSpinEdit, 768);
    EXPECT_EQ(ws.resultSize, 768);
    EXPECT_EQ(ws.resultWidth, 192);
    EXPECT_EQ(ws.maxPictures, 455);
    ResetWorkspaceSize(ws, ui);
    EXPECT_EQ(ws.resultWidth, 768);
    EXPECT_EQ(ws.resultHeight, 576);
    EXPECT_EQ(ws.maxPictures, 28);
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
    EXPECT_FALSE(ws.firstLoadPending);
    EXPECT_EQ(ws.calculation.combineMethod, CombineMethod::Mean);
    EXPECT_EQ(ws.showMode, 0);
    EXPECT_EQ(ws.controls.value(ControlId::CombineRadioGroup), 2);
    EXPECT_EQ(ws.controls.value(ControlId::ShowResultRadioGroup), 3);
    EXPECT_TRUE(ws.calculation.enhancement[EnhancementStageId::UnsharpMask].on);
    EXPECT_TRUE(ws.fullPicture);
    EXPECT_EQ(ws.tone.saturation, 150);
    EXPECT_EQ(ui.texts[TextField::SaturationText], "[Saturat. 150%]");
    EXPECT_EQ(ui.resultBoxShows, &ws.resultView);
    EXPECT_EQ(ws.maxPictures, 455);
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
    ws.abortRequested = true;
    EXPECT_TRUE(TakeAbortRequest(ws));
    EXPECT_FALSE(TakeAbortRequest(ws));
}

TEST_F(WorkspaceActionsTest, ClearPictureListEmptiesListAndCounts)
{
    ws.pictures = testing::SeriesOf(3, Picture{});
    ws.pictureCount = 3;
    ws.framesRead = 3;
    ClearPictureList(ws);
    EXPECT_TRUE(ws.pictures.empty());
    EXPECT_EQ(ws.pictures.inputCount(), 0);
    EXPECT_EQ(ws.pictureCount, 0);
    EXPECT_EQ(ws.framesRead, 0);
    // Nothing loaded is no input picture, which the quality graph tells
    // apart from pictures without scores.
    EXPECT_EQ(InputPictureCount(ws), 0);
    EXPECT_FALSE(IsLoadedPicture(ws, 0)) << "no result either";
}

}  // namespace
}  // namespace quivane
