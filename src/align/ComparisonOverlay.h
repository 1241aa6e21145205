#pragma once

#include "image/Bitmap.h"
#include "image/Picture.h"

namespace quivane {

// How the comparison overlay colours a rendered picture against the reference.
enum class OverlayStyle {
    // Grey where the two agree (difference below 16); elsewhere red = reference,
    // green = picture, blue = difference.
    FullColour,
    // Red = green = reference, blue = picture everywhere.
    TwoTone,
};

// Recolours `display`, which holds a picture rendered with the same placement
// (startX, startY as rendering takes them), as a comparison with the
// reference's stored luminance read through its offsets. Returns the
// region's mismatch score: the sum of min(255, e * e / 256), e the difference
// between the reference's luminance and the displayed pixel's.
long long DrawComparisonOverlay(const Picture& reference, Bitmap24& display, int startX, int startY,
                                OverlayStyle style);

}  // namespace quivane
