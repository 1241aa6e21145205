#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/Bitmap.h"

namespace quivane {

// The bytes of an uncompressed 24-bit bottom-up BMP file: the 54-byte
// header, no colour table, rows padded with zeros to a multiple of 4 bytes.
std::vector<std::uint8_t> EncodeBmp(const Bitmap24& bitmap);

// Writes the bitmap as such a file at `path`, replacing any file there only
// once the new one is completely written (ReplaceFile). Returns a message
// naming the file when it could not be written; nothing on success.
[[nodiscard]] std::optional<std::string> WriteBmp(const Bitmap24& bitmap, const std::string& path);

// The row length of a 24-bit BMP file: 3 bytes a pixel rounded up to 4.
constexpr int BmpStride(int width) { return (3 * width + 3) / 4 * 4; }

}  // namespace quivane
