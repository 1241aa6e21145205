#pragma once

#include <cstdint>
#include <vector>

#include "image/LevelPicture.h"
#include "image/PictureNotes.h"
#include "output/SaveFormat.h"

namespace quivane {

// The bytes of a baseline TIFF file of the picture: little-endian,
// uncompressed, one strip, grey (black is zero) or RGB, 8 or 16 bits a
// channel (a float depth is written as 16), no alpha, 72 dots per inch.
// The Software tag names the program and ImageDescription holds the notes,
// one "name: value" line each.
std::vector<std::uint8_t> EncodeTiff(const LevelPicture& picture, SampleDepth depth, const PictureNotes& notes);

}  // namespace quivane
