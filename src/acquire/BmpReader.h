#pragma once

#include <string>
#include <variant>

#include "image/Bitmap.h"

namespace quivane {

// Frames of up to 16384 x 16384 pixels are accepted; real cameras give
// 1920 x 1080 and more.
constexpr int MaxFrameSide = 16384;

struct ReadFailure {
    std::string message;  // names the file and the problem
};

// Reads a Windows bitmap of any pixel format (1..32 bits, RLE, bit fields,
// top-down, old and new headers) into a 24-bit frame. The size is checked
// before anything is decoded; nothing of a bad file is trusted.
std::variant<Bitmap24, ReadFailure> ReadBmp(const std::string& path);

}  // namespace quivane
