#include "output/BmpWriter.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/FileHandle.h"

namespace quivane {
namespace {

void PutLe(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> FileHeader(int width, int height)
{
    constexpr std::size_t headerSize = 54;
    const auto imageBytes = static_cast<std::uint32_t>(BmpStride(width)) * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> header(headerSize, 0);
    header[0] = 'B';
    header[1] = 'M';
    PutLe(header, 2, static_cast<std::uint32_t>(headerSize) + imageBytes, 4);
    PutLe(header, 10, headerSize, 4);
    PutLe(header, 14, 40, 4);
    PutLe(header, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(header, 22, static_cast<std::uint32_t>(height), 4);  // positive: rows bottom-up
    PutLe(header, 26, 1, 2);
    PutLe(header, 28, 24, 2);
    return header;  // compression, sizes, resolutions and colour counts stay 0
}

std::string Failure(const std::string& path, int error)
{
    return "Cannot write \"" + path + "\": " + std::strerror(error);
}

}  // namespace

std::optional<std::string> WriteBmp(const Bitmap24& bitmap, const std::string& path)
{
    FileHandle file = OpenFile(path, "wb");
    if (!file) return Failure(path, errno);

    const int width = bitmap.width();
    const int height = bitmap.height();
    const auto header = FileHeader(width, height);
    bool ok = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();

    std::vector<std::uint8_t> row(static_cast<std::size_t>(BmpStride(width)), 0);
    for (int y = height - 1; ok && y >= 0; --y) {
        std::memcpy(row.data(), bitmap.row(y), static_cast<std::size_t>(width) * sizeof(ColourPixel));
        ok = std::fwrite(row.data(), 1, row.size(), file.get()) == row.size();
    }
    const int writeError = errno;
    if (!ok) return Failure(path, writeError != 0 ? writeError : EIO);
    // Closing flushes the buffer: a full disk often shows only here.
    if (std::fclose(file.release()) != 0) return Failure(path, errno);
    return std::nullopt;
}

}  // namespace quivane
