#pragma once

#include "enhance/Kernel.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The "PSF", "&PSF" and "Filter" buttons: asks for a kernel bitmap (kept in
// the one shared kernel picture), installs it for `kind` when its size is
// right and reports the outcome in the status line. A refused picture keeps
// the previous kernel and the shared picture shows the default X again; a
// cancelled dialog reloads `kind` from whatever the shared picture holds.
// Returns the shared picture, which the button shows as its glyph.
const Bitmap24& AskPSFBitmap(Workspace& ws, Ui& ui, int kind);

}  // namespace quivane
