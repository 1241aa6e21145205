#pragma once

#include <array>
#include <cstdint>

#include "image/PixelHelpers.h"
#include "image/Pixels.h"

namespace quivane {

// Counts the green channel (a grey byte's level) of every second pixel of
// the rows it is given, pixels 0, 2, 4 and on: a frame's object threshold is
// found from one pixel in four.
class GreenCounts {
public:
    void addRow(const ColourPixel* row, int width);
    void addRow(const std::uint8_t* row, int width);

    // The counts so far, each at most 65535: they saturate rather than wrap.
    Histogram histogram() const;

    // A sky of one level would make every count wait for the one before,
    // so sets of counters take turns and are added up at the end.
    static constexpr std::size_t Sets = 8;
    using Counters = std::array<std::array<std::uint32_t, 256>, Sets>;

private:
    Counters counts_{};
};

}  // namespace quivane
