#pragma once

#include "combine/LocalPlan.h"
#include "image/Picture.h"
#include "select/KeepBest.h"

namespace quivane {

// A plan and how many of the usable pictures each point keeps, the sharpest
// there.
struct LocalStacking {
    const LocalPlan& plan;
    KeepRule keep = KeepRule::Percent(100);
    // Pictures read at once (0: one per core); the stack is the same for
    // any number.
    int threads = 0;
};

// Each box's own stack: the quality-weighted mean of the pictures it keeps,
// each read through its offsets and its shift field (the points' shifts
// spread bilinearly over every pixel, read between pixels; see LocalWarp).
// The boxes are blended into the result picture, which holds the global
// stack, with raised-cosine windows that add up to one wherever boxes
// overlap on both axes; where they thin out at the edge of the points, the
// global stack takes the rest, so no box edge shows. Does nothing for an
// empty plan or one made for other pictures.
void StackLocally(PictureSeries& pictures, int count, const LocalStacking& local);

// The window of a box of `size` (even) pixels along one axis, in 64ths:
// sin² of the position, so that windows half a box apart add up to 64.
std::vector<int> BoxWindowWeights(int size);

}  // namespace quivane
