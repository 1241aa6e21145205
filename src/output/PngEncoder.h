#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "image/LevelPicture.h"
#include "image/PictureNotes.h"
#include "output/SaveFormat.h"

namespace quivane {

// The bytes of a PNG file of the picture: grey or RGB, 8 or 16 bits a
// channel (a float depth is written as 16), no alpha. Each note becomes a
// text chunk under its name, after one naming the program ("Software").
// The message when the toolkit's encoder fails.
std::variant<std::vector<std::uint8_t>, std::string> EncodePng(const LevelPicture& picture, SampleDepth depth,
                                                              const PictureNotes& notes);

}  // namespace quivane
