#include "acquire/BmpReader.h"

#include <cstdint>
#include <vector>

#include "acquire/BmpDecoder.h"
#include "files/FileBytes.h"

namespace quivane {
namespace {

ReadFailure Failure(const std::string& path, const std::string& problem)
{
    return ReadFailure{"Cannot read the bitmap \"" + path + "\": " + problem};
}

// The largest file a frame of the largest accepted size needs: 4 bytes a
// pixel, and a MiB for headers, palette, masks and an embedded colour profile.
constexpr std::uintmax_t LargestFile = std::uintmax_t{MaxFrameSide} * MaxFrameSide * 4 + (1u << 20);

}  // namespace

std::optional<ReadFailure> ReadBmpInto(const std::string& path, std::vector<std::uint8_t>& bytes, Bitmap24& frame)
{
    if (const auto problem = ReadFileBytesInto(path, LargestFile, bytes)) return Failure(path, problem->reason);
    if (const auto problem = DecodeBmpInto(bytes.data(), bytes.size(), MaxFrameSide, frame))
        return Failure(path, *problem);
    return std::nullopt;
}

std::variant<Bitmap24, ReadFailure> ReadBmp(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    Bitmap24 frame;
    if (auto failure = ReadBmpInto(path, bytes, frame)) return std::move(*failure);
    return frame;
}

}  // namespace quivane
