#pragma once

#include <cstddef>

namespace quivane {

// The program's file dialogs, told apart so that each can open where it was
// last used, in this run or an earlier one.
enum class FileDialogKind { Bitmaps, Video, Kernel, Correction, LookupTable, SaveResult };
constexpr std::size_t FileDialogKindCount = 6;

}  // namespace quivane
