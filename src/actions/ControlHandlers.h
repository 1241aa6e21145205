#pragma once

#include "workspace/Controls.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The user changed a control: the mirror takes the new value and the
// control's change handler runs.
void ControlChanged(Workspace& ws, Ui& ui, ControlId id, int value);

// The user typed a number into a spin edit and confirmed it (Enter, or
// leaving the box). A number the arrows could reach is taken as if they had
// reached it; any other is refused with the reason in the status line, and
// the box shows its value again.
void ControlTyped(Workspace& ws, Ui& ui, ControlId id, int value);

// The program sets a control: the value is kept inside the control's range,
// shown, and, as a toolkit does, the change handler runs when the value
// actually changed.
void SetControlValue(Workspace& ws, Ui& ui, ControlId id, int value);

// The program shows a value on a control (kept in its range) without running
// its handler: what is shown is not a choice the user made.
void ShowControlValue(Workspace& ws, Ui& ui, ControlId id, int value);

// Sets a control and runs its handler whether or not the value changed.
void SetAndApplyControl(Workspace& ws, Ui& ui, ControlId id, int value);

// New range of a spin edit; a maximum below the minimum pulls the minimum
// down with it, and the value is kept inside. No handler runs.
void SetControlRange(Workspace& ws, Ui& ui, ControlId id, int minimum, int maximum);

void SetControlEnabled(Workspace& ws, Ui& ui, ControlId id, bool enabled);

// Lights the lamp of `mark` and selects it in the quality group, which marks
// the shown picture when the group's item changes.
void LightQualityLamps(Workspace& ws, Ui& ui, int mark);

}  // namespace quivane
