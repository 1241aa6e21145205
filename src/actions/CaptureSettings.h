#pragma once

#include "prepare/Debayer.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// How the next load reads a capture's colour mosaic.
void SetBayerChoice(Workspace& ws, Ui& ui, BayerChoice choice);

// The memory the pictures of the next load may take, in MiB; kept within the
// default and what the machine has. The picture limit follows at once.
void SetPictureMemory(Workspace& ws, Ui& ui, int memoryMiB);

}  // namespace quivane
