#include "actions/ControlHandlers.h"

#include <algorithm>
#include <string>

#include "actions/ManualAlignment.h"
#include "actions/PictureBrowsing.h"
#include "actions/ResultViewActions.h"
#include "tone/Clahe.h"
#include "workspace/StageControls.h"

namespace quivane {
namespace {

// The caption beside the combine methods, by method.
const char* CombineText(CombineMethod method)
{
    switch (method) {
    case CombineMethod::Mean: return "mean values";
    case CombineMethod::Median: return "0=median .. 127=mean";
    case CombineMethod::MinMax: return "minimum or maximum";
    case CombineMethod::Multiply: return "multiply pictures";
    }
    return "";
}

void CombineMethodChosen(Workspace& ws, Ui& ui, int item)
{
    // The group has an item for every method and no other.
    if (const auto method = CombineMethodAt(item)) {
        const CombineMethodDeclaration& chosen = DeclarationOf(*method);
        ws.calculation.combineMethod = *method;
        ui.setText(TextField::CombineText, CombineText(*method));
        if (chosen.usesParameter) SetControlValue(ws, ui, ControlId::CombineSpinEdit, chosen.startParameter);
        ControlState& spin = ws.controls[ControlId::CombineSpinEdit];
        spin.visible = chosen.usesParameter;
        ui.showControl(ControlId::CombineSpinEdit, spin);
    }
    // "Mean" does not use the parameter but still takes the hidden value.
    ws.calculation.combineParameter = ws.controls.value(ControlId::CombineSpinEdit);
}

void QualityMarkChosen(Workspace& ws, Ui& ui, int mark)
{
    ws.displayedPicture = ws.controls.value(ControlId::DataPicNrSpinEdit);
    if (ws.displayedPicture >= 1 && IsLoadedPicture(ws, ws.displayedPicture)) {
        ws.pictures.at(ws.displayedPicture).quality = mark;
    }
    LightQualityLamps(ws, ui, mark);
    ui.showSelection();
}

void SaturationMoved(Workspace& ws, Ui& ui, int position)
{
    ws.tone.saturation = position;
    ui.setText(TextField::SaturationText, "[Saturat. " + std::to_string(position) + "%]");
    // The grey of mode 0 does not depend on the saturation.
    if (ws.showMode >= 1 && ws.showMode <= 3) RefreshResultView(ws, ui);
}

void BiasGainToggled(Workspace& ws, Ui& ui, bool on)
{
    ws.biasGainOn = on;
    SetControlEnabled(ws, ui, ControlId::BIASSpinEdit, on);
    SetControlEnabled(ws, ui, ControlId::GAINSpinEdit, on);
    RefreshResultView(ws, ui);
}

// Runs `change`, then redraws the result with the new display setting.
template <class Change>
void ChangeDisplay(Workspace& ws, Ui& ui, Change change)
{
    change();
    RefreshResultView(ws, ui);
}


void RunChangeHandler(Workspace& ws, Ui& ui, ControlId id, int value)
{
    using enum ControlId;
    if (const auto binding = StageControlOf(id)) {
        ApplyStageControl(ws.calculation.enhancement, *binding, value);
        return;
    }
    switch (id) {
    case WholeAreaCheckBox: ws.fullPicture = value != 0; break;
    case ResampleSpinEdit: ws.enlargement = value; break;
    case RegisterSpinEdit: ws.referencePicture = std::min(value, ws.pictureCount); break;
    case CombineRadioGroup: CombineMethodChosen(ws, ui, value); break;
    case CombineSpinEdit: ws.calculation.combineParameter = value; break;
    case QualityRadioGroup: QualityMarkChosen(ws, ui, value); break;
    case ShowResultRadioGroup: ChangeDisplay(ws, ui, [&] { ws.showMode = value; }); break;
    case SaturationTrackBar: SaturationMoved(ws, ui, value); break;
    case ResultSizeSpinEdit: ws.resultSize = value; break;
    case AutosizeCheckBox: ChangeDisplay(ws, ui, [&] { ui.repaintResultBox(); }); break;
    case BiasGainCheckBox: BiasGainToggled(ws, ui, value != 0); break;
    case BIASSpinEdit: ChangeDisplay(ws, ui, [&] { ws.tone.biasLevel = value; }); break;
    case GAINSpinEdit: ChangeDisplay(ws, ui, [&] { ws.tone.gainLevel = value; }); break;
    // Toggles rather than copies the box's state.
    case TableMappingCheckBox: ChangeDisplay(ws, ui, [&] { ws.lookupTableOn = !ws.lookupTableOn; }); break;
    case CLAHECheckBox: ChangeDisplay(ws, ui, [&] { ws.claheOn = value != 0; }); break;
    case CLAHESpinEdit: ws.tone.clipFactor = ClaheClipFactor(value); break;
    case Map0255CheckBox: ChangeDisplay(ws, ui, [&] { ws.map0255On = value != 0; }); break;
    case DataPicNrSpinEdit: PictureNumberChanged(ws, ui); break;
    case HorScrollBar:
    case VerScrollBar: ScrollBarChanged(ws, ui, id); break;
    // Read by Go, the mouse and double-click when they act, not stored.
    case RegisterRadioGroup: break;
    // The stages' controls are handled above.
    default: break;
    }
}

}  // namespace

void ControlChanged(Workspace& ws, Ui& ui, ControlId id, int value)
{
    ws.controls[id].value = value;
    RunChangeHandler(ws, ui, id, value);
}

void ControlTyped(Workspace& ws, Ui& ui, ControlId id, int value)
{
    if (const auto refusal = TypedValueRefusal(id, ws.controls[id], value)) {
        ui.setStatusText(*refusal);
        ui.showControl(id, ws.controls[id]);
        return;
    }
    SetControlValue(ws, ui, id, value);
}

void SetControlValue(Workspace& ws, Ui& ui, ControlId id, int value)
{
    ControlState& state = ws.controls[id];
    const int clamped = ClampToRange(state, value);
    if (clamped == state.value) return;
    state.value = clamped;
    ui.showControl(id, state);
    RunChangeHandler(ws, ui, id, clamped);
}

void ShowControlValue(Workspace& ws, Ui& ui, ControlId id, int value)
{
    ControlState& state = ws.controls[id];
    state.value = ClampToRange(state, value);
    ui.showControl(id, state);
}

void SetAndApplyControl(Workspace& ws, Ui& ui, ControlId id, int value)
{
    ShowControlValue(ws, ui, id, value);
    RunChangeHandler(ws, ui, id, ws.controls.value(id));
}

void SetControlRange(Workspace& ws, Ui& ui, ControlId id, int minimum, int maximum)
{
    ControlState& state = ws.controls[id];
    state.maximum = maximum;
    state.minimum = std::min(minimum, maximum);
    state.value = ClampToRange(state, state.value);
    ui.showControl(id, state);
}

void SetControlEnabled(Workspace& ws, Ui& ui, ControlId id, bool enabled)
{
    ControlState& state = ws.controls[id];
    state.enabled = enabled;
    ui.showControl(id, state);
}

void LightQualityLamps(Workspace& ws, Ui& ui, int mark)
{
    ui.lightQualityLamps(mark);
    // No item stands for a mark outside 0..3; the group keeps its choice
    // rather than marking the picture with a clamped value.
    if (mark >= QualityDont && mark <= QualityGood) SetControlValue(ws, ui, ControlId::QualityRadioGroup, mark);
}

}  // namespace quivane
