#pragma once

#include <optional>
#include <vector>

#include "image/FinePicture.h"
#include "image/LevelPicture.h"
#include "image/Picture.h"
#include "tone/FineClahe.h"
#include "tone/ToneSettings.h"

namespace quivane {

// RenderPicture at full precision, for a deep save: a target of width x
// height with the picture placed as RenderPicture places it with start
// (-1, -1) (margins stay 0), read through the offsets dx, dy; the enabled
// tone stages on the fine luminance (FineToneCurves), then the display mode
// built from the fine chroma, every division exact. B&W (mode 0) gives one
// channel, the other modes three (red, green, blue).
LevelPicture RenderFine(const FinePicture& picture, int dx, int dy, int width, int height, int flags,
                        const ToneSettings& tone);

// What a deep save writes: `shown`, the 8-bit rendering an 8-bit save
// writes, plus what the fractions of the stack change in it. `fromFractions`
// and `fromBytes` are the run redone exactly from the combination with and
// without its fractions (EnhanceBoth); each is equalised as `steps`
// equalised the 8-bit result since the run, and rendered with the current
// offsets, flags and tone; their difference goes onto `shown`, clamped to
// 0..255. The rounding of the 8-bit path thus stays in the deep file as it is
// in the 8-bit one, and where the fractions change nothing the deep file
// holds the 8-bit levels exactly.
//
// The mappings of each equalisation are those of the 8-bit result at that
// moment, found by redoing the steps on `runResult` (the 8-bit result as the
// run left it). Nothing when that does not lead to `current`: the 8-bit
// result was then changed in a way the steps do not tell, and the fractions
// no longer belong to it.
std::optional<LevelPicture> RenderGained(const Bitmap24& shown, const FinePicture& fromFractions,
                                         const FinePicture& fromBytes, const Picture& runResult,
                                         const std::vector<ClaheStep>& steps, const Picture& current, int flags,
                                         const ToneSettings& tone);

}  // namespace quivane
