#pragma once

#include "pipeline/CalculationRecord.h"
#include "image/FinePicture.h"

namespace quivane {

// The recorded run's enhancement redone in exact arithmetic (FineEnhancement)
// on `start`'s luminance, with the plane reuse, offsets and clamps of the
// described run and as far as that run got. Chroma is left as it is.
FinePicture EnhanceFine(const CalculationRecord& record, FinePicture start);

// The combination's bytes as levels: the floor of every fine channel.
FinePicture WholeLevels(const FinePicture& fine);

// The run redone exactly twice: from the combination with its fractions and
// from its bytes. Their difference is what the fractions change in the
// result; the described truncations themselves cancel out of it. Each of the
// two takes a core of its own. An invalid record gives two empty pictures.
struct FineRuns {
    FinePicture fromFractions;
    FinePicture fromBytes;
};
FineRuns EnhanceBoth(const CalculationRecord& record);

}  // namespace quivane
