#pragma once

#include "pipeline/Calculation.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// "-> &Calculate <-": rebuilds the result picture from the input pictures
// with the chosen combine method, then applies each enhancement stage
// switched on to its luminance, showing the result after every stage. An arithmetic or range error ends the run with
// the result as the last completed stage (or iteration) wrote it.
void CalculationRun(Workspace& ws, Ui& ui);

}  // namespace quivane
