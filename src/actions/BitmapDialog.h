#pragma once

#include <optional>
#include <string>

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// Who asks the one bitmap-open dialog that the sequence, kernel and
// correction buttons share. Once a kernel or correction file has been asked
// for, the dialog keeps the "Windows bitmaps" filter for every later use.
enum class BitmapDialogUse { Sequence, KernelOrCorrection };

// Shows the shared dialog, opened where a dialog of `kind` starts, and
// remembers the file it holds; the full path of the chosen file, or nothing
// when cancelled.
std::optional<std::string> AskBitmapFile(Workspace& ws, Ui& ui, BitmapDialogUse use, const std::string& title,
                                         FileDialogKind kind);

}  // namespace quivane
