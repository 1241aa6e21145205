#include "align/LuminancePlane.h"

#include "cpu/SimdTargets.h"
#include "image/PixelHelpers.h"
#include "image/UnpackRow.h"

namespace quivane {
namespace {

void Resize(const Picture& picture, LuminancePlane& plane)
{
    plane.width = picture.bitmap.width();
    plane.height = picture.bitmap.height();
    plane.levels.resize(static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height));
}

// One row of ShownLuminance, its channels worked out as UnpackRow's are, so
// that the loop runs in vector registers. Built as wide as the active
// level.
template <bool FullSaturation>
[[gnu::always_inline]] inline void ShownRow(const PicturePixel* in, int width, int saturation, std::uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        const int red = in[x].chromaRed, green = in[x].chromaGreen, blue = in[x].chromaBlue;
        const int lum = ChromaLuminance(red, green, blue);
        const auto shown = static_cast<float>(in[x].luminance);
        out[x] = static_cast<std::uint8_t>(Luminance(UnpackedChannel<FullSaturation>(red, lum, saturation, shown),
                                                     UnpackedChannel<FullSaturation>(green, lum, saturation, shown),
                                                     UnpackedChannel<FullSaturation>(blue, lum, saturation, shown)));
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
    for (int y = 0; y < plane.height; ++y) {
        const PicturePixel* in = picture.bitmap.row(y);
        std::uint8_t* out = plane.levels.data() + static_cast<std::size_t>(y) * plane.width;
        if (saturation == 100) {
            OnActiveSimdLevel<ShownRow<true>>(in, plane.width, saturation, out);
        } else {
            OnActiveSimdLevel<ShownRow<false>>(in, plane.width, saturation, out);
        }
    }
}

}  // namespace quivane
