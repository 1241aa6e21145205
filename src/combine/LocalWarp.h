#pragma once

#include <array>
#include <vector>

#include "align/AlignmentPoints.h"
#include "align/LocalShifts.h"
#include "image/Picture.h"

namespace quivane {

// Sub-pixel positions are read to a sixty-fourth of a pixel.
constexpr int WarpPhases = 64;

// The alignment points' shifts of one picture spread over every pixel: the
// points sit on a lattice half a box apart, a lattice node without a point
// (sky, a smooth limb) takes the mean of its filled neighbours, ring by ring
// outward from the points, and between node centres the shift is bilinear;
// beyond the outermost centres it stays that of the nearest edge. Seeing
// bends a frame smoothly over many boxes, so one shift per box, or a step
// between boxes, would leave part of the bending in every box.
class ShiftField {
public:
    // The lattice of `points` (all of one size, at half-box spacing, as
    // PlaceAlignmentPoints lays them); `shifts` one per point, in sixteenths.
    ShiftField(const std::vector<AlignmentPoint>& points, const std::vector<LocalShift>& shifts);

    bool empty() const { return nodes_.empty(); }
    // The shift at pixel (x, y) of the result grid, in sixty-fourths.
    std::array<int, 2> at(int x, int y) const;
    // The same for every pixel x = 0..width - 1 of row y, with the lattice's
    // vertical blend made once per node column: the same numbers as at().
    void row(int y, int width, std::vector<std::array<int, 2>>& shifts) const;
    // The same for x = begin..end - 1 only (0 <= begin <= end): `shifts`
    // holds end pixels, those before begin left as they were.
    void row(int y, int begin, int end, std::vector<std::array<int, 2>>& shifts) const;

private:
    int originX_ = 0;  // the first node's centre
    int originY_ = 0;
    int step_ = 1;     // half a box
    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::array<int, 2>> nodes_;  // sixteenths, rows top first
};

// The picture's bitmap read at (px, py) sixty-fourths of a pixel, each
// channel interpolated between the sixteen nearest pixels (Catmull-Rom,
// edges repeated), at 16 times the byte scale; order chroma blue, green,
// red, luminance.
std::array<int, 4> WarpedPixel(const Bitmap32& bitmap, int px, int py);

// A picture's pixels read through its offsets and the field, as WarpedPixel
// reads them. Only the pixels where `wanted` is set are read (the others are
// 0); `wanted` covers the result grid, rows top first. Each pixel's sixteen
// neighbours are read straight from the bitmap inside it, gathered with the
// edge clamps near its edges, and weighed in vector code as wide as the
// active level, to the same numbers.
void WarpPicture(const Picture& picture, const ShiftField& field, const std::vector<char>& wanted,
                 std::vector<std::array<int, 4>>& out);

// Adds `weight` times each wanted pixel, as WarpPicture reads it, to `sums`
// (of the result grid's size, else nothing is added), without writing the
// pixels anywhere first.
void AddWarpedPicture(const Picture& picture, const ShiftField& field, const std::vector<char>& wanted, int weight,
                      std::vector<std::array<int, 4>>& sums);

}  // namespace quivane
