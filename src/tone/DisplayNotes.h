#pragma once

#include <vector>

#include "image/PictureNotes.h"
#include "tone/FineClahe.h"
#include "tone/ToneSettings.h"

namespace quivane {

// What a saved file says about how it was rendered: the display mode (with
// the saturation where it acts), and each tone stage that is on: the
// equalisations since the run with their clip factors, bias and gain, the
// lookup table, the 15..240 mapping.
PictureNotes DescribeDisplay(int flags, const ToneSettings& tone, const std::vector<ClaheStep>& equalisations);

}  // namespace quivane
