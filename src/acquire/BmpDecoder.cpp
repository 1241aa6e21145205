#include "acquire/BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

namespace quivane {
namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t MasksAt = FileHeaderSize + 40;

enum Compression : std::uint32_t {
    None = 0,
    Rle8 = 1,
    Rle4 = 2,
    Bitfields = 3,  // Huffman 1D in an OS/2 header
    Jpeg = 4,       // RLE24 in an OS/2 header
    Png = 5,
    AlphaBitfields = 6,
};

enum class HeaderKind { Os2Core, Os2, Windows };

// How the pixel bytes turn into colours.
enum class Coding { Indexed, RunLength8, RunLength4, Direct24, Masked };

struct Header {
    HeaderKind kind;
    std::uint32_t infoSize;
    std::int64_t width, height;  // a negative height marks a top-down file
    std::uint32_t planes, bitsPerPixel, compression, coloursUsed;
};

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }
    const std::uint8_t* at(std::size_t offset) const { return data_ + offset; }
    std::uint8_t u8(std::size_t at) const { return data_[at]; }
    std::uint16_t u16(std::size_t at) const { return static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8); }
    std::uint32_t u32(std::size_t at) const
    {
        return static_cast<std::uint32_t>(data_[at]) | static_cast<std::uint32_t>(data_[at + 1]) << 8 |
               static_cast<std::uint32_t>(data_[at + 2]) << 16 | static_cast<std::uint32_t>(data_[at + 3]) << 24;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

std::optional<HeaderKind> KindOfHeader(std::uint32_t infoSize)
{
    switch (infoSize) {
    case 12:
        return HeaderKind::Os2Core;
    case 40:
    case 52:
    case 56:
    case 108:
    case 124:
        return HeaderKind::Windows;
    default:
        break;
    }
    // OS/2 writers may cut their 64-byte header after any field.
    if (infoSize >= 16 && infoSize <= 64) return HeaderKind::Os2;
    return std::nullopt;
}

// The fields after the size; the caller has checked that the header is there.
Header ReadHeader(const Bytes& b, HeaderKind kind, std::uint32_t infoSize)
{
    constexpr std::size_t info = FileHeaderSize;
    if (kind == HeaderKind::Os2Core) {
        return Header{kind, infoSize, b.u16(info + 4), b.u16(info + 6), b.u16(info + 8), b.u16(info + 10), None, 0};
    }
    // Fields a short OS/2 header leaves out count as 0.
    const auto field = [&](std::uint32_t offset) { return offset + 4 <= infoSize ? b.u32(info + offset) : 0u; };
    return Header{kind,
                  infoSize,
                  static_cast<std::int32_t>(b.u32(info + 4)),
                  static_cast<std::int32_t>(b.u32(info + 8)),
                  b.u16(info + 12),
                  b.u16(info + 14),
                  field(16),
                  field(32)};
}

// Refuses what no decoder here handles; otherwise says how to decode.
std::variant<Coding, std::string> ChooseCoding(const Header& h)
{
    const bool os2 = h.kind != HeaderKind::Windows;
    if (!os2 && h.compression == Jpeg) return std::string("it holds a JPEG picture, which is not read here");
    if (!os2 && h.compression == Png) return std::string("it holds a PNG picture, which is not read here");
    if (os2 && h.compression == Bitfields) return std::string("its OS/2 Huffman compression is not supported");
    if (os2 && h.compression == Jpeg) return std::string("its OS/2 RLE24 compression is not supported");
    const std::string bits = std::to_string(h.bitsPerPixel);
    if (h.bitsPerPixel == 64) return std::string("its 64-bit pixels are not supported");
    if (h.bitsPerPixel != 1 && h.bitsPerPixel != 2 && h.bitsPerPixel != 4 && h.bitsPerPixel != 8 &&
        h.bitsPerPixel != 16 && h.bitsPerPixel != 24 && h.bitsPerPixel != 32)
        return "it has " + bits + " bits a pixel, a depth no bitmap has";
    switch (h.compression) {
    case None:
        if (h.bitsPerPixel <= 8) return Coding::Indexed;
        return h.bitsPerPixel == 24 ? Coding::Direct24 : Coding::Masked;
    case Rle8:
        if (h.bitsPerPixel == 8) return Coding::RunLength8;
        return "its 8-bit run-length compression does not fit its " + bits + "-bit pixels";
    case Rle4:
        if (h.bitsPerPixel == 4) return Coding::RunLength4;
        return "its 4-bit run-length compression does not fit its " + bits + "-bit pixels";
    case Bitfields:
    case AlphaBitfields:
        if (!os2 && (h.bitsPerPixel == 16 || h.bitsPerPixel == 32)) return Coding::Masked;
        return "its colour masks do not fit its " + bits + "-bit pixels";
    default:
        return "its compression " + std::to_string(h.compression) + " is not known";
    }
}

// Where the headers end: a 40-byte header is followed by its masks.
std::size_t HeadersEnd(const Header& h)
{
    std::size_t end = FileHeaderSize + h.infoSize;
    if (h.infoSize == 40 && h.compression == Bitfields) end += 12;
    if (h.infoSize == 40 && h.compression == AlphaBitfields) end += 16;
    return end;
}

std::string SizeProblem(std::int64_t width, std::int64_t height, int maxSide)
{
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, more than " +
           std::to_string(maxSide) + " x " + std::to_string(maxSide);
}

// Bytes from one row of pixels to the next: rows are padded to 4 bytes.
std::uint64_t Stride(std::int64_t width, std::uint32_t bitsPerPixel)
{
    return (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

using Palette = std::array<ColourPixel, 256>;

// OS/2 core files store blue, green, red; the others add a spare byte.
std::size_t PaletteEntrySize(const Header& h) { return h.kind == HeaderKind::Os2Core ? 3 : 4; }

// Entries past those the file holds stay black, so any index is safe.
Palette ReadPalette(const Bytes& b, const Header& h, std::size_t start, std::uint64_t pixelOffset)
{
    Palette palette{};
    const std::size_t entrySize = PaletteEntrySize(h);
    const std::uint64_t full = std::uint64_t{1} << h.bitsPerPixel;
    std::uint64_t count = h.coloursUsed == 0 ? full : std::min<std::uint64_t>(h.coloursUsed, full);
    count = std::min<std::uint64_t>(count, (pixelOffset - start) / entrySize);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = b.at(start + i * entrySize);
        palette[i] = ColourPixel{entry[0], entry[1], entry[2]};
    }
    return palette;
}

// One colour channel: where its bits are and how to widen them to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t maximum = 0;  // 2^bits - 1; 0 for an absent channel

    std::uint8_t scale(std::uint32_t pixel) const
    {
        if (maximum == 0) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        // No ties exist: 2 * 255 * v is even, (2k + 1) * maximum is odd.
        return static_cast<std::uint8_t>((2 * 255 * v + maximum) / (2 * maximum));
    }
};

std::optional<Channel> MakeChannel(std::uint32_t mask)
{
    Channel c;
    if (mask == 0) return c;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    const std::uint32_t bits = mask >> c.shift;
    if ((bits & (bits + 1)) != 0) return std::nullopt;  // not one run of bits
    c.maximum = bits;
    return c;
}

struct Channels {
    Channel red, green, blue;
};

std::optional<Channels> ReadChannels(const Bytes& b, const Header& h)
{
    std::uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
    if (h.bitsPerPixel == 16) red = 0x7C00, green = 0x03E0, blue = 0x001F;
    // Masks sit inside headers of 52 bytes and more, else right after it.
    if (h.compression != None) red = b.u32(MasksAt), green = b.u32(MasksAt + 4), blue = b.u32(MasksAt + 8);
    const auto r = MakeChannel(red), g = MakeChannel(green), bl = MakeChannel(blue);
    if (!r || !g || !bl) return std::nullopt;
    return Channels{*r, *g, *bl};
}

// The uncompressed layouts, one file row at a time into frame rows.
void DecodeRows(const Bytes& b, const Header& h, Coding coding, std::uint64_t pixelOffset, const Palette& palette,
                const Channels& channels, Bitmap24& frame)
{
    const std::uint64_t stride = Stride(h.width, h.bitsPerPixel);
    const int width = frame.width(), height = frame.height();
    const bool bottomUp = h.height > 0;
    const std::uint32_t bits = h.bitsPerPixel;
    const std::uint32_t indexMask = (1u << std::min<std::uint32_t>(bits, 8)) - 1;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* source = b.at(pixelOffset + stride * static_cast<std::uint64_t>(row));
        ColourPixel* target = frame.row(bottomUp ? height - 1 - row : row);
        switch (coding) {
        case Coding::Indexed:
            if (bits == 8) {
                for (int x = 0; x < width; ++x) target[x] = palette[source[x]];
                break;
            }
            // The leftmost pixel sits in the highest bits of its byte.
            for (int x = 0; x < width; ++x) {
                const std::uint64_t bit = static_cast<std::uint64_t>(x) * bits;
                const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
                target[x] = palette[(source[bit / 8] >> shift) & indexMask];
            }
            break;
        case Coding::Direct24:
            std::copy_n(source, static_cast<std::size_t>(width) * sizeof(ColourPixel),
                        reinterpret_cast<std::uint8_t*>(target));
            break;
        case Coding::Masked:
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = source + bits / 8 * static_cast<std::uint64_t>(x);
                const std::uint32_t pixel = bits == 16 ? static_cast<std::uint32_t>(p[0] | p[1] << 8)
                                                       : static_cast<std::uint32_t>(p[0]) | p[1] << 8 | p[2] << 16 |
                                                             static_cast<std::uint32_t>(p[3]) << 24;
                target[x] =
                    ColourPixel{channels.blue.scale(pixel), channels.green.scale(pixel), channels.red.scale(pixel)};
            }
            break;
        default:
            break;
        }
    }
}

