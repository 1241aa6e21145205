#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The "&BMP" button: asks for the first and the last bitmap of a numbered
// sequence, checks the pair and reads every existing file between them.
void LoadBMPButtonClick(Workspace& ws, Ui& ui);

}  // namespace quivane
