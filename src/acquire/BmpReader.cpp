#include "acquire/BmpReader.h"

#include <array>
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

// A plain 24-bit bitmap, the kind cameras' capture programs write, is read
// from the file straight into the frame's rows. False for any other bitmap,
// or when the file changed under us; the whole file is then read and decoded,
// which also names whatever is wrong with it.
bool ReadPlainRows(const ReadableFile& file, std::vector<std::uint8_t>& bytes, Bitmap24& frame)
{
    if (file.size() <= PlainHeaderBytes) return false;
    if (file.readAt(0, PlainHeaderBytes, bytes) || bytes.size() < PlainHeaderBytes) return false;
    const auto rows = PlainBmpRows(bytes.data(), bytes.size(), file.size(), MaxFrameSide);
    if (!rows) return false;
    frame.reshape(rows->width, rows->height);
    const std::size_t rowBytes = sizeof(ColourPixel) * static_cast<std::size_t>(rows->width);
    std::array<std::uint8_t, 4> padding{};
    std::vector<ByteTarget> targets;
    targets.reserve(2 * static_cast<std::size_t>(rows->height));
    for (int r = 0; r < rows->height; ++r) {
        const int y = rows->bottomUp ? rows->height - 1 - r : r;
        targets.push_back({reinterpret_cast<std::uint8_t*>(frame.row(y)), rowBytes});
        if (rows->stride > rowBytes) targets.push_back({padding.data(), rows->stride - rowBytes});
    }
    return file.readSpread(rows->pixelOffset, targets);
}

}  // namespace

std::optional<ReadFailure> ReadBmpInto(const ReadableFile& file, const std::string& path,
                                       std::vector<std::uint8_t>& bytes, Bitmap24& frame)
{
    if (file.size() > LargestFile) return Failure(path, TooLargeProblem(file.size(), LargestFile).reason);
    if (ReadPlainRows(file, bytes, frame)) return std::nullopt;
    if (const auto problem = file.readAt(0, static_cast<std::size_t>(file.size()), bytes))
        return Failure(path, problem->reason);
    if (const auto problem = DecodeBmpInto(bytes.data(), bytes.size(), MaxFrameSide, frame))
        return Failure(path, *problem);
    return std::nullopt;
}

std::optional<ReadFailure> ReadBmpInto(const std::string& path, std::vector<std::uint8_t>& bytes, Bitmap24& frame)
{
    const auto opened = ReadableFile::Open(path.c_str());
    if (const auto* problem = std::get_if<FileProblem>(&opened)) return Failure(path, problem->reason);
    return ReadBmpInto(std::get<ReadableFile>(opened), path, bytes, frame);
}

std::variant<Bitmap24, ReadFailure> ReadBmp(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    Bitmap24 frame;
    if (auto failure = ReadBmpInto(path, bytes, frame)) return std::move(*failure);
    return frame;
}

}  // namespace quivane
