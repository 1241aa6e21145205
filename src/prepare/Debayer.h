#pragma once

#include "image/DeepFrame.h"

namespace quivane {

// Turns a raw colour mosaic (one channel, `pattern` giving the colours of its
// top-left 2 x 2 cell) into a three-channel frame. Green is interpolated
// along the direction of the smaller gradient, so edges do not grow a
// zipper; red and blue are the mean of their nearest neighbours. Borders
// mirror, which keeps every sample's colour. A frame that is already colour,
// or a pattern of None, is returned unchanged.
DeepFrame Debayer(const DeepFrame& mosaic, Mosaic pattern);

}  // namespace quivane
