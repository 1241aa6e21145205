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

std::variant<Bitmap24, ReadFailure> ReadBmp(const std::string& path)
{
    const auto bytes = ReadFileBytes(path, LargestFile);
    if (const auto* problem = std::get_if<FileProblem>(&bytes)) return Failure(path, problem->reason);
    const auto& file = std::get<std::vector<std::uint8_t>>(bytes);
    auto decoded = DecodeBmp(file.data(), file.size(), MaxFrameSide);
    if (const auto* problem = std::get_if<std::string>(&decoded)) return Failure(path, *problem);
    return std::move(std::get<Bitmap24>(decoded));
}

}  // namespace quivane
