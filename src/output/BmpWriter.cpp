#include "output/BmpWriter.h"

#include <cstring>

#include "output/FileReplacement.h"

namespace quivane {
namespace {

constexpr std::size_t HeaderSize = 54;

void PutLe(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutHeader(std::vector<std::uint8_t>& out, int width, int height)
{
    const auto imageBytes = static_cast<std::uint32_t>(BmpStride(width)) * static_cast<std::uint32_t>(height);
    out[0] = 'B';
    out[1] = 'M';
    PutLe(out, 2, static_cast<std::uint32_t>(HeaderSize) + imageBytes, 4);
    PutLe(out, 10, HeaderSize, 4);
    PutLe(out, 14, 40, 4);
    PutLe(out, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(out, 22, static_cast<std::uint32_t>(height), 4);  // positive: rows bottom-up
    PutLe(out, 26, 1, 2);
    PutLe(out, 28, 24, 2);
    // compression, sizes, resolutions and colour counts stay 0
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const Bitmap24& bitmap)
{
    const int width = bitmap.width();
    const int height = bitmap.height();
    const auto stride = static_cast<std::size_t>(BmpStride(width));
    // Zero-filled, so the padding of every row is already in place.
    std::vector<std::uint8_t> bytes(HeaderSize + stride * static_cast<std::size_t>(height), 0);
    PutHeader(bytes, width, height);
    std::uint8_t* row = bytes.data() + HeaderSize;
    for (int y = height - 1; y >= 0; --y, row += stride) {
        std::memcpy(row, bitmap.row(y), static_cast<std::size_t>(width) * sizeof(ColourPixel));
    }
    return bytes;
}

std::optional<std::string> WriteBmp(const Bitmap24& bitmap, const std::string& path)
{
    return ReplaceFile(path, EncodeBmp(bitmap));
}

}  // namespace quivane
