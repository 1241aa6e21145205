#include "actions/WorkspaceActions.h"

#include "image/PixelHelpers.h"
#include "actions/ControlHandlers.h"

namespace quivane {

void FormCreate(Workspace& ws, Ui& ui)
{
    using enum ControlId;
    const Controls& c = ws.controls;

    MakeDefaultPSFBitmap(ws.PSFBitmap);
    for (int kind : {PsfUnsharpMask, PsfConvolution, PsfDeconvolution}) {
        (void)LoadPSF(ws.PSFBitmap, kind, ws.kernels);  // the default always fits; nothing to report
    }

    ws.InputView = Bitmap24();
    ws.ResultView = Bitmap24();

    ws.Enlargement = 2;  // set directly, not read from its control
    ws.RegisterRef = 0;
    ws.CombineParam = 0;
    ws.UmaStrength = c.value(UmaStrengthSpinEdit);
    ws.DecIterations = c.value(DecIterationsSpinEdit);
    ws.DisplayedPicture = c.value(DataPicNrSpinEdit);
    ws.tone.clipFactor = static_cast<double>(c.value(CLAHESpinEdit));
    ws.ResultSize = c.value(ResultSizeSpinEdit);

    ResetWorkspaceSize(ws, ui);
    SetBusyControls(ui);

    ws.tone.saturation = c.value(SaturationTrackBar);

    ws.Aligning = false;
    ws.MouseHeld = false;
    ws.FullPicture = c.checked(WholeAreaCheckBox);
    ws.ClaheOn = c.checked(CLAHECheckBox);
    ws.BiasGainOn = c.checked(BiasGainCheckBox);
    ws.Map0255On = c.checked(Map0255CheckBox);
    ws.LutOn = false;
    ws.UmaOn = c.checked(UmaCheckBox);
    ws.ConOn = c.checked(ConCheckBox);
    ws.DecOn = c.checked(DecCheckBox);
    ws.DecMethod = c.value(DecRadioGroup);

    LightQualityLamps(ws, ui, c.value(QualityRadioGroup));
}

void ResetWorkspaceSize(Workspace& ws, Ui& ui)
{
    ws.ResultWidth = ws.ResultSize;
    ws.ResultHeight = ws.ResultSize * 3 / 4;
    ws.InputWindowSize = Point{ViewBoxWidth, ViewBoxHeight};
    ws.ViewOrigin = Point{-1, -1};
    ws.InputView.resize(ws.ResultWidth, ws.ResultHeight);
    ws.ResultView.resize(ws.ResultWidth, ws.ResultHeight);
    ws.PictureCount = 0;
    ws.MaxPictures = ComputeMaxPictures(ws.ResultWidth, ws.ResultHeight);
    ShowPictureCountCaption(ui, ws.PictureCount, ws.MaxPictures);
    ShowResultSizeCaption(ui, ws.ResultWidth, ws.ResultHeight);
    SetControlRange(ws, ui, ControlId::RegisterSpinEdit, 0, 0);
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, 0);
    ui.repaintResultBox();
}

void SyncSettingsFromControls(Workspace& ws, Ui& ui)
{
    using enum ControlId;
    const Controls& c = ws.controls;

    ws.FirstLoadPending = false;
    ui.showResultView(ws.ResultView);
    ws.tone.saturation = c.value(SaturationTrackBar);
    ui.setText(TextField::SaturationText, "[Saturat. " + std::to_string(ws.tone.saturation) + "%]");
    ws.FullPicture = c.checked(WholeAreaCheckBox);
    ws.ClaheOn = c.checked(CLAHECheckBox);
    ws.UmaOn = c.checked(UmaCheckBox);
    ws.ConOn = c.checked(ConCheckBox);
    ws.DecOn = c.checked(DecCheckBox);
    // The radio groups keep showing whatever the user chose.
    ws.CombineMethod = 0;
    ws.ShowMode = 0;
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
    const bool requested = ws.AbortRequested;
    ws.AbortRequested = false;
    return requested;
}

}  // namespace quivane
