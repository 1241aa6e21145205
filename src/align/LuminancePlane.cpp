#include "align/LuminancePlane.h"

#include "image/PixelHelpers.h"

namespace quivane {
namespace {

void Resize(const Picture& picture, LuminancePlane& plane)
{
    plane.width = picture.bitmap.width();
    plane.height = picture.bitmap.height();
    plane.levels.resize(static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height));
}

// One row of ShownLuminance. The division by each pixel's own chroma
// luminance is done in float: for n up to 255 * 255 and d of 1..255 the
// correctly rounded n / d lies within 2^-16 of the true quotient while a
// quotient that is not whole is at least 1 / 255 from the next whole
// number, so truncating it gives the integer quotient exactly (a test
// checks every pair), and the loop runs in vector registers. At the usual
// saturation of 100 % a channel keeps its chroma exactly, so that row skips
// the three divisions by 100. Built for AVX2 as well, and chosen when the
// program starts.
template <bool FullSaturation>
__attribute__((target_clones("avx2", "default"))) void ShownRow(const PicturePixel* in, int width, int saturation,
                                                                std::uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        const int red = in[x].chromaRed, green = in[x].chromaGreen, blue = in[x].chromaBlue;
        const int lum = NonZero(Luminance(red, green, blue));
        const float shown = static_cast<float>(in[x].luminance);
        const float divisor = static_cast<float>(lum);
        auto channel = [&](int c) {
            const int saturated = FullSaturation ? c : ClampByte(lum + (c - lum) * saturation / 100);
            return ClampByte(static_cast<int>(static_cast<float>(saturated) * shown / divisor));
        };
        out[x] = static_cast<std::uint8_t>(Luminance(channel(red), channel(green), channel(blue)));
    }
}

}  // namespace

void StoredLuminance(const Picture& picture, LuminancePlane& plane)
{
    Resize(picture, plane);
    for (int y = 0; y < plane.height; ++y) {
        const PicturePixel* in = picture.bitmap.row(y);
        std::uint8_t* out = plane.levels.data() + static_cast<std::size_t>(y) * plane.width;
        for (int x = 0; x < plane.width; ++x) out[x] = in[x].luminance;
    }
}

void ShownLuminance(const Picture& picture, int saturation, LuminancePlane& plane)
{
    Resize(picture, plane);
    for (int y = 0; y < plane.height; ++y)
        (saturation == 100 ? ShownRow<true> : ShownRow<false>)(
            picture.bitmap.row(y), plane.width, saturation,
            plane.levels.data() + static_cast<std::size_t>(y) * plane.width);
}

}  // namespace quivane
