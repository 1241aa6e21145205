#pragma once

#include <vector>

#include "image/FinePicture.h"
#include "image/Picture.h"

namespace quivane {

// One equalisation of the result, as a deep save must redo it: the clip
// factor and the result's offsets at the time (ApplyClahe reads and writes
// through them).
struct ClaheStep {
    double clipFactor = 2.0;
    int dx = 0;
    int dy = 0;
};

// ApplyClahe(picture, clipFactor) carried out on `fine`, the same picture's
// levels with fractions: the mappings are the ones the picture's own
// luminance bytes give, exactly as the described step builds them; a fine
// level is mapped along the straight line between the two table entries
// around it, and the blend of the four mappings divides exactly. Chroma is
// not touched. `picture` is left as it is.
void ApplyClaheFine(const Picture& picture, FinePicture& fine, double clipFactor);

}  // namespace quivane
