#pragma once

#include <vector>

#include "image/FinePicture.h"
#include "image/Picture.h"

namespace quivane {

struct MedianRowWork;

// The combine methods once more, keeping what their divisions drop. Each
// gives the described byte pixel (exactly what CombineMean & co. give) and
// the same pixel with every channel the exact quotient, so the floor of a
// fine channel is always its byte.
struct FineCombination {
    PicturePixel pixel;
    FinePixel fine;
};

// Weighted sum over the weight sum.
FineCombination CombineMeanFine(const PictureSeries& list, int count, int x, int y);

// The same for pixels 0..width-1 of result row y, a whole row at a time;
// `sums` is working storage.
void CombineMeanFineRow(const PictureSeries& list, int count, int y, PicturePixel* row, FinePixel* fineRow, int width,
                        std::vector<int>& sums);

// The window's sum over its 2h + 1 places. More than 1000 pictures is a
// RangeCheckError, as in the described method.
FineCombination CombineMedianFine(const PictureSeries& list, int count, int x, int y, int param);

// The same for pixels 0..width-1 of result row y, a whole row at a time;
// `work` and `sums` are working storage.
void CombineMedianFineRow(const PictureSeries& list, int count, int y, int param, PicturePixel* row, FinePixel* fineRow,
                          int width, MedianRowWork& work, std::vector<int>& sums);

// The luminance is a picture's own (darkest or brightest), so only the
// chroma means have fractions.
FineCombination CombineMinMaxFine(const PictureSeries& list, int count, int x, int y, int param);

// The product over the divisor, saturated at 255.
FineCombination CombineMultiplyFine(const PictureSeries& list, int count, int x, int y, int param);

}  // namespace quivane
