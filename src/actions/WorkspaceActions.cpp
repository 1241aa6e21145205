#include "actions/WorkspaceActions.h"

#include "image/PictureMemory.h"
#include "image/PixelHelpers.h"
#include "actions/ControlHandlers.h"
#include "workspace/StageControls.h"

namespace quivane {

void FormCreate(Workspace& ws, Ui& ui)
{
    using enum ControlId;
    const Controls& c = ws.controls;

    MakeDefaultPSFBitmap(ws.kernelBitmap);
    ws.kernels = DefaultKernelSlots();

    ws.inputView = Bitmap24();
    ws.resultView = Bitmap24();

    ws.enlargement = 2;  // set directly, not read from its control
    ws.referencePicture = 0;
    ws.calculation.combineParameter = 0;
    // Every stage's switch and parameters start as their controls show them.
    for (const StageControl& binding : StageControls())
        ApplyStageControl(ws.calculation.enhancement, binding, c.value(binding.control));
    ws.displayedPicture = c.value(DataPicNrSpinEdit);
    ws.tone.clipFactor = static_cast<double>(c.value(CLAHESpinEdit));
    ws.resultSize = c.value(ResultSizeSpinEdit);

    ResetWorkspaceSize(ws, ui);
    SetBusyControls(ui);

    ws.tone.saturation = c.value(SaturationTrackBar);

    ws.aligning = false;
    ws.mouseHeld = false;
    ws.fullPicture = c.checked(WholeAreaCheckBox);
    ws.claheOn = c.checked(CLAHECheckBox);
    ws.biasGainOn = c.checked(BiasGainCheckBox);
    ws.map0255On = c.checked(Map0255CheckBox);
    ws.lookupTableOn = false;

    LightQualityLamps(ws, ui, c.value(QualityRadioGroup));
}

void ResetWorkspaceSize(Workspace& ws, Ui& ui)
{
    ws.resultWidth = ws.resultSize;
    ws.resultHeight = ws.resultSize * 3 / 4;
    ws.inputWindowSize = Point{ViewBoxWidth, ViewBoxHeight};
    ws.viewOrigin = Point{-1, -1};
    ws.inputView.resize(ws.resultWidth, ws.resultHeight);
    ws.resultView.resize(ws.resultWidth, ws.resultHeight);
    ws.pictureCount = 0;
    ws.maxPictures = ComputeMaxPictures(ws.resultWidth, ws.resultHeight, ws.pictureMemoryMiB);
    ShowPictureCountCaption(ui, ws.pictureCount, ws.maxPictures);
    ShowResultSizeCaption(ui, ws.resultWidth, ws.resultHeight);
    SetControlRange(ws, ui, ControlId::RegisterSpinEdit, 0, 0);
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, 0);
    ui.repaintResultBox();
}

void SyncSettingsFromControls(Workspace& ws, Ui& ui)
{
    using enum ControlId;
    const Controls& c = ws.controls;

    ws.firstLoadPending = false;
    ui.showResultView(ws.resultView);
    ws.tone.saturation = c.value(SaturationTrackBar);
    ui.setText(TextField::SaturationText, "[Saturat. " + std::to_string(ws.tone.saturation) + "%]");
    ws.fullPicture = c.checked(WholeAreaCheckBox);
    ws.claheOn = c.checked(CLAHECheckBox);
    // The stages' switches are read again; their parameters are not.
    for (const StageControl& binding : StageControls())
        if (binding.isSwitch()) ApplyStageControl(ws.calculation.enhancement, binding, c.value(binding.control));
    // The radio groups keep showing whatever the user chose.
    ws.calculation.combineMethod = CombineMethod::Mean;
    ws.showMode = 0;
    ResetWorkspaceSize(ws, ui);
}

void ShowPictureCountCaption(Ui& ui, int count, int maximum)
{
    ui.setText(TextField::InputCaption,
               "Input pictures [" + std::to_string(count) + " of " + std::to_string(maximum) + "]");
}

void ShowResultSizeCaption(Ui& ui, int width, int height)
{
    ui.setText(TextField::ResultCaption,
               "Result  [" + std::to_string(width) + "x" + std::to_string(height) + " pixels]");
}

void SetBusyControls(Ui& ui)
{
    for (ActionButton b :
         {ActionButton::Calculate, ActionButton::Save, ActionButton::SaveAs, ActionButton::Go, ActionButton::Stop}) {
        ui.setActionEnabled(b, false);
    }
}

void SetReadyControls(Ui& ui)
{
    for (ActionButton b : {ActionButton::Calculate, ActionButton::Save, ActionButton::SaveAs, ActionButton::Go}) {
        ui.setActionEnabled(b, true);
    }
    ui.setActionEnabled(ActionButton::Stop, false);
}

void InitProgress(Ui& ui, int minimum, int maximum, int position, const std::string& text)
{
    ui.setProgressMaximum(maximum);
    ui.setProgressMinimum(minimum);
    ui.setProgressPosition(position);
    if (!text.empty()) ui.setStatusText(text);
}

void ShowProgress(Ui& ui, int position, const std::string& text)
{
    ui.setProgressPosition(position);
    if (!text.empty()) ui.setStatusText(text);
}

bool TakeAbortRequest(Workspace& ws)
{
    const bool requested = ws.abortRequested;
    ws.abortRequested = false;
    return requested;
}

}  // namespace quivane
