#include "acquire/SerFile.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "files/FileBytes.h"

namespace quivane {
namespace {

std::int32_t I32(const std::uint8_t* b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                     static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

constexpr int ColourMono = 0, ColourRggb = 8, ColourBggr = 11, ColourRgb = 100, ColourBgr = 101;

std::uint16_t Sample16(const std::uint8_t* p, bool littleEndian)
{
    return littleEndian ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// round(v * 65535 / (2^depth - 1)) for every possible v: samples beyond the
// depth are taken as full scale.
std::vector<std::uint16_t> ScaleTable(int depth, int bytesPerSample)
{
    const std::uint32_t limit = (1u << depth) - 1;
    std::vector<std::uint16_t> table(bytesPerSample == 1 ? 256 : 65536);
    for (std::uint32_t v = 0; v < table.size(); ++v) {
        const std::uint64_t clamped = std::min(v, limit);
        table[v] = static_cast<std::uint16_t>((clamped * 65535 * 2 + limit) / (2 * limit));
    }
    return table;
}

// Sum of the differences between neighbours along rows: camera data is
// smooth, byte-swapped data is noise.
std::uint64_t Roughness(const SerLayout& l, const std::uint8_t* frame, bool littleEndian)
{
    std::uint64_t sum = 0;
    const std::size_t rowSamples = static_cast<std::size_t>(l.width) * static_cast<std::size_t>(l.planes);
    for (int y = 0; y < l.height; ++y) {
        const std::uint8_t* row = frame + static_cast<std::size_t>(y) * rowSamples * 2;
        for (std::size_t i = static_cast<std::size_t>(l.planes); i < rowSamples; ++i) {
            const int a = Sample16(row + 2 * i, littleEndian);
            const int b = Sample16(row + 2 * (i - static_cast<std::size_t>(l.planes)), littleEndian);
            sum += static_cast<std::uint64_t>(std::abs(a - b));
        }
    }
    return sum;
}

}  // namespace

Mosaic SerLayout::mosaic() const
{
    switch (colourId) {
    case ColourRggb: return Mosaic::RGGB;
    case ColourRggb + 1: return Mosaic::GRBG;
    case ColourRggb + 2: return Mosaic::GBRG;
    case ColourBggr: return Mosaic::BGGR;
    default: return Mosaic::None;
    }
}

std::uint64_t SerLayout::frameOffset(int k) const { return SerHeaderBytes + static_cast<std::uint64_t>(k) * frameBytes; }

std::uint64_t SerLayout::timestampOffset(int k) const
{
    return frameOffset(declaredFrames) + static_cast<std::uint64_t>(k) * 8;
}

std::variant<SerLayout, std::string> ParseSerHeader(const std::uint8_t* h, std::size_t headerSize,
                                                    std::uint64_t fileSize, int maxSide)
{
    if (headerSize < SerHeaderBytes || std::memcmp(h, "LUCAM-RECORDER", 14) != 0)
        return std::string("it is not a SER capture");
    SerLayout l;
    l.colourId = I32(h + 18);
    l.headerSaysLittleEndian = I32(h + 22) != 0;
    l.width = I32(h + 26);
    l.height = I32(h + 30);
    l.depth = I32(h + 34);
    l.declaredFrames = I32(h + 38);
    const bool colour = l.colourId == ColourRgb || l.colourId == ColourBgr;
    if (!colour && l.colourId != ColourMono && (l.colourId < ColourRggb || l.colourId > ColourBggr))
        return "its colour type " + std::to_string(l.colourId) + " is not grey, RGB, BGR or a red-green-blue mosaic";
    if (l.width < 1 || l.height < 1 || l.width > maxSide || l.height > maxSide) {
        return "the picture is " + std::to_string(l.width) + " x " + std::to_string(l.height) +
               " pixels, outside 1 .. " + std::to_string(maxSide);
    }
    if (l.depth < 1 || l.depth > 16) return "its sample depth of " + std::to_string(l.depth) + " bits is not 1..16";
    l.planes = colour ? 3 : 1;
    l.bytesPerSample = l.depth > 8 ? 2 : 1;
    l.frameBytes = static_cast<std::uint64_t>(l.width) * static_cast<std::uint64_t>(l.height) *
                   static_cast<std::uint64_t>(l.planes) * static_cast<std::uint64_t>(l.bytesPerSample);
    const std::uint64_t room = fileSize > SerHeaderBytes ? fileSize - SerHeaderBytes : 0;
    const std::uint64_t whole = room / l.frameBytes;
    const std::uint64_t declared = l.declaredFrames > 0 ? static_cast<std::uint64_t>(l.declaredFrames) : 0;
    l.frames = static_cast<int>(std::min<std::uint64_t>(declared > 0 ? std::min(declared, whole) : whole, 1u << 30));
    if (l.declaredFrames <= 0) l.declaredFrames = l.frames;
    l.hasTimestamps = l.frames == l.declaredFrames &&
                      room >= static_cast<std::uint64_t>(l.frames) * (l.frameBytes + 8);
    if (l.frames == 0) return std::string("it holds no complete frame");
    return l;
}

bool SamplesAreLittleEndian(const SerLayout& l, const std::uint8_t* frame)
{
    if (l.bytesPerSample == 1) return true;
    const std::size_t count = static_cast<std::size_t>(l.frameBytes / 2);
    std::uint32_t orLittle = 0, orBig = 0, maxLittle = 0, maxBig = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t little = Sample16(frame + 2 * i, true), big = Sample16(frame + 2 * i, false);
        orLittle |= little;
        orBig |= big;
        maxLittle = std::max(maxLittle, little);
        maxBig = std::max(maxBig, big);
    }
    // Data of fewer bits in the low bits never exceeds the depth ...
    const std::uint32_t limit = (1u << l.depth) - 1;
    if ((maxLittle <= limit) != (maxBig <= limit)) return maxLittle <= limit;
    // ... and in the high bits leaves the low bits zero in every sample.
    const int zerosLittle = std::countr_zero(orLittle | 0x10000u), zerosBig = std::countr_zero(orBig | 0x10000u);
    if (std::max(zerosLittle, zerosBig) >= 2 && zerosLittle != zerosBig) return zerosLittle > zerosBig;
    // Full 16-bit data: the order that gives the smoother picture.
    const std::uint64_t roughLittle = Roughness(l, frame, true), roughBig = Roughness(l, frame, false);
    if (roughLittle != roughBig) return roughLittle < roughBig;
    return l.headerSaysLittleEndian;
}

DeepFrame DecodeSerFrame(const SerLayout& l, const std::uint8_t* frame, bool littleEndian)
{
    DeepFrame out(l.width, l.height, l.planes);
    out.bits = l.depth;
    out.mosaic = l.mosaic();
    const std::vector<std::uint16_t> scale = ScaleTable(l.depth, l.bytesPerSample);
    const std::size_t count = out.samples.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t raw = l.bytesPerSample == 1 ? frame[i] : Sample16(frame + 2 * i, littleEndian);
        out.samples[i] = scale[raw];
    }
    if (l.colourId == ColourBgr) {
        for (std::size_t i = 0; i + 2 < count; i += 3) std::swap(out.samples[i], out.samples[i + 2]);
    }
    return out;
}

std::variant<SerFile, std::string> SerFile::Open(const std::string& path, int maxSide)
{
    const auto checked = CheckReadableFile(path);
    if (const auto* problem = std::get_if<FileProblem>(&checked)) return problem->reason;
    SerFile file;
    file.file_ = OpenFile(path, "rb");
    if (!file.file_) return std::string("the file cannot be opened");
    std::uint8_t header[SerHeaderBytes];
    if (!file.ReadAt(0, header, sizeof header)) return std::string("the file is shorter than a SER header");
    auto layout = ParseSerHeader(header, sizeof header, std::get<std::uintmax_t>(checked), maxSide);
    if (const auto* problem = std::get_if<std::string>(&layout)) return *problem;
    file.layout_ = std::get<SerLayout>(layout);
    if (file.layout_.frames < file.layout_.declaredFrames) {
        file.note_ = "the header announces " + std::to_string(file.layout_.declaredFrames) + " frames, the file holds " +
                     std::to_string(file.layout_.frames) + ": the capture was cut short";
    }
    return file;
}

bool SerFile::ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t count)
{
    if (::fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(into, 1, count, file_.get()) == count;
}

std::variant<DeepFrame, std::string> SerFile::ReadFrame(int k)
{
    if (k < 0 || k >= layout_.frames) return "there is no frame " + std::to_string(k + 1);
    bytes_.resize(static_cast<std::size_t>(layout_.frameBytes));
    if (!littleEndian_) {
        // Decided once, from the first frame, so every frame reads alike.
        if (!ReadAt(layout_.frameOffset(0), bytes_.data(), bytes_.size())) return std::string("the file cannot be read");
        littleEndian_ = SamplesAreLittleEndian(layout_, bytes_.data());
    }
    if (!ReadAt(layout_.frameOffset(k), bytes_.data(), bytes_.size()))
        return "frame " + std::to_string(k + 1) + " cannot be read";
    return DecodeSerFrame(layout_, bytes_.data(), *littleEndian_);
}

bool SerFile::ReadGrey(int k, Bitmap8& frame)
{
    if (!IsEightBitGrey() || k < 0 || k >= layout_.frames) return false;
    if (frame.width() != layout_.width || frame.height() != layout_.height) frame.resize(layout_.width, layout_.height);
    // Rows are stored top first without padding, as the bitmap keeps them.
    return ReadAt(layout_.frameOffset(k), frame.row(0), static_cast<std::size_t>(layout_.frameBytes));
}

std::optional<std::int64_t> SerFile::Timestamp(int k)
{
    if (!layout_.hasTimestamps || k < 0 || k >= layout_.frames) return std::nullopt;
    std::uint8_t b[8];
    if (!ReadAt(layout_.timestampOffset(k), b, sizeof b)) return std::nullopt;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
    return static_cast<std::int64_t>(v);
}

}  // namespace quivane
