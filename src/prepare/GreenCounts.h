#pragma once

#include <array>
#include <cstdint>

#include "image/PixelHelpers.h"
#include "image/Pixels.h"

namespace quivane {

// The ways of counting, of which GreenCounts takes the fastest the processor
// has by default; each gives the same counts, and a test holds every one the
// processor has to counting sample by sample.
enum class CountWay { Plain, Avx512 };
bool ProcessorHas(CountWay way);

// Counts the green channel (a grey byte's level) of every second pixel of
// the rows it is given, pixels 0, 2, 4 and on: a frame's object threshold is
// found from one pixel in four.
class GreenCounts {
public:
    explicit GreenCounts(CountWay way = Fastest());

    void addRow(const ColourPixel* row, int width);
    void addRow(const std::uint8_t* row, int width);

    // The counts so far, each at most 65535: they saturate rather than wrap.
    Histogram histogram() const;

    // A sky of one level would make every count wait for the one before,
    // so sets of counters take turns and are added up at the end.
    static constexpr std::size_t Sets = 8;
    using Counters = std::array<std::array<std::uint32_t, 256>, Sets>;

    // The vector way tallies a run of rows whose samples all lie in one band
    // of eight levels, from `first` on, before it adds them to the counts:
    // byte 8 q + j of the tallies counts level first + j in the 64-bit lane
    // q of the `blocks` of 64 samples tallied.
    struct Band {
        alignas(64) std::array<std::uint8_t, 64> tallies{};
        int first = -1;
        int blocks = 0;
    };

private:
    static CountWay Fastest();

    CountWay way_;
    Counters counts_{};
    Band band_;
};

}  // namespace quivane
