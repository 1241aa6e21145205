#pragma once

#include <cstdint>

#include "image/ByteRange.h"

namespace quivane {

// What a frame's survey needs of one row of luminance: its range, and its
// weights above a threshold (a luminance above it weighs its own value, any
// other nothing) summed alone and times their column.
struct RowSurvey {
    int minimum = 255, maximum = 0;
    std::int64_t total = 0, sumX = 0;
};

// A row of grey bytes, which are their own luminance.
RowSurvey SurveyRow(const std::uint8_t* row, int width, int threshold);

// The row's range alone, a fraction of the survey's work: a row whose largest
// byte is at most the threshold weighs nothing.
ByteRange RowRange(const std::uint8_t* row, int width);

}  // namespace quivane
