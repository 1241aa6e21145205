#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "image/Bitmap.h"

namespace quivane {

// Uncompressed 16- and 32-bit bitmaps (plain or with channel masks) are
// decoded here rather than by the toolkit, whose reader widens a 5-bit
// channel by shifting (white becomes 248). Each channel of n bits is scaled
// exactly: round(v * 255 / (2^n - 1)). Alpha is dropped.

// True when the header (the file's first bytes) describes such a bitmap.
bool IsBitfieldBmp(const std::vector<std::uint8_t>& header);

// Decodes a whole file already known to be such a bitmap; a problem is
// returned as text (without the file name) when the file is inconsistent.
std::variant<Bitmap24, std::string> DecodeBitfieldBmp(const std::vector<std::uint8_t>& file, int maxSide);

}  // namespace quivane
