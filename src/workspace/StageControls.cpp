#include "workspace/StageControls.h"

namespace quivane {
namespace {

constexpr StageControl Bindings[] = {
    {ControlId::UmaCheckBox, EnhancementStageId::UnsharpMask, StageSwitch},
    {ControlId::UmaStrengthSpinEdit, EnhancementStageId::UnsharpMask, 0},
    {ControlId::DecCheckBox, EnhancementStageId::Deconvolution, StageSwitch},
    {ControlId::DecRadioGroup, EnhancementStageId::Deconvolution, 0},
    {ControlId::DecIterationsSpinEdit, EnhancementStageId::Deconvolution, 1},
    {ControlId::ConCheckBox, EnhancementStageId::Convolution, StageSwitch},
};

}  // namespace

bool StageControl::isSwitch() const { return parameter == StageSwitch; }

const StageParameter& StageControl::declared() const
{
    return StageOf(stage).parameters[static_cast<std::size_t>(parameter)];
}

std::span<const StageControl> StageControls() { return Bindings; }

std::optional<StageControl> StageControlOf(ControlId id)
{
    for (const StageControl& binding : Bindings)
        if (binding.control == id) return binding;
    return std::nullopt;
}

void ApplyStageControl(EnhancementSettings& settings, const StageControl& control, int value)
{
    StageSettings& stage = settings[control.stage];
    if (control.isSwitch())
        stage.on = value != 0;
    else
        stage.values[static_cast<std::size_t>(control.parameter)] = value;
}

}  // namespace quivane
