#pragma once

#include <optional>
#include <span>

#include "enhance/EnhancementStages.h"
#include "workspace/Controls.h"

namespace quivane {

// A control that stands for an enhancement stage's switch or one of its
// parameters: the window's own controls mapped onto the stage list.
struct StageControl {
    ControlId control;
    EnhancementStageId stage;
    int parameter;  // an index into the stage's parameters, or StageSwitch

    bool isSwitch() const;
    const StageParameter& declared() const;  // for a parameter only
};
constexpr int StageSwitch = -1;

std::span<const StageControl> StageControls();

std::optional<StageControl> StageControlOf(ControlId id);

// Sets what the control stands for to the control's value.
void ApplyStageControl(EnhancementSettings& settings, const StageControl& control, int value);

}  // namespace quivane
