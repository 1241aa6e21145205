#pragma once

#include "image/Bitmap.h"
#include "image/Picture.h"

namespace quivane {

// Sum over the compared region (placed as rendering places the picture) of min(255, e * e / 256), e the difference
// between the reference's stored luminance (read through its offsets) and the
// luminance of the rendered picture in `display`. Recolours the display as a
// comparison overlay: in full-colour mode grey where the two agree (e < 16)
// and red = reference, green = picture, blue = difference elsewhere; in any
// other mode red = green = reference, blue = picture.
long long AlignmentScore(const Picture& reference, Bitmap24& display, int startX, int startY, int mode);

}  // namespace quivane
