#include "workspace/Controls.h"

namespace quivane {
namespace {

ControlState CheckBox() { return ControlState{0, 0, 1, 1, true, true}; }
ControlState RadioGroup(int items, int start = 0) { return ControlState{start, 0, items - 1, 1, true, true}; }
ControlState Spin(int minimum, int maximum, int step, int start, bool enabled = true)
{
    return ControlState{start, minimum, maximum, step, enabled, true};
}

}  // namespace

Controls::Controls()
{
    using enum ControlId;
    auto& s = *this;
    s[WholeAreaCheckBox] = CheckBox();
    s[ResampleSpinEdit] = Spin(1, 6, 1, 2);
    s[RegisterRadioGroup] = RadioGroup(2);
    s[RegisterSpinEdit] = Spin(0, 0, 1, 0);
    s[HorScrollBar] = Spin(-64, 64, 8, 0);
    s[VerScrollBar] = Spin(-64, 64, 8, 0);
    s[CombineRadioGroup] = RadioGroup(4);
    s[CombineSpinEdit] = Spin(0, 252, 4, 0);
    s[CombineSpinEdit].visible = false;  // hidden while "Mean" is chosen
    s[UmaCheckBox] = CheckBox();
    s[UmaStrengthSpinEdit] = Spin(0, 16, 1, 3);
    s[DecCheckBox] = CheckBox();
    s[DecRadioGroup] = RadioGroup(2);
    s[DecIterationsSpinEdit] = Spin(1, 16, 1, 1);
    s[ConCheckBox] = CheckBox();
    s[DataPicNrSpinEdit] = Spin(1, 1, 1, 1);
    s[QualityRadioGroup] = RadioGroup(4, 2);
    s[ShowResultRadioGroup] = RadioGroup(4);
    s[SaturationTrackBar] = Spin(0, 400, 5, 100);
    s[ResultSizeSpinEdit] = Spin(64, 768, 64, 192);
    s[AutosizeCheckBox] = CheckBox();
    s[BiasGainCheckBox] = CheckBox();
    s[BIASSpinEdit] = Spin(2, 254, 2, 128, false);
    s[GAINSpinEdit] = Spin(2, 254, 2, 128, false);
    s[TableMappingCheckBox] = CheckBox();
    s[CLAHECheckBox] = CheckBox();
    s[CLAHESpinEdit] = Spin(0, 16, 1, 2);
    s[Map0255CheckBox] = CheckBox();
}

int ClampToRange(const ControlState& state, int value)
{
    if (value > state.maximum) value = state.maximum;
    if (value < state.minimum) value = state.minimum;
    return value;
}

}  // namespace quivane
