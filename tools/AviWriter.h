#pragma once

#include <optional>
#include <string>
#include <vector>

#include "image/Bitmap.h"

namespace quivane::samples {

// Writes frames of one size as an uncompressed 24-bit AVI (bottom-up DIB
// frames with an index), the format capture programs commonly record.
// Returns a message naming the file when it could not be written.
std::optional<std::string> WriteUncompressedAvi(const std::string& path, const std::vector<Bitmap24>& frames,
                                                int framesPerSecond);

}  // namespace quivane::samples
