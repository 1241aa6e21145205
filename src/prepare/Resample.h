#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>

#include "image/Bitmap.h"

namespace quivane {

// A reconstruction kernel: its weight at a signed distance in source pixels,
// and the distance beyond which the weight is zero.
struct ResampleFilter {
    const char* name;
    float (*weightFunction)(float);
    float support;
};

// Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell, Mitchell2 —
// the order is the one the choice list shows, so indices are stable.
extern const std::array<ResampleFilter, 8> ResampleFilters;

// The kernel the program enlarges with.
constexpr std::size_t Mitchell2 = 7;

class ResampleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Enlarges `source` into `destination`, whose size the caller has already set
// (each side at least the source's and at most 768). The result is bit-exact
// for a given filter: every sum is accumulated in float in a fixed order.
// On a size error it throws ResampleError before touching either bitmap.
// `source` and `destination` may be the same object.
void Resample(const Bitmap24& source, Bitmap24& destination, float (*filter)(float), float support);

// The same for grey levels: the very bytes each channel of the grey's colour
// pixels (three equal channels) would give, with a third of the work.
void Resample(const Bitmap8& source, Bitmap8& destination, float (*filter)(float), float support);

}  // namespace quivane
