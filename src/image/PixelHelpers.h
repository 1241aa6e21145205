#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "image/Pixels.h"

namespace quivane {

// Small integer helpers shared by every pixel loop. All are total on their
// documented input range and never allocate.

constexpr int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
constexpr int ClampWord(int v) { return v < 0 ? 0 : (v > 65535 ? 65535 : v); }
// The lower bound is -32767 (not -32768) so a sample can always be negated.
constexpr int ClampSample(int v) { return v < -32767 ? -32767 : (v > 32767 ? 32767 : v); }
// A safe divisor: zero becomes one.
constexpr int NonZero(int v) { return v == 0 ? 1 : v; }

using Histogram = std::array<std::uint16_t, 256>;
void ClearHistogram(Histogram& histogram);

// Weights 1/4 red, 5/8 green, 1/8 blue; the sum is truncated after the division.
constexpr int Luminance(int red, int green, int blue)
{
    return static_cast<int>((64u * static_cast<unsigned>(red) + 160u * static_cast<unsigned>(green) +
                             32u * static_cast<unsigned>(blue)) /
                            256u);
}
constexpr int PixelLuminance(ColourPixel p) { return Luminance(p.red, p.green, p.blue); }

void GreyPixel(int value, ColourPixel& out);

// 65280 / m for every largest channel m, truncated: a table instead of a
// division per pixel.
inline constexpr std::array<int, 256> ChromaScales = [] {
    std::array<int, 256> scales{};
    for (int m = 1; m < 256; ++m) scales[static_cast<std::size_t>(m)] = 65280 / m;
    return scales;
}();

// Scales a colour so that its largest channel becomes 254 or 255; near-black
// colours (largest channel at most 3) carry no hue and become white. Inline,
// with PackPixel: every picture loaded packs each of its pixels.
inline void NormaliseChroma(ColourPixel in, ColourPixel& out)
{
    const int m = std::max({in.blue, in.green, in.red});
    if (m <= 3) {
        out = ColourPixel{255, 255, 255};
        return;
    }
    if (m == 255) {
        out = in;
        return;
    }
    // k is truncated, so the largest channel comes out as 254 or 255.
    const int k = ChromaScales[static_cast<std::size_t>(m)];
    auto scale = [k](int channel) { return static_cast<std::uint8_t>(std::min(255, channel * k / 256)); };
    out = ColourPixel{scale(in.blue), scale(in.green), scale(in.red)};
}

inline PicturePixel PackPixel(ColourPixel p)
{
    ColourPixel chroma;
    NormaliseChroma(p, chroma);
    return PicturePixel{chroma.blue, chroma.green, chroma.red, static_cast<std::uint8_t>(PixelLuminance(p))};
}


// Turns a picture pixel back into a colour whose own luminance is the stored
// luminance, with the colour pushed away from (or towards) grey by
// `saturation` percent.
void UnpackPixel(PicturePixel p, int saturation, ColourPixel& out);

// 0 for grey, near 255 for a pure colour (254 at full brightness, since a zero
// channel counts as one).
int SaturationLevel(ColourPixel p);

// Maps 0..255 into 15..240, avoiding pure black and white in print.
constexpr int Map0255(int v) { return v * 225 / 255 + 15; }


}  // namespace quivane
