#pragma once

#include <array>
#include <vector>

#include "image/Picture.h"

namespace quivane {

struct MedianRowWork;

// Weight of each quality mark in the mean: "Dont" 0, "Bad" 10, "Avg" 20, "Good" 40.
constexpr std::array<int, 4> QualityWeights = {0, 10, 20, 40};

// The median keeps its values in working stores of this many pictures.
constexpr int MedianCapacity = 1000;

// One result pixel from input pictures 1..count of `list`, each read through
// its offsets. All four bytes are combined channel by channel.

// Quality-weighted mean; every picture "Dont" gives 0.
PicturePixel CombineMean(const PictureSeries& list, int count, int x, int y);

// The numerators of CombineMean for pixels 0..width-1 of result row y,
// four channels a pixel, summed a whole row at a time in vector registers;
// returns their one divisor, the weights' sum (1 when every weight is 0).
int MeanRowSums(const PictureSeries& list, int count, int y, int width, std::vector<int>& sums);

// CombineMean for pixels 0..width-1 of result row y, from MeanRowSums: the
// same bytes. `sums` is working storage.
void CombineMeanRow(const PictureSeries& list, int count, int y, PicturePixel* row, int width, std::vector<int>& sums);

// Mean of the sorted values within `param` places of the median (clamped at
// both ends, so end values may count again); 0 is the plain median. Quality
// marks are not consulted. More than 1000 pictures is a RangeCheckError.
PicturePixel CombineMedian(const PictureSeries& list, int count, int x, int y, int param);

// CombineMedian for pixels 0..width-1 of result row y, from MedianRowSums:
// the same bytes. `work` and `sums` are working storage.
void CombineMedianRow(const PictureSeries& list, int count, int y, int param, PicturePixel* row, int width,
                      MedianRowWork& work, std::vector<int>& sums);

// Darkest luminance of the used pictures where their mean luminance is
// below `param`, brightest otherwise; chroma is the plain mean. "Dont"
// pictures are left out.
PicturePixel CombineMinMax(const PictureSeries& list, int count, int x, int y, int param);

// Product of the first seven used pictures' values divided by (param div 4)
// per picture, saturated at 255. "Dont" pictures are left out.
PicturePixel CombineMultiply(const PictureSeries& list, int count, int x, int y, int param);

}  // namespace quivane
