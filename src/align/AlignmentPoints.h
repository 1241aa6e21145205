#pragma once

#include <vector>

#include "align/LumaGrid.h"

namespace quivane {

// A square box of the result grid whose shift is measured and stacked on its
// own. Boxes overlap by half their size, so that their blending windows add
// up to one.
struct AlignmentPoint {
    int left = 0;
    int top = 0;
    int size = 0;

    int centreX() const { return left + size / 2; }
    int centreY() const { return top + size / 2; }
    friend bool operator==(const AlignmentPoint&, const AlignmentPoint&) = default;
};

// Box sizes a user may choose; they are even so that half a box is a whole
// number of pixels.
constexpr int MinimumBoxSize = 16;
constexpr int MaximumBoxSize = 256;

// Seeing bends a frame over patches of some tens of its pixels: boxes of 16
// frame pixels, as many picture pixels as the enlargement makes of them,
// held within the box sizes and at most a third of the picture's smaller side.
int DefaultBoxSize(int width, int height, int enlargement);

// Fewer points than this cannot be told from chance on a small disc; the
// grid then falls back to the global offsets.
constexpr int MinimumPoints = 3;

// The boxes of a grid of `boxSize` (made even) at half-box spacing, centred
// on the picture, that lie on the object and hold structure in both
// directions: at least half of a box above the sky, and the weaker direction
// of its luminance gradients (the structure tensor's smaller eigenvalue)
// strong enough to pin a shift along both axes. A flat sky or a smooth limb
// fails that. An object smaller than four boxes' area (a small planet), or
// fewer than MinimumPoints boxes, give none. Rows of boxes top first, each
// row left to right.
std::vector<AlignmentPoint> PlaceAlignmentPoints(const LumaGrid& reference, int boxSize);

// The smaller eigenvalue of the box's structure tensor: the mean squared
// luminance gradient, in levels per pixel squared, along the direction where
// it is weakest.
double WeakestStructure(const LumaGrid& grid, const AlignmentPoint& box);

}  // namespace quivane
