#include "align/ComparisonOverlay.h"

#include <algorithm>
#include <cstdlib>

#include "image/PixelHelpers.h"
#include "image/Placement.h"

namespace quivane {

long long DrawComparisonOverlay(const Picture& reference, Bitmap24& display, int startX, int startY,
                                OverlayStyle style)
{
    const Bitmap32& ref = reference.bitmap;
    if (ref.empty() || display.empty()) return 0;
    const Placement ax = PlaceAxis(ref.width(), display.width(), startX);
    const Placement ay = PlaceAxis(ref.height(), display.height(), startY);

    long long score = 0;
    for (int i = 0; i < ay.count; ++i) {
        const int refY = std::clamp(ay.start + i + reference.dy, 0, ref.height() - 1);
        const PicturePixel* refRow = ref.row(refY);
        ColourPixel* shown = display.row(ay.offset + i) + ax.offset;
        for (int j = 0; j < ax.count; ++j) {
            const int refX = std::clamp(ax.start + j + reference.dx, 0, ref.width() - 1);
            const int lr = refRow[refX].luminance;
            const int lp = PixelLuminance(shown[j]);
            const int e = std::abs(lr - lp);
            score += std::min(255, e * e / 256);
            if (style == OverlayStyle::FullColour) {
                if (e < 16) {
                    GreyPixel((lr + lp) / 4, shown[j]);
                } else {
                    shown[j] = ColourPixel{static_cast<std::uint8_t>(e), static_cast<std::uint8_t>(lp),
                                           static_cast<std::uint8_t>(lr)};
                }
            } else {
                shown[j] = ColourPixel{static_cast<std::uint8_t>(lp), static_cast<std::uint8_t>(lr),
                                       static_cast<std::uint8_t>(lr)};
            }
        }
    }
    return score;
}

}  // namespace quivane
