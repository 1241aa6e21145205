#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "image/LevelPicture.h"
#include "image/PictureNotes.h"
#include "output/SaveFormat.h"

namespace quivane {

// The bytes of a FITS file of the picture: one picture in the primary
// header, grey as two axes, colour as three planes (red, green, blue). The
// bottom row is stored first, as FITS readers expect, and ROWORDER says so.
// 8 bits: unsigned bytes; 16 bits: unsigned 16-bit integers (BITPIX 16,
// BZERO 32768), full scale 65535; float: 32-bit floating point, full scale
// 1.0. CREATOR names the program, and each note becomes a keyword of its
// own (whole numbers as integers, the rest as text). The message when the
// FITS library fails.
std::variant<std::vector<std::uint8_t>, std::string> EncodeFits(const LevelPicture& picture, SampleDepth depth,
                                                               const PictureNotes& notes);

}  // namespace quivane
