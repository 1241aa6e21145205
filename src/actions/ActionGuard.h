#pragma once

#include <exception>
#include <string>

#include "workspace/Ui.h"

namespace quivane {

// Every user action runs under this guard: an arithmetic or range error
// abandons the action and is shown in the error box, and the program goes on.
template <class Action>
void RunGuarded(Ui& ui, Action action)
{
    try {
        action();
    } catch (const std::exception& error) {
        ui.showError(error.what());
    }
}

}  // namespace quivane
