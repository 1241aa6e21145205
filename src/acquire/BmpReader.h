#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "files/ReadableFile.h"
#include "image/Bitmap.h"
#include "image/FrameRows.h"

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

// What reading bitmaps keeps from one file to the next, so that a series of
// frames of one size needs no fresh memory: the file's first bytes, a plain
// bitmap's pixel block, any other bitmap's decoded frame.
struct BmpStorage {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> block;
    Bitmap24 frame;
};

// A bitmap's rows from a file already open, named by `path` in any failure.
// A plain 24-bit bitmap, the kind colour cameras' capture programs write,
// has its pixel block read in one piece and its rows left as they lie, in
// the file's order and padding (a bottom-up file's rows run up through
// memory). A plain grey one (8 bits, the grey ramp for palette: a mono
// camera's) gives its bytes as grey rows the same way, where decoding would
// make colour pixels of three equal channels of them. Any other is read whole and
// decoded, which also words whatever is wrong with it. The rows stay as
// they are until the storage is used again.
std::variant<ColourRows, GreyRows, ReadFailure> ReadBmpRows(const ReadableFile& file, const std::string& path,
                                                            BmpStorage& storage);

// The same in two steps, for a reader that looks at a file's first bytes
// before it knows it is a bitmap: ReadBmpStart reads as many of them into
// `storage` as a plain bitmap's headers and palette take (or the whole of a
// shorter file), and ReadBmpRowsAfterStart reads the rest.
std::optional<FileProblem> ReadBmpStart(const ReadableFile& file, BmpStorage& storage);
std::variant<ColourRows, GreyRows, ReadFailure> ReadBmpRowsAfterStart(const ReadableFile& file,
                                                                      const std::string& path, BmpStorage& storage);

}  // namespace quivane