// Runs, escapes and absolute stretches of RLE8 or RLE4, starting at the
// bottom row. Pixels outside the frame are dropped, not written; pixels the
// stream never reaches keep palette entry 0. The stream must end with its
// end-of-bitmap mark, so a cut file is refused rather than half filled.
std::optional<std::string> DecodeRunLength(const Bytes& b, bool fourBits, std::uint64_t pixelOffset,
                                           const Palette& palette, Bitmap24& frame)
{
    const std::int64_t width = frame.width(), height = frame.height();
    std::fill_n(frame.row(0), static_cast<std::size_t>(width * height), palette[0]);
    std::int64_t x = 0, y = 0;  // y counts rows up from the bottom
    const auto put = [&](std::int64_t column, std::uint8_t index) {
        if (column < width && y < height) frame.row(static_cast<int>(height - 1 - y))[column] = palette[index];
    };
    const std::string cut = "the file ends inside its compressed pixels";
    std::size_t at = pixelOffset;
    for (;;) {
        if (at + 2 > b.size()) return cut;
        const std::uint8_t count = b.u8(at), value = b.u8(at + 1);
        at += 2;
        if (count > 0) {
            // RLE4 repeats two alternating pixels, high nibble first.
            for (int i = 0; i < count; ++i) {
                put(x + i, fourBits ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            }
            x += count;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return std::nullopt;
        } else if (value == 2) {
            if (at + 2 > b.size()) return cut;
            x += b.u8(at);
            y += b.u8(at + 1);
            at += 2;
        } else {
            // An absolute stretch of `value` pixels, padded to whole 16-bit words.
            const std::size_t bytes = fourBits ? (value + 1u) / 2 : value;
            if (at + bytes > b.size()) return cut;
            for (int i = 0; i < value; ++i) {
                const std::uint8_t byte = b.u8(at + (fourBits ? i / 2 : i));
                put(x + i, fourBits ? (i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
            }
            x += value;
            at += bytes + bytes % 2;
        }
        // Past the last column or row nothing more can be drawn; holding the
        // position there keeps it from growing with a long stream.
        x = std::min(x, width);
        y = std::min(y, height);
    }
}

}  // namespace

std::variant<Bitmap24, std::string> DecodeBmp(const std::uint8_t* data, std::size_t size, int maxSide)
{
    Bitmap24 frame;
    if (auto problem = DecodeBmpInto(data, size, maxSide, frame)) return *problem;
    return frame;
}

namespace {

// What the checks of a file's headers found: how its pixels are to be read.
struct Layout {
    Header header;
    Coding coding;
    std::int64_t width, height;
    std::size_t headersEnd;
    std::uint64_t pixelOffset;
};

// Every check a bitmap's headers must pass before anything is allocated, for
// a file of `fileSize` bytes of which `b` holds the first. The header fields
// read lie in the first 14 + 124 bytes, each behind a check that the file
// holds them; `b` must hold the whole file or at least those bytes.
std::variant<Layout, std::string> CheckHeaders(const Bytes& b, std::uint64_t fileSize, int maxSide)
{
    if (fileSize < 2 || b.u8(0) != 'B' || b.u8(1) != 'M') return std::string("it is not a Windows bitmap");
    if (fileSize < FileHeaderSize + 4) return std::string("the file ends inside its header");
    const std::uint32_t infoSize = b.u32(FileHeaderSize);
    const auto kind = KindOfHeader(infoSize);
    if (!kind) return "its header of " + std::to_string(infoSize) + " bytes is of no known kind";
    if (fileSize < FileHeaderSize + infoSize) return std::string("the file ends inside its header");
    const Header h = ReadHeader(b, *kind, infoSize);

    if (h.planes != 1) return "it has " + std::to_string(h.planes) + " colour planes, not 1";
    const auto chosen = ChooseCoding(h);
    if (const auto* problem = std::get_if<std::string>(&chosen)) return *problem;
    const Coding coding = std::get<Coding>(chosen);
    const bool runLength = coding == Coding::RunLength8 || coding == Coding::RunLength4;

    if (h.width < 0) return "its width of " + std::to_string(h.width) + " pixels is negative";
    if (h.width == 0 || h.height == 0) return std::string("the picture is empty");
    const std::int64_t width = h.width, height = h.height < 0 ? -h.height : h.height;
    if (width > maxSide || height > maxSide) return SizeProblem(width, height, maxSide);
    if (runLength && h.height < 0) return std::string("a top-down bitmap cannot be run-length compressed");

    const std::size_t headersEnd = HeadersEnd(h);
    if (fileSize < headersEnd) return std::string("the file ends inside its header");
    const std::uint64_t pixelOffset = b.u32(10);
    if (pixelOffset < headersEnd) return std::string("its pixels start inside its header");
    // Up to 256 colours are believable and cut to what the file holds; more
    // only when they are really there.
    if (h.coloursUsed > 256 && std::uint64_t{h.coloursUsed} * PaletteEntrySize(h) > pixelOffset - headersEnd)
        return "its palette of " + std::to_string(h.coloursUsed) + " colours does not fit before its pixels";
    if (pixelOffset >= fileSize) return std::string("the file is shorter than its pixels");

    const std::uint64_t pixelBytes = fileSize - pixelOffset;
    if (runLength) {
        // A two-byte run codes at most 255 pixels, so a frame needing far
        // more than 256 pixels a byte of stream would be left mostly
        // undefined: such a file is a tiny one claiming a huge frame.
        if (static_cast<std::uint64_t>(width * height) > 256 * pixelBytes)
            return "its " + std::to_string(pixelBytes) + " bytes of compressed pixels cannot make a " +
                   std::to_string(width) + " x " + std::to_string(height) + " picture";
    } else if (Stride(width, h.bitsPerPixel) > pixelBytes / static_cast<std::uint64_t>(height)) {
        return std::string("the file is shorter than its pixels");
    }
    return Layout{h, coding, width, height, headersEnd, pixelOffset};
}

// Whether an 8-bit file's palette, read from the bytes at hand, makes every
// byte its own grey: entries the palette leaves out are black, so all 256
// must be there.
bool HasGreyRamp(const Bytes& b, const Layout& layout)
{
    if (layout.pixelOffset > b.size()) return false;
    const Palette palette = ReadPalette(b, layout.header, layout.headersEnd, layout.pixelOffset);
    for (std::size_t i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        if (palette[i] != ColourPixel{v, v, v}) return false;
    }
    return true;
}

}  // namespace

std::optional<PlainRows> PlainBmpRows(const std::uint8_t* start, std::size_t present, std::uint64_t fileSize,
                                      int maxSide)
{
    if (start == nullptr || present < PlainHeaderBytes) return std::nullopt;
    const Bytes b(start, present);
    const auto checked = CheckHeaders(b, fileSize, maxSide);
    const auto* layout = std::get_if<Layout>(&checked);
    if (layout == nullptr) return std::nullopt;
    const std::uint32_t bits = layout->header.bitsPerPixel;
    const bool grey = layout->coding == Coding::Indexed && bits == 8 && HasGreyRamp(b, *layout);
    if (layout->coding != Coding::Direct24 && !grey) return std::nullopt;
    return PlainRows{static_cast<int>(layout->width), static_cast<int>(layout->height), layout->pixelOffset,
                     static_cast<std::size_t>(Stride(layout->width, bits)), layout->header.height > 0, grey};
}

// Every decoder below writes every pixel of the frame, so its old bytes
// never show through.
std::optional<std::string> DecodeBmpInto(const std::uint8_t* data, std::size_t size, int maxSide, Bitmap24& frame)
{
    if (data == nullptr) return std::string("it is not a Windows bitmap");
    const Bytes b(data, size);
    const auto checked = CheckHeaders(b, size, maxSide);
    if (const auto* problem = std::get_if<std::string>(&checked)) return *problem;
    const Layout& layout = std::get<Layout>(checked);
    const Header& h = layout.header;

    Palette palette{};
    if (h.bitsPerPixel <= 8) palette = ReadPalette(b, h, layout.headersEnd, layout.pixelOffset);
    Channels channels{};
    if (layout.coding == Coding::Masked) {
        const auto read = ReadChannels(b, h);
        if (!read) return std::string("its colour masks are not contiguous");
        channels = *read;
    }

    frame.reshape(static_cast<int>(layout.width), static_cast<int>(layout.height));
    if (layout.coding == Coding::RunLength8 || layout.coding == Coding::RunLength4)
        return DecodeRunLength(b, layout.coding == Coding::RunLength4, layout.pixelOffset, palette, frame);
    DecodeRows(b, h, layout.coding, layout.pixelOffset, palette, channels, frame);
    return std::nullopt;
}

}  // namespace quivane
