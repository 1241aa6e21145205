#include "workspace/Controls.h"

#include "pipeline/SettingRanges.h"
#include "workspace/StageControls.h"

namespace quivane {
namespace {

constexpr ControlDeclaration CheckBox() { return ControlDeclaration{ControlKind::CheckBox, 0, 1, 1, 0}; }
constexpr ControlDeclaration RadioGroup(int items, int start = 0)
{
    return ControlDeclaration{ControlKind::RadioGroup, 0, items - 1, 1, start};
}
constexpr ControlDeclaration Spin(int minimum, int maximum, int step, int start)
{
    return ControlDeclaration{ControlKind::SpinEdit, minimum, maximum, step, start};
}
constexpr ControlDeclaration Spin(const SettingRange& r) { return Spin(r.minimum, r.maximum, r.step, r.start); }

// A stage's switch is a check box, a closed choice a radio group, a number a
// spin edit, each with the stage's own range.
ControlDeclaration StageControlDeclaration(const StageControl& binding)
{
    if (binding.isSwitch()) return CheckBox();
    const StageParameter& p = binding.declared();
    return p.choices.empty() ? Spin(p.range) : RadioGroup(static_cast<int>(p.choices.size()), p.range.start);
}
constexpr ControlDeclaration Disabled(ControlDeclaration d)
{
    d.enabled = false;
    return d;
}
constexpr ControlDeclaration Hidden(ControlDeclaration d)
{
    d.visible = false;
    return d;
}

}  // namespace

ControlDeclaration DeclarationOf(ControlId id)
{
    using enum ControlId;
    if (const auto binding = StageControlOf(id)) return StageControlDeclaration(*binding);
    switch (id) {
    case WholeAreaCheckBox: return CheckBox();
    case ResampleSpinEdit: return Spin(EnlargementRange);
    case RegisterRadioGroup: return RadioGroup(2);
    case RegisterSpinEdit: return Spin(0, 0, 1, 0);  // the range follows the pictures loaded
    case HorScrollBar:
    case VerScrollBar: return ControlDeclaration{ControlKind::ScrollBar, -64, 64, 8, 0};
    case CombineRadioGroup: return RadioGroup(static_cast<int>(CombineMethodList().size()));
    case CombineSpinEdit: return Hidden(Spin(CombineParameterRange));  // hidden while "Mean" is chosen
    case DataPicNrSpinEdit: return Spin(1, 1, 1, 1);  // the range follows the pictures loaded
    case QualityRadioGroup: return RadioGroup(4, 2);
    case ShowResultRadioGroup: return RadioGroup(DisplayModeRange.maximum + 1);
    case SaturationTrackBar:
        return ControlDeclaration{ControlKind::TrackBar, SaturationRange.minimum, SaturationRange.maximum, 5,
                                  SaturationRange.start};
    case ResultSizeSpinEdit: return Spin(WorkingWidthRange);
    case AutosizeCheckBox: return CheckBox();
    case BiasGainCheckBox: return CheckBox();
    case BIASSpinEdit:
    case GAINSpinEdit: return Disabled(Spin(BiasGainRange));
    case TableMappingCheckBox: return CheckBox();
    case CLAHECheckBox: return CheckBox();
    case CLAHESpinEdit: return Spin(ClaheClipRange);
    case Map0255CheckBox: return CheckBox();
    // Stage controls are declared by their stage, above.
    default: break;
    }
    return CheckBox();
}

bool AcceptsValue(const ControlDeclaration& d, int value)
{
    // Only a spin edit's arrows keep to whole steps; a bar or group takes any
    // value of its range.
    const SettingRange range{d.minimum, d.maximum, d.kind == ControlKind::SpinEdit ? d.step : 1, d.start};
    return range.accepts(value);
}

std::optional<std::string> TypedValueRefusal(ControlId id, const ControlState& state, int value)
{
    const ControlDeclaration d = DeclarationOf(id);
    const std::string range = std::to_string(state.minimum) + ".." + std::to_string(state.maximum);
    if (value < state.minimum || value > state.maximum)
        return std::to_string(value) + " is not taken: the box holds " + range;
    if ((value - d.start) % d.step != 0)
        return std::to_string(value) + " is not taken: the box holds " + range + " in steps of " +
               std::to_string(d.step);
    return std::nullopt;
}

Controls::Controls()
{
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const ControlDeclaration d = DeclarationOf(static_cast<ControlId>(i));
        states_[i] = ControlState{d.start, d.minimum, d.maximum, d.step, d.enabled, d.visible};
    }
}

int ClampToRange(const ControlState& state, int value)
{
    if (value > state.maximum) value = state.maximum;
    if (value < state.minimum) value = state.minimum;
    return value;
}

}  // namespace quivane
