#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quivane {

// How a one-channel frame's samples are to be read as colour: none for grey,
// or the colour of the top-left 2 x 2 cell's samples in reading order.
enum class Mosaic { None, RGGB, GRBG, GBRG, BGGR };

// A frame as a camera or a file gave it, before it is cut to 8 bits: one
// channel (grey, or a raw colour mosaic) or three (red, green, blue,
// interleaved). Every sample is scaled to 0..65535 whatever the depth of the
// file, so that the stages after reading need not know it; 8-bit data is
// scaled by 257, which the top byte undoes exactly.
struct DeepFrame {
    int width = 0;
    int height = 0;
    int channels = 1;  // 1 or 3
    int bits = 8;      // significant bits per sample in the file: 8..16
    Mosaic mosaic = Mosaic::None;
    std::vector<std::uint16_t> samples;  // rows top first, no padding

    DeepFrame() = default;
    DeepFrame(int w, int h, int c)
        : width(w), height(h), channels(c),
          samples(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * static_cast<std::size_t>(c), 0)
    {
    }

    std::uint16_t* row(int y)
    {
        return samples.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(channels);
    }
    const std::uint16_t* row(int y) const
    {
        return samples.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(channels);
    }
    std::uint16_t at(int x, int y, int channel = 0) const
    {
        return row(y)[static_cast<std::size_t>(x) * static_cast<std::size_t>(channels) +
                      static_cast<std::size_t>(channel)];
    }

    friend bool operator==(const DeepFrame&, const DeepFrame&) = default;
};

}  // namespace quivane
