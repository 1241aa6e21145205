#pragma once

#include <cstdint>
#include <vector>

#include "image/Picture.h"

namespace quivane {

// Working storage of MedianRowSums, kept between rows so that a run
// allocates it once.
struct MedianRowWork {
    std::vector<const std::uint8_t*> rows;     // each picture's source row
    std::vector<const std::uint8_t*> direct;   // each picture's bytes of the first chunk read in place
    std::vector<const std::uint8_t*> stacked;  // each picture's bytes of a chunk copied into `stack`
    std::vector<std::uint8_t> stack;
};

// The numerators of CombineMedian for pixels 0..width-1 of result row y,
// four channels a pixel, into `sums`; returns their one divisor, 2h + 1.
// Each byte's values at the two ends of the window are found bit by bit,
// counting values below a trial across the pictures for 64 bytes of the row
// at a time, without sorting; the sum between them follows from those two
// values alone. Bytes every picture holds unclamped are read where they
// lie; the few at the edges are copied first. No pictures (count below 1) gives sums of 0 over 1; more
// than 1000 pictures is a RangeCheckError, thrown before anything is read.
int MedianRowSums(const PictureSeries& list, int count, int y, int width, int param, MedianRowWork& work,
                  std::vector<int>& sums);

}  // namespace quivane
