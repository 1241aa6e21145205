#pragma once

#include <string>

#include "workspace/FileDialogKind.h"
#include "workspace/Workspace.h"

namespace quivane {

// The folder a dialog of `kind` opens in: where it was last used in an
// earlier run, while that folder exists and no choice of this run has moved
// the working folder the dialog shares; otherwise that working folder.
std::string DialogStartFolder(const Workspace& ws, FileDialogKind kind);

// A file was chosen in a dialog of `kind`: the working folder the dialog
// shares follows it, and the dialog is remembered to have been used there.
void FollowDialogChoice(Workspace& ws, FileDialogKind kind, const std::string& path);

}  // namespace quivane
