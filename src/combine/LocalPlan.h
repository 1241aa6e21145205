#pragma once

#include <functional>
#include <vector>

#include "align/AlignmentPoints.h"
#include "align/LocalShifts.h"
#include "image/Picture.h"

namespace quivane {

// What local alignment takes besides the pictures; 0 for a size or radius
// means the default for the pictures' size and enlargement.
struct LocalSettings {
    int boxSize = 0;
    int radius = 0;
    int enlargement = 2;
    // The share of the usable pictures, the sharpest, stacked into the
    // reference the boxes are matched against.
    int referencePercent = 30;
    // Pictures measured at once (0: one per core); the plan is the same for
    // any number.
    int threads = 0;
};

// Alignment points over the object and, for every input picture and point,
// the picture's shift there. Empty (no points) when the object gave too few
// points: the stack then keeps the global offsets.
struct LocalPlan {
    int width = 0;  // the pictures' size
    int height = 0;
    int count = 0;  // input pictures 1..count were measured
    LumaGrid reference;
    std::vector<AlignmentPoint> points;
    // [picture - 1][point]: shifts centred on the series (their quality-
    // weighted mean over the usable pictures is 0 at every point).
    std::vector<std::vector<LocalShift>> shifts;
    // [picture - 1][point]: how sharp each picture's box is (-infinity for a
    // picture that takes no part), for points that keep only their sharpest;
    // empty until RankAtPoints fills it, since a point that keeps every
    // picture needs no ranking.
    std::vector<std::vector<double>> sharpness;

    bool empty() const { return points.empty(); }
};

// Called after each picture measured with its number; false gives up, and
// the plan comes back empty. None (null) lets the pictures be measured
// without a pause between them.
using LocalProgress = std::function<bool(int n)>;

// After the global alignment: stacks the sharpest pictures (by the frame
// selection's sharpness score) through their offsets into a reference,
// places the alignment points on it, and measures every usable picture
// (marked other than "Dont", of the result's size) at every point against
// it, outliers replaced by their neighbours' median (the boxes' sharpness is
// left to RankAtPoints). Centring the shifts
// keeps the stack where the global stack has the object: a reference of a
// few pictures is bent by their own seeing, which the mean over the whole
// series is not.
LocalPlan PlanLocalAlignment(const PictureSeries& pictures, int count, const LocalSettings& settings,
                             const LocalProgress& progress);

// The local sharpness score of every usable picture's box at every point,
// read through its offsets and the whole pixels of its shift there, as the
// plan's `sharpness`; measured `threads` pictures at once (0: one per core),
// the same numbers for any count.
std::vector<std::vector<double>> RankAtPoints(const PictureSeries& pictures, const LocalPlan& plan, int threads);

// The same against a reference of the caller's (of the pictures' size, at
// LumaScale), whose geometry the stack then takes as it is: the shifts are
// not centred.
LocalPlan PlanAgainstReference(const PictureSeries& pictures, int count, LumaGrid reference,
                               const LocalSettings& settings, const LocalProgress& progress);

}  // namespace quivane
