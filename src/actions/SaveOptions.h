#pragma once

#include <array>
#include <string>

#include "output/SaveFormat.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// One way of saving the result, as the Save As dialog's filter and the
// menu of "&Save" offer it.
struct SaveOption {
    const char* caption;   // "PNG, 16 bits a channel"
    const char* patterns;  // "*.png"
    SaveChoice choice;
};

// Bitmap first: it is what both saves write unless the user asks otherwise.
const std::array<SaveOption, 7>& SaveOptions();

// The Save As dialog's filter: every option as "Caption (patterns)|patterns".
std::string SaveDialogFilter();

// What a save under `path` writes: the format the name's extension asks for
// (a name the formats do not know is a bitmap) at the depth of the filter
// chosen with it, or the deepest below that the format holds; 8 bits when
// the dialog could not tell the filter.
SaveChoice ChoiceForSave(const std::string& path, int filter);

// The option a save dialog proposing `name` shows first: `preferred` when
// the name's format is its format, else the first option of that format.
int SaveOptionFor(const std::string& name, SaveChoice preferred);

// "&Save" writes this format and depth from now on; its caption names the
// next file.
void SetAutomaticSaveChoice(Workspace& ws, Ui& ui, SaveChoice choice);

}  // namespace quivane
