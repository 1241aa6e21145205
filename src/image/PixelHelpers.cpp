#include "image/PixelHelpers.h"

#include <algorithm>

namespace quivane {

void ClearHistogram(Histogram& histogram) { histogram.fill(0); }

void GreyPixel(int value, ColourPixel& out)
{
    const auto v = static_cast<std::uint8_t>(value);
    out = ColourPixel{v, v, v};
}

void NormaliseChroma(ColourPixel in, ColourPixel& out)
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
    const int k = 65280 / m;
    auto scale = [k](int channel) { return static_cast<std::uint8_t>(std::min(255, channel * k / 256)); };
    out = ColourPixel{scale(in.blue), scale(in.green), scale(in.red)};
}

PicturePixel PackPixel(ColourPixel p)
{
    ColourPixel chroma;
    NormaliseChroma(p, chroma);
    return PicturePixel{chroma.blue, chroma.green, chroma.red, static_cast<std::uint8_t>(PixelLuminance(p))};
}

void UnpackPixel(PicturePixel p, int saturation, ColourPixel& out)
{
    const int lum = NonZero(Luminance(p.chromaRed, p.chromaGreen, p.chromaBlue));
    const int y = p.luminance;
    // Both divisions truncate toward zero, as C++ integer division does.
    auto channel = [&](int c) {
        const int saturated = ClampByte(lum + (c - lum) * saturation / 100);
        return static_cast<std::uint8_t>(ClampByte(saturated * y / lum));
    };
    out = ColourPixel{channel(p.chromaBlue), channel(p.chromaGreen), channel(p.chromaRed)};
}

int SaturationLevel(ColourPixel p)
{
    const int lo = NonZero(std::min({p.blue, p.green, p.red}));
    const int hi = NonZero(std::max({p.blue, p.green, p.red}));
    return 255 - lo * 255 / hi;
}

}  // namespace quivane
