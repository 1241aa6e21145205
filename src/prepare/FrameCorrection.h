#pragma once

#include <array>

#include "image/Bitmap.h"
#include "image/DeepFrame.h"

namespace quivane {

// Frame corrections in force: bit 1 flat field, 2 dark frame, 4 row-shift fix
// chosen, 8 row-shift fix active for the current video load.
struct CorrectionState {
    int flags = 0;
    Bitmap24 darkFrame;
    Bitmap24 flatField;
    std::array<int, 3> flatMean = {128, 128, 128};
    // The same at full depth (three channels, red first), for frames of
    // more than 8 bits, or for every frame once a correction file has them.
    DeepFrame deepDark;
    DeepFrame deepFlat;
    std::array<int, 3> deepFlatMean = {32768, 32768, 32768};  // red, green, blue
    bool deepFiles = false;
};

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

// Keeps a flat field or dark frame (`kind` CorrectFlatField or
// CorrectDarkFrame) for both depths.
void SetCorrectionFrame(CorrectionState& correction, CorrectionFlag kind, const DeepFrame& frame);

// Makes the chosen corrections ready for use: the dark frame subtracted from
// the flat field when both are chosen, then the flat field measured.
void FinishCorrection(CorrectionState& correction);

// Corrects a frame in place: rows rotated left by 255 pixels when the shift
// fix is active, the dark frame subtracted, each channel scaled by the flat
// field's mean over its local value, clamped. Only the area common to the
// frame and the correction bitmaps in use is changed.
void CorrectFrame(const CorrectionState& correction, Bitmap24& frame);

// The same at full depth on a three-channel frame.
void CorrectFrame(const CorrectionState& correction, DeepFrame& frame);

}  // namespace quivane
