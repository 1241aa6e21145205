#pragma once

#include "image/Bitmap.h"
#include "image/Picture.h"
#include "image/Placement.h"
#include "tone/ToneSettings.h"

namespace quivane {

// One byte: the display mode in the low four bits and a switch per tone stage.
enum RenderFlag : int {
    ModeLuminance = 0,       // grey from the reconstructed colour
    ModeHue = 1,             // chroma only
    ModeFullColour = 2,
    ModeSaturationLevel = 3,
    ModeMask = 15,
    FlagBiasGain = 32,
    FlagMap0255 = 64,
    FlagLookupTable = 128,
};

// Turns a picture into a 24-bit bitmap of any size: a smaller target gets the
// window starting at (startX, startY), or the middle when a start is -1; a
// larger one gets the picture centred and its margins untouched. The
// picture's offsets are honoured with edge pixels repeating. The enabled tone
// stages map the luminance (gain, then bias; lookup table; 15..240), then the
// display mode builds the colour.
void RenderPicture(const Picture& picture, Bitmap24& target, int startX, int startY, int flags,
                   const ToneSettings& tone);

}  // namespace quivane
