#pragma once

#include "pipeline/Calculation.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The calculation settings as the workspace holds them.
CalculationSettings CurrentCalculationSettings(const Workspace& ws);

// "-> &Calculate <-": rebuilds the result picture from the input pictures
// with the chosen combine method, then, each when switched on, unsharp
// masking, deconvolution and convolution of its luminance, showing the
// result after every stage. An arithmetic or range error ends the run with
// the result as the last completed stage (or iteration) wrote it.
void CalculationRun(Workspace& ws, Ui& ui);

}  // namespace quivane
