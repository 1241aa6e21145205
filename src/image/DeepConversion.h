#pragma once

#include "image/Bitmap.h"
#include "image/FrameRows.h"
#include "image/DeepFrame.h"

namespace quivane {

// The frame at 8 bits: the top byte of every sample, which gives 8-bit data
// back exactly. Grey becomes three equal channels; a mosaic is shown as grey.
Bitmap24 ToBitmap24(const DeepFrame& frame);

// A 24-bit frame as a deep one, each channel times 257.
DeepFrame ToDeepFrame(const ColourRows& frame);

// The frame with three channels: grey is copied into each.
DeepFrame ToColour(const DeepFrame& frame);

// The same without a copy for a frame that already has three channels: the
// frame itself, or `widened` filled with its colour version.
const DeepFrame& AsColour(const DeepFrame& frame, DeepFrame& widened);

// True when the frame holds more than 8 bits a sample and so must be
// prepared from its full depth.
inline bool NeedsDeepPath(const DeepFrame& frame) { return frame.bits > 8; }

}  // namespace quivane
