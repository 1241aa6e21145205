#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// "Co&rrect": asks in turn for a flat field, a dark frame and any bitmap to
// switch the row-shift fix on for videos; each cancelled dialog leaves its
// correction off, so cancelling all three switches every correction off.
void LoadCorrectionBMPbuttonClick(Workspace& ws, Ui& ui);

}  // namespace quivane
