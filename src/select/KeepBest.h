#pragma once

#include <vector>

#include "select/BadFrames.h"

namespace quivane {

// How many of the usable frames (those no verdict found bad) to keep: a
// percentage of them, rounded to the nearest frame (halves up), or a count.
// Either is held within 0 and the number of usable frames.
struct KeepRule {
    enum class Kind { Percent, Count };
    Kind kind = Kind::Percent;
    int amount = 25;

    static KeepRule Percent(int percent) { return {Kind::Percent, percent}; }
    static KeepRule Count(int count) { return {Kind::Count, count}; }
};

// The number of frames the rule keeps of `usable`.
int KeptCount(KeepRule rule, int usable);

// A quality mark for every frame from its score (larger is sharper): bad
// frames are Dont and take no part in the ranking; of the rest, the best
// KeptCount are kept, the best quarter of those (rounded up, so the best
// frame kept is always Good) Good and the others kept Avg; the rest are
// Dont. Equal scores rank by frame order, the earlier first, and a score
// that is not a number ranks last. `verdicts` is either empty (no frame bad)
// or one a frame.
std::vector<int> MarksFromRanking(const std::vector<double>& scores, const std::vector<FrameVerdict>& verdicts,
                                  KeepRule rule = {});

}  // namespace quivane
