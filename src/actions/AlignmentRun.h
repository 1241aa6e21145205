#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// "&Go!": starts manual alignment, or runs the automatic search and stops,
// by the "Aligning method" group.
void GoButtonClick(Workspace& ws, Ui& ui);

// "Sto&p!": ends alignment and shows the picture without the overlay.
void StopButtonClick(Workspace& ws, Ui& ui);

}  // namespace quivane
