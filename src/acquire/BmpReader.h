#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "files/ReadableFile.h"
#include "image/Bitmap.h"

namespace quivane {

// Frames of up to 16384 x 16384 pixels are accepted; real cameras give
// 1920 x 1080 and more.
constexpr int MaxFrameSide = 16384;

struct ReadFailure {
    std::string message;  // names the file and the problem
};

// Reads a Windows or OS/2 bitmap (1..32 bits, RLE, bit fields, top-down, old
// and new headers; see DecodeBmp) into a 24-bit frame. Only regular files of
// at most the size a frame of MaxFrameSide needs are read, and nothing of a
// bad file is trusted.
std::variant<Bitmap24, ReadFailure> ReadBmp(const std::string& path);

// The same with the file's bytes and the frame in storage the caller keeps
// from one file to the next, so that a series of frames of one size needs
// no fresh memory. On a failure the frame is unspecified.
std::optional<ReadFailure> ReadBmpInto(const std::string& path, std::vector<std::uint8_t>& bytes, Bitmap24& frame);

// The same from a file already open, named by `path` in any failure.
std::optional<ReadFailure> ReadBmpInto(const ReadableFile& file, const std::string& path,
                                       std::vector<std::uint8_t>& bytes, Bitmap24& frame);

}  // namespace quivane
