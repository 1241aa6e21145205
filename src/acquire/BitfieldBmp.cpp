#include "acquire/BitfieldBmp.h"

#include <bit>
#include <cstdlib>

namespace quivane {
namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::uint32_t CompressionNone = 0, CompressionBitfields = 3, CompressionAlphaBitfields = 6;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

struct Layout {
    std::uint32_t infoSize, compression;
    std::int32_t width, height;
    std::uint16_t bitsPerPixel;
};

std::optional<Layout> ReadLayout(const std::vector<std::uint8_t>& b)
{
    if (b.size() < FileHeaderSize + 40 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
    const Layout layout{U32(b, 14), U32(b, 30), static_cast<std::int32_t>(U32(b, 18)),
                        static_cast<std::int32_t>(U32(b, 22)), U16(b, 28)};
    // The 64-byte OS/2 header shares offsets but not meanings.
    if (layout.infoSize < 40 || layout.infoSize == 64) return std::nullopt;
    if (layout.bitsPerPixel != 16 && layout.bitsPerPixel != 32) return std::nullopt;
    if (layout.compression != CompressionNone && layout.compression != CompressionBitfields &&
        layout.compression != CompressionAlphaBitfields)
        return std::nullopt;
    return layout;
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

struct Masks {
    std::uint32_t red, green, blue;
};

std::optional<Masks> ReadMasks(const std::vector<std::uint8_t>& b, const Layout& layout)
{
    if (layout.compression == CompressionNone) {
        return layout.bitsPerPixel == 16 ? Masks{0x7C00, 0x03E0, 0x001F} : Masks{0xFF0000, 0x00FF00, 0x0000FF};
    }
    // Masks sit inside headers of 52 bytes and more, else right after it.
    const std::size_t at = FileHeaderSize + 40;
    if (b.size() < at + 12) return std::nullopt;
    return Masks{U32(b, at), U32(b, at + 4), U32(b, at + 8)};
}

}  // namespace

bool IsBitfieldBmp(const std::vector<std::uint8_t>& header) { return ReadLayout(header).has_value(); }

std::variant<Bitmap24, std::string> DecodeBitfieldBmp(const std::vector<std::uint8_t>& file, int maxSide)
{
    const auto layout = ReadLayout(file);
    if (!layout) return std::string("it is not a bitmap with channel masks");
    const std::int64_t width = layout->width;
    const std::int64_t height = std::abs(static_cast<std::int64_t>(layout->height));
    if (width <= 0 || height == 0) return std::string("the picture is empty");
    if (width > maxSide || height > maxSide) {
        return "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, more than " +
               std::to_string(maxSide) + " x " + std::to_string(maxSide);
    }
    const auto masks = ReadMasks(file, *layout);
    if (!masks) return std::string("the file ends inside its header");
    const auto red = MakeChannel(masks->red), green = MakeChannel(masks->green), blue = MakeChannel(masks->blue);
    if (!red || !green || !blue) return std::string("its colour masks are not contiguous");

    const std::uint64_t pixelOffset = U32(file, 10);
    const std::uint64_t bytesPerPixel = layout->bitsPerPixel / 8;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * layout->bitsPerPixel + 31) / 32 * 4;
    if (pixelOffset + stride * static_cast<std::uint64_t>(height) > file.size())
        return std::string("the file is shorter than its pixels");

    Bitmap24 frame(static_cast<int>(width), static_cast<int>(height));
    const bool bottomUp = layout->height > 0;
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* source = file.data() + pixelOffset + stride * static_cast<std::uint64_t>(row);
        ColourPixel* target = frame.row(static_cast<int>(bottomUp ? height - 1 - row : row));
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint8_t* p = source + bytesPerPixel * static_cast<std::uint64_t>(x);
            const std::uint32_t pixel = bytesPerPixel == 2 ? static_cast<std::uint32_t>(p[0] | p[1] << 8)
                                                           : static_cast<std::uint32_t>(p[0]) | p[1] << 8 |
                                                                 p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
            target[x] = ColourPixel{blue->scale(pixel), green->scale(pixel), red->scale(pixel)};
        }
    }
    return frame;
}

}  // namespace quivane
