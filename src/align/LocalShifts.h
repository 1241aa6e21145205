#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "align/AlignmentPoints.h"
#include "align/LumaGrid.h"
#include "image/Picture.h"

namespace quivane {

// Local shifts are measured to a sixteenth of a pixel.
constexpr int ShiftScale = 16;

// How far a box is read beyond the picture's own offsets, in sixteenths of a
// pixel: the box of the result grid shows the picture's pixels at (x + Dx +
// x / 16, y + Dy + y / 16). `sure` is false when the best match lay on the
// edge of the search, where the true one may lie beyond.
struct LocalShift {
    int x = 0;
    int y = 0;
    bool sure = true;

    friend bool operator==(const LocalShift&, const LocalShift&) = default;
};

// Seeing moves a part of a frame by a pixel or two against the frame as a
// whole: three frame pixels, in picture pixels, leave room for the worst.
int DefaultSearchRadius(int enlargement);

// The reference's levels over each box (held within 0..255 * LumaScale
// whatever grid a caller made) and their sums, read once for every picture
// measured against them.
struct ReferenceBox {
    AlignmentPoint point;
    bool inside = false;  // lies wholly on the reference; a box that does not is never measured
    std::vector<std::int16_t> levels;  // rows of the box's size
    long long sum = 0;
    long long squares = 0;
};
std::vector<ReferenceBox> ReadReferenceBoxes(const LumaGrid& reference, const std::vector<AlignmentPoint>& points);

// The shift of each box of `picture` (read through its offsets, edges
// repeated, its levels matched to the reference box's mean and spread)
// against the reference: the whole-pixel shift within `radius`
// that gives the smallest sum of squared luminance differences over the box,
// found by walking downhill from no shift, then refined along each axis by
// the vertex of the parabola through the best sum and its two neighbours.
std::vector<LocalShift> MeasureLocalShifts(const LumaGrid& reference, const Picture& picture,
                                           const std::vector<AlignmentPoint>& points, int radius);
// The same against boxes read before, one result per box.
std::vector<LocalShift> MeasureLocalShifts(const std::vector<ReferenceBox>& reference, const Picture& picture,
                                           int radius);

// The sum of squared differences over `rows` rows of 16-bit levels,
// `aStride` and `bStride` levels apart, summed in one pass, for differences
// within ±23170, where four squares still fit 32 bits (reference levels of
// 0..255 * LumaScale against levels matched within four times that range of
// them stay within ±20400): sixteen at a time where the active level is
// AVX2, to the same sum as one at a time.
long long SquaredDifferences(const std::int16_t* a, std::ptrdiff_t aStride, const std::int16_t* b,
                             std::ptrdiff_t bStride, int count, int rows);

// A shift that is not sure, or lies further than `limit` sixteenths from the
// median of its sure neighbours' (the boxes it overlaps), becomes that median,
// each axis on its own. Every decision is taken on the shifts as measured. A
// box without sure neighbours keeps its shift.
void ReplaceOutliers(const std::vector<AlignmentPoint>& points, std::vector<LocalShift>& shifts, int limit);

}  // namespace quivane
