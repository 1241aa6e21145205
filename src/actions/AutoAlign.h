#pragma once

#include "align/OffsetSearch.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The search's settings as the window holds them: reference, compared
// region, saturation and the resample spin edit's enlargement.
AlignmentSettings CurrentAlignmentSettings(const Workspace& ws);

// Searches the offset of every input picture against the reference, showing
// each picture compared with it and the result in the status line. Stop or
// Escape ends the run after the picture in hand.
void AutoAlign(Workspace& ws, Ui& ui);

}  // namespace quivane
