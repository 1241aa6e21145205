#include "image/UnpackRow.h"

#include <algorithm>

namespace quivane {
namespace {

// A piece at a time: the channels are worked out in lanes and then woven
// into pixels, so the loop becomes vector code.
template <bool FullSaturation>
void UnpackPiece(const PicturePixel* in, int count, int saturation, ColourPixel* out)
{
    constexpr int Piece = 64;
    std::int32_t blue[Piece], green[Piece], red[Piece];
    for (int start = 0; start < count; start += Piece) {
        const int n = std::min(Piece, count - start);
        for (int i = 0; i < n; ++i) {
            const PicturePixel p = in[start + i];
            const int lum = ChromaLuminance(p.chromaRed, p.chromaGreen, p.chromaBlue);
            const auto shown = static_cast<float>(p.luminance);
            blue[i] = UnpackedChannel<FullSaturation>(p.chromaBlue, lum, saturation, shown);
            green[i] = UnpackedChannel<FullSaturation>(p.chromaGreen, lum, saturation, shown);
            red[i] = UnpackedChannel<FullSaturation>(p.chromaRed, lum, saturation, shown);
        }
        for (int i = 0; i < n; ++i)
            out[start + i] = ColourPixel{static_cast<std::uint8_t>(blue[i]), static_cast<std::uint8_t>(green[i]),
                                         static_cast<std::uint8_t>(red[i])};
    }
}

}  // namespace

void UnpackRow(const PicturePixel* in, int count, int saturation, ColourPixel* out)
{
    if (saturation == 100) {
        UnpackPiece<true>(in, count, saturation, out);
    } else {
        UnpackPiece<false>(in, count, saturation, out);
    }
}

}  // namespace quivane
