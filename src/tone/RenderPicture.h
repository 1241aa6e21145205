#pragma once

#include "image/Bitmap.h"
#include "image/Picture.h"
#include "tone/ToneSettings.h"

namespace quivane {

// One byte: the display mode in the low four bits and a switch per tone stage.
enum RenderFlag : int {
    ModeLuminance = 0,       // grey from the reconstructed colour
    ModeHue = 1,             // chroma only
    ModeFullColour = 2,
    ModeSaturationLevel = 3,
    ModeMask = 15,
    FlagClahe = 16,
    FlagBiasGain = 32,
    FlagMap0255 = 64,
    FlagLookupTable = 128,
};

// How a picture of `sourceSize` pixels is placed along one axis of a target
// of `targetSize`: all of it centred when the target is at least as large,
// else a window of the target's size starting at `requestedStart` (or in the
// middle when that is negative). Rendering and the alignment score share it.
struct Placement {
    int offset;  // first target pixel
    int start;   // first source pixel
    int count;
};
Placement PlaceAxis(int sourceSize, int targetSize, int requestedStart);

// Turns a picture into a 24-bit bitmap of any size (after equalising its
// luminance with CLAHE when FlagClahe asks for it): a smaller target gets the
// window starting at (startX, startY), or the middle when a start is -1; a
// larger one gets the picture centred and its margins untouched. The
// picture's offsets are honoured with edge pixels repeating. The enabled tone
// stages map the luminance (gain, then bias; lookup table; 15..240), then the
// display mode builds the colour.
void RenderPicture(Picture& picture, Bitmap24& target, int startX, int startY, int flags,
                   const ToneSettings& tone);

}  // namespace quivane
