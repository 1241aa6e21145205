#pragma once

#include <cstdint>
#include <vector>

#include "image/Picture.h"

namespace quivane {

// Working storage of MedianRowSums, kept between rows so that a run
// allocates it once.
struct MedianRowWork {
    std::vector<std::int8_t> stack;          // every picture's row, one after the other
    std::vector<std::uint8_t> lower, upper;  // each byte's values at the window's first and last place
};

// The numerators of CombineMedian for pixels 0..width-1 of result row y,
// four channels a pixel, into `sums`; returns their one divisor, 2h + 1.
// Every picture's row is stacked and each byte's values at the two ends of
// the window are found bit by bit, counting down the stack for a whole row
// at a time, without sorting; the sum between them follows from those two
// values alone. No pictures (count below 1) gives sums of 0 over 1; more
// than 1000 pictures is a RangeCheckError, thrown before anything is read.
int MedianRowSums(const PictureList& list, int count, int y, int width, int param, MedianRowWork& work,
                  std::vector<int>& sums);

}  // namespace quivane
