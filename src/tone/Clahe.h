#pragma once

#include <vector>

#include "image/Plane.h"
#include "image/Picture.h"
#include "image/PixelHelpers.h"

namespace quivane {

// Contrast-limited adaptive histogram equalisation of a picture's luminance.
// The picture is cut into a fixed grid of regions; each region gets its own
// equalising mapping from its clipped histogram, and every pixel is mapped by
// a bilinear blend of the mappings of the four nearest region centres.

constexpr int ClaheRegionsX = 8;
constexpr int ClaheRegionsY = 6;

// A limit no region of the 8 x 6 grid at a working size (at most 96 x 96
// samples) can reach: clipping is off and CLAHE becomes plain AHE. A region
// of a coarser grid may exceed it and is then still clipped.
constexpr int ClaheNoClipLimit = 16384;

// The clip limit for regions of `nrPixels` pixels: round(clipFactor *
// (nrPixels div 256)), ties to even, clamped to 0..65535; a factor below 1
// switches clipping off. Regions under 256 pixels therefore get limit 0 for
// any factor >= 1.
int ClaheClipLimit(double clipFactor, int nrPixels);

// Counts the values of region (rx, ry), whose size is xSize x ySize, into the
// histogram. A count beyond 65535, a value outside 0..255 or a region outside
// the plane is a RangeCheckError.
void MakeHistogram(const Plane& source, int rx, int ry, int xSize, int ySize, Histogram& histogram);

// Cuts every bin down to `clipLimit` (0..65535) and hands the cut-off counts
// back to the bins below the limit: first an equal share, then one by one.
void ClipHistogram(Histogram& histogram, int clipLimit);

// Turns the histogram in place into a mapping 0..255: the running sum scaled
// by 255 / nrPixels, rounded to nearest with ties to even, clamped to a byte.
// nrPixels must be positive (RangeCheckError otherwise).
void MapHistogram(Histogram& histogram, int nrPixels);

// Maps the subX x subY samples starting at (xStart, yStart) through a blend of
// four mappings (upper-left, upper-right, lower-left, lower-right) weighted by
// the distance to the opposite side; the division truncates. Samples outside
// that area are not touched.
void InterpolateRegion(const Plane& source, Plane& destination, const Histogram& lu, const Histogram& ru,
                       const Histogram& lb, const Histogram& rb, int xStart, int yStart, int subX, int subY);

// One sub-region of the blend: where it lies and the regions whose mappings
// it blends (upper-left, upper-right, lower-left, lower-right), each as the
// index ry * nrX + rx. The half-size ones at the borders take a single
// region on that axis, so the picture's rim is never blended with anything
// beyond it.
struct ClaheTile {
    int xStart, yStart, subX, subY;
    int lu, ru, lb, rb;
};

// The (nrX + 1) x (nrY + 1) sub-regions, row by row, for regions of
// xSize x ySize.
std::vector<ClaheTile> ClaheTiles(int nrX, int nrY, int xSize, int ySize);

// Every region's mapping (histogram, clipped, mapped), by index
// ry * nrX + rx, with the checks and sizes of Clahe below.
std::vector<Histogram> ClaheMappings(const Plane& source, int width, int height, int nrX, int nrY, double clipFactor);

// Equalises the top-left width x height samples of `source` (values 0..255)
// into `destination` with an nrX x nrY grid of regions. Only the area the
// sub-regions tile is written; that is the whole picture whenever width and
// height are multiples of 2 * nrX and 2 * nrY. The destination's Width and
// Height are left alone. Needs 1 <= nrX <= width <= 768 and
// 1 <= nrY <= height <= 576 (RangeCheckError otherwise).
void Clahe(const Plane& source, Plane& destination, int width, int height, int nrX, int nrY, double clipFactor);

// The clip factor of the CLAHE spin edit's setting: 0 is plain adaptive
// equalisation, 1..16 give 1.5 .. 9.0.
constexpr double ClaheClipFactor(int setting) { return setting == 0 ? 0.0 : setting / 2.0 + 1.0; }

// Equalises the picture's luminance in place with the 8 x 6 grid; the chroma
// bytes stay. A clip factor below 1 gives plain adaptive equalisation. The
// luminance goes through planes (read and written through the picture's
// offsets) as Clahe needs; an unshifted picture of a working size is
// equalised where it lies instead, to the same bytes (EqualiseLuminanceBytes).
void ApplyClahe(Picture& picture, double clipFactor);

}  // namespace quivane
