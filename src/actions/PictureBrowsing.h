#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// Renders input picture n, read through its offsets, into the input box;
// while aligning, as an overlay on the reference with the mismatch score in
// the status line and as the progress gauge. Does nothing when the list
// holds no such picture.
void ShowInputPicture(Workspace& ws, Ui& ui, int n);

// The scroll bars show a picture's offset as nearly as their -64..64 allows;
// showing never writes the offset back, so a larger offset survives browsing.
void ShowOffsetOnScrollBars(Workspace& ws, Ui& ui, const Picture& picture);

// Takes the shown picture's number from its spin edit (cut to N) into
// DisplayedPicture; the picture, or nothing when none is loaded.
Picture* ShownPicture(Workspace& ws);

// The picture-number spin edit changed: shows that picture and loads its
// quality mark and offsets into the controls.
void PictureNumberChanged(Workspace& ws, Ui& ui);

}  // namespace quivane
