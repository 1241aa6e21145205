#pragma once

#include <memory>

#include "image/FinePicture.h"
#include "image/Plane.h"

namespace quivane {

// The working plane of the deep path: the capacity, sizes and copy rules of
// Plane, with samples of double precision and no range of their own, so the
// enhancement stages can follow the described ones without truncating a
// division or failing a 16-bit store.
class FinePlane {
public:
    FinePlane() : samples_(new double[static_cast<std::size_t>(ScratchColumns) * ScratchRows]()) {}

    int height = 0;
    int width = 0;

    const double* row(int y) const { return samples_.get() + static_cast<std::size_t>(y) * ScratchColumns; }
    double* row(int y) { return samples_.get() + static_cast<std::size_t>(y) * ScratchColumns; }

private:
    std::unique_ptr<double[]> samples_;
};

// PictureToScratch for the fine luminance: read through the offsets (dx,
// dy), edges repeated; the plane's size becomes the picture's (at most
// 768 x 576).
void FineToScratch(const FinePicture& picture, int dx, int dy, FinePlane& plane);

// ScratchToPicture with divisor 1: the plane, clamped to 0..255, into the
// fine luminance through the offsets; the chroma is not touched.
void FineScratchToPicture(FinePicture& picture, int dx, int dy, FinePlane& plane);

// Size and the samples in use; samples outside that area are not touched.
void CopyFineScratch(const FinePlane& source, FinePlane& destination);

}  // namespace quivane
