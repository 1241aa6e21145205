#pragma once

#include "image/Bitmap.h"
#include "workspace/Workspace.h"

namespace quivane {

// Bits of the correction flags.
enum CorrectionFlag : int {
    CorrectFlatField = 1,
    CorrectDarkFrame = 2,
    ShiftFixChosen = 4,
    ShiftFixActive = 8,  // set for video loads only
};

// Subtracts the dark frame from the flat field over their common area. A
// common area of one column or one row switches every correction off.
void SubtractDarkFromFlat(CorrectionState& correction);

// The mean level of each channel of the flat field (offset by 1, so a black
// field gives 0; a field one pixel wide or high gives 1).
void MeasureFlatField(CorrectionState& correction);

// Corrects a frame in place: rows rotated left by 255 pixels when the shift
// fix is active, the dark frame subtracted, each channel scaled by the flat
// field's mean over its local value, clamped. Only the area common to the
// frame and the correction bitmaps in use is changed.
void CorrectFrame(const CorrectionState& correction, Bitmap24& frame);

}  // namespace quivane
