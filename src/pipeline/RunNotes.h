#pragma once

#include "pipeline/CalculationRecord.h"
#include "image/PictureNotes.h"

namespace quivane {

// What a saved file says about the calculation behind it: the frames, the
// combine method and its parameter, the frames it took, and each
// enhancement stage with its values ("off" when not run). Without a run
// since the load, `loadedPictures` and that the result is the first
// picture as loaded.
PictureNotes DescribeRun(const CalculationRecord& record, int loadedPictures);

}  // namespace quivane
