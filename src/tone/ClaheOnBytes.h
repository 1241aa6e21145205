#pragma once

#include "image/Picture.h"

namespace quivane {

// ApplyClahe's direct path: equalises the luminance bytes of an unshifted
// picture of 8 x 6 to 768 x 576 pixels where they lie, without the working
// planes the general path copies them through, to the same bytes: the same
// regions, clipped mappings and blend, and 0 where no sub-region reaches.
// Returns false, and changes nothing, for any other picture.
bool EqualiseLuminanceBytes(Picture& picture, double clipFactor);

}  // namespace quivane
