#pragma once

#include <cstdint>

namespace quivane {

// One pixel of a 24-bit bitmap row, in Windows bitmap byte order.
struct ColourPixel {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;

    friend bool operator==(const ColourPixel&, const ColourPixel&) = default;
};

// The pixel of every picture: the colour scaled to full brightness (chroma)
// kept apart from its brightness, so grey-value stages touch `luminance` only
// and the hue survives them.
struct PicturePixel {
    std::uint8_t chromaBlue = 0;
    std::uint8_t chromaGreen = 0;
    std::uint8_t chromaRed = 0;
    std::uint8_t luminance = 0;

    friend bool operator==(const PicturePixel&, const PicturePixel&) = default;
};

static_assert(sizeof(ColourPixel) == 3, "a colour pixel must be packed as three bytes");
static_assert(sizeof(PicturePixel) == 4, "a picture pixel must be four bytes");

}  // namespace quivane
