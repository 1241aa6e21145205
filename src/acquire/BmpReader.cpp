#include "acquire/BmpReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
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

std::size_t StartBytes(const ReadableFile& file)
{
    return static_cast<std::size_t>(std::min<std::uintmax_t>(file.size(), PlainStartBytes));
}

// A plain bitmap's rows where its pixel block lands, from the file's first
// bytes in `storage`; nothing for any other bitmap, or when the file changed
// under us.
std::optional<std::variant<ColourRows, GreyRows>> ReadPlainBlock(const ReadableFile& file, BmpStorage& storage)
{
    if (file.size() <= PlainHeaderBytes || storage.bytes.size() < StartBytes(file)) return std::nullopt;
    const auto rows = PlainBmpRows(storage.bytes.data(), storage.bytes.size(), file.size(), MaxFrameSide);
    if (!rows) return std::nullopt;
    // Kept at one size from frame to frame, the block is not cleared again.
    const std::size_t size = rows->stride * static_cast<std::size_t>(rows->height);
    if (file.readAt(rows->pixelOffset, size, storage.block) || storage.block.size() < size) return std::nullopt;
    const auto stride = static_cast<std::ptrdiff_t>(rows->stride);
    const std::uint8_t* top = storage.block.data() + (rows->bottomUp ? stride * (rows->height - 1) : 0);
    const std::ptrdiff_t down = rows->bottomUp ? -stride : stride;
    if (rows->grey) return GreyRows(top, down, rows->width, rows->height);
    return ColourRows(reinterpret_cast<const ColourPixel*>(top), down, rows->width, rows->height);
}

}  // namespace

std::optional<FileProblem> ReadBmpStart(const ReadableFile& file, BmpStorage& storage)
{
    return file.readAt(0, StartBytes(file), storage.bytes);
}

std::variant<ColourRows, GreyRows, ReadFailure> ReadBmpRows(const ReadableFile& file, const std::string& path,
                                                            BmpStorage& storage)
{
    if (const auto problem = ReadBmpStart(file, storage)) return Failure(path, problem->reason);
    return ReadBmpRowsAfterStart(file, path, storage);
}

std::variant<ColourRows, GreyRows, ReadFailure> ReadBmpRowsAfterStart(const ReadableFile& file,
                                                                      const std::string& path, BmpStorage& storage)
{
    if (file.size() > LargestFile) return Failure(path, TooLargeProblem(file.size(), LargestFile).reason);
    if (auto rows = ReadPlainBlock(file, storage)) {
        if (const auto* grey = std::get_if<GreyRows>(&*rows)) return *grey;
        return std::get<ColourRows>(*rows);
    }
    if (const auto problem = file.readAt(0, static_cast<std::size_t>(file.size()), storage.bytes))
        return Failure(path, problem->reason);
    if (const auto problem = DecodeBmpInto(storage.bytes.data(), storage.bytes.size(), MaxFrameSide, storage.frame))
        return Failure(path, *problem);
    return ColourRows(storage.frame);
}

std::variant<Bitmap24, ReadFailure> ReadBmp(const std::string& path)
{
    const auto opened = ReadableFile::Open(path.c_str());
    if (const auto* problem = std::get_if<FileProblem>(&opened)) return Failure(path, problem->reason);
    BmpStorage storage;
    auto read = ReadBmpRows(std::get<ReadableFile>(opened), path, storage);
    if (auto* failure = std::get_if<ReadFailure>(&read)) return std::move(*failure);
    if (const auto* grey = std::get_if<GreyRows>(&read)) return GreyAsColour(*grey);
    return std::get<ColourRows>(read).copy();
}

}  // namespace quivane
