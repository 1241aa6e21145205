#pragma once

#include <iosfwd>

#include "batch/BatchOptions.h"

namespace quivane {

enum BatchExit : int { BatchWritten = 0, BatchProcessingError = 1, BatchRefused = 2 };

// Runs the window's actions in the window's order with the options given:
// load, marks and offsets, alignment, calculation run, CLAHE once, render
// with the display settings, write. Messages go to `errors`, offsets asked
// for to `out`, and the status line to `progress` when one is given.
BatchExit RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& errors, std::ostream* progress);

}  // namespace quivane
