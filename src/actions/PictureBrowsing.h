#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// Renders input picture n, read through its offsets, into the input box;
// while aligning, as an overlay on the reference with the mismatch score in
// the status line (with a bad frame's fault after it) and as the progress
// gauge. Does nothing when the list
// holds no such picture.
void ShowInputPicture(Workspace& ws, Ui& ui, int n);

// The scroll bars show a picture's offset as nearly as their -64..64 allows;
// showing never writes the offset back, so a larger offset survives browsing.
void ShowOffsetOnScrollBars(Workspace& ws, Ui& ui, const Picture& picture);

// Takes the shown picture's number from its spin edit (cut to N) into
// DisplayedPicture; the picture, or nothing when none is loaded.
Picture* ShownPicture(Workspace& ws);

// The picture-number spin edit changed: shows that picture and loads its
// quality mark and offsets into the controls; a bad frame's reason goes to
// the status line (outside alignment).
void PictureNumberChanged(Workspace& ws, Ui& ui);

// Browses to input picture n, as the picture-number spin edit does (kept in
// its range); for windows that show the pictures another way.
void BrowseToPicture(Workspace& ws, Ui& ui, int n);

}  // namespace quivane
