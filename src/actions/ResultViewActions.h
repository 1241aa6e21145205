#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The flags the result box and saved files are rendered with.
int CurrentRenderFlags(const Workspace& ws);

// Renders the result picture (which must exist) into the result view with
// the display settings, equalising it first when CLAHE is asked for.
void RenderResult(Workspace& ws);

// Renders the result picture into the result box with the display settings;
// CLAHE is a one-shot request, so its box is unticked afterwards in any case.
void RefreshResultView(Workspace& ws, Ui& ui);

// The "Load L&UT" button: starts from the identity, asks for a .lut file and
// reads it; the table is not switched on by loading.
void LUTButtonClick(Workspace& ws, Ui& ui);

}  // namespace quivane
