#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The keys the window handles before any control sees them. The number-pad
// digits arrive as such only while Num Lock is on.
enum class WindowKey { Escape, PageUp, PageDown, Pad9, Pad3, Pad8, Pad2, Pad6, Pad4, F1, F2, F3, F4 };

// Escape asks a running load or search to stop; Page Up/Down and number-pad
// 9/3 browse; number-pad 8/2/6/4 nudge the shown picture one pixel; F1..F4
// mark it "Dont", "Bad", "Avg", "Good".
void FormKeyDown(Workspace& ws, Ui& ui, WindowKey key);

}  // namespace quivane
