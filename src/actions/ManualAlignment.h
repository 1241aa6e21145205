#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The user moved a scroll bar (or a number-pad key did): the shown picture's
// Dx (horizontal) or Dy (vertical) becomes the bar's position.
void ScrollBarChanged(Workspace& ws, Ui& ui, ControlId bar);

// Double-click on the input box: the next picture, 1 after N ("Manual" only).
void InputPicImageDoubleClick(Workspace& ws, Ui& ui);

// Mouse on the input box, in window pixels (0..191, 0..143). While aligning
// by hand the picture follows the mouse; otherwise a click on a picture
// larger than the window chooses the 192 x 144 region the search compares.
void InputPicImageMouseDown(Workspace& ws, Ui& ui, int x, int y);
void InputPicImageMouseMove(Workspace& ws, Ui& ui, int x, int y);
void InputPicImageMouseUp(Workspace& ws, Ui& ui, int x, int y);

}  // namespace quivane
