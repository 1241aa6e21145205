#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The "A&VI" button: asks for a video and reads its frames in order, each
// prepared and shown as it comes, up to the picture limit or Escape.
void LoadAVIButtonClick(Workspace& ws, Ui& ui);

}  // namespace quivane
