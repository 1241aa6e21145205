#pragma once

#include "image/DeepFrame.h"

namespace quivane {

// What the user says of a capture's colour mosaic: take the file's word,
// treat the frames as grey, or read them with one pattern.
enum class BayerChoice { Auto, None, RGGB, GRBG, GBRG, BGGR };

// The mosaic to debayer a frame with, given the choice and what the file said.
Mosaic ChosenMosaic(BayerChoice choice, Mosaic fromFile);

// Turns a raw colour mosaic (one channel, `pattern` giving the colours of its
// top-left 2 x 2 cell) into a three-channel frame. Green is interpolated
// along the direction of the smaller gradient, so edges do not grow a
// zipper; red and blue are the mean of their nearest neighbours. Borders
// mirror, which keeps every sample's colour. A frame that is already colour,
// or a pattern of None, is returned unchanged.
DeepFrame Debayer(const DeepFrame& mosaic, Mosaic pattern);

}  // namespace quivane
