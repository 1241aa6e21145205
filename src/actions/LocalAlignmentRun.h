#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The Options menu's "Local alignment": from the next automatic alignment
// on, alignment points are placed and measured after the global search, and
// the calculation stacks them. Switching it off leaves the plan unused.
void SetLocalAlignment(Workspace& ws, Ui& ui, bool on);

// The points' box size (0: from the working size and enlargement; else held
// within the box sizes, even) and the share each point keeps (1..100 %).
// Both take effect at the next automatic alignment or calculation.
void SetLocalBoxSize(Workspace& ws, Ui& ui, int size);
void SetLocalKeep(Workspace& ws, Ui& ui, int percent);

// Places and measures the alignment points on the globally aligned pictures,
// picture by picture in the progress bar, letting events run after each so
// that Stop or Escape gives up (the plan then stays empty). False when given
// up.
bool AlignLocallyAfterSearch(Workspace& ws, Ui& ui);

// The reference with the plan's points in the input box, or a word in the
// status line that too few points were found.
void ShowAlignmentPoints(Workspace& ws, Ui& ui);

}  // namespace quivane
