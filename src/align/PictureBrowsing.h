#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// Renders input picture n, read through its offsets, into the input box.
// Does nothing when the list holds no such picture.
void ShowInputPicture(Workspace& ws, Ui& ui, int n);

// The picture-number spin edit changed: shows that picture and loads its
// quality mark and offsets into the controls.
void PictureNumberChanged(Workspace& ws, Ui& ui);

}  // namespace quivane
