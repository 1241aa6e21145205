#include "image/PixelHelpers.h"

#include <algorithm>

namespace quivane {

void ClearHistogram(Histogram& histogram) { histogram.fill(0); }

void GreyPixel(int value, ColourPixel& out)
{
    const auto v = static_cast<std::uint8_t>(value);
    out = ColourPixel{v, v, v};
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
