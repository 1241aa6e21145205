#include "acquire/BmpReader.h"

#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "acquire/BitfieldBmp.h"

namespace quivane {
namespace {

ReadFailure Failure(const std::string& path, const std::string& problem)
{
    return ReadFailure{"Cannot read the bitmap \"" + path + "\": " + problem};
}

// Room for the largest accepted frame at 4 bytes a pixel, in MiB.
constexpr int AllocationLimitMiB = MaxFrameSide / 1024 * MaxFrameSide / 1024 * 4 + 16;

// The file's first bytes, or all of it; empty when it cannot be read.
std::vector<std::uint8_t> ReadBytes(const std::string& path, std::uintmax_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(error ? 0 : std::min(size, limit)));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::variant<Bitmap24, ReadFailure> ReadBitfieldBmp(const std::string& path)
{
    constexpr std::uintmax_t largestFile = std::uintmax_t{MaxFrameSide} * MaxFrameSide * 4 + (1u << 20);
    auto decoded = DecodeBitfieldBmp(ReadBytes(path, largestFile), MaxFrameSide);
    if (auto* problem = std::get_if<std::string>(&decoded)) return Failure(path, *problem);
    return std::move(std::get<Bitmap24>(decoded));
}

}  // namespace

std::variant<Bitmap24, ReadFailure> ReadBmp(const std::string& path)
{
    if (IsBitfieldBmp(ReadBytes(path, 128))) return ReadBitfieldBmp(path);

    QImageReader reader(QString::fromStdString(path), "bmp");
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    QImageReader::setAllocationLimit(AllocationLimitMiB);
    if (!reader.canRead()) {
        return Failure(path, reader.error() == QImageReader::FileNotFoundError ? "the file cannot be opened"
                                                                               : "it is not a Windows bitmap");
    }
    // A top-down file declares a negative height.
    const int width = std::abs(reader.size().width());
    const int height = std::abs(reader.size().height());
    if (width == 0 || height == 0) return Failure(path, "the picture is empty");
    if (width > MaxFrameSide || height > MaxFrameSide) {
        return Failure(path, "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels, more than " +
                                 std::to_string(MaxFrameSide) + " x " + std::to_string(MaxFrameSide));
    }
    // The decoder leaves the pixels it never reaches (RLE jumps, an early end
    // of the bitmap, a cut file) as it found them. Given a cleared picture of
    // the size and layout it decodes to, it decodes into that one, so those
    // pixels read as palette entry 0 (or black), never as leftover memory.
    QImage image(width, height, reader.imageFormat());
    if (!image.isNull()) image.fill(0);
    if (!reader.read(&image) || image.isNull()) {
        return Failure(path, "the file is damaged (" + reader.errorString().toStdString() + ")");
    }
    // The alpha of 32-bit files is dropped, not blended: frames are opaque.
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    Bitmap24 frame(bgr.width(), bgr.height());
    const auto rowBytes = static_cast<std::size_t>(bgr.width()) * sizeof(ColourPixel);
    for (int y = 0; y < bgr.height(); ++y) std::memcpy(frame.row(y), bgr.constScanLine(y), rowBytes);
    return frame;
}

}  // namespace quivane
