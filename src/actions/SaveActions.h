#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// "&Save": writes the result as shown into the result folder under the next
// automatic name. The counter only moves on when the file was written.
void SaveButtonClick(Workspace& ws, Ui& ui);

// "Save &As": asks for a name and folder and writes the result as shown
// there; the automatic counter is left alone, but later automatic saves go to
// the folder chosen here.
void SaveAsButtonClick(Workspace& ws, Ui& ui);

}  // namespace quivane
