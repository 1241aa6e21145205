#pragma once

#include <optional>
#include <string>

#include "image/Bitmap.h"

namespace quivane {

// Writes an uncompressed 24-bit bottom-up BMP (54-byte header, no colour
// table, rows padded with zeros to a multiple of 4 bytes), replacing any file
// at `path`. Returns a message naming the file when it could not be written
// completely; nothing on success.
[[nodiscard]] std::optional<std::string> WriteBmp(const Bitmap24& bitmap, const std::string& path);

// The row length of a 24-bit BMP file: 3 bytes a pixel rounded up to 4.
constexpr int BmpStride(int width) { return (3 * width + 3) / 4 * 4; }

}  // namespace quivane
