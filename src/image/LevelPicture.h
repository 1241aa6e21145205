#pragma once

#include <cstddef>
#include <vector>

#include "image/Bitmap.h"

namespace quivane {

// A rendered picture ready to be saved at any depth: levels on the 0..255
// scale of the 24-bit picture, with whatever fractions the calculation kept,
// in one channel (grey) or three (red, green, blue), rows top first.
struct LevelPicture {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<float> levels;

    LevelPicture() = default;
    LevelPicture(int w, int h, int c)
        : width(w), height(h), channels(c),
          levels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * static_cast<std::size_t>(c), 0.0f)
    {
    }

    std::size_t index(int x, int y, int channel) const
    {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
                   static_cast<std::size_t>(channels) +
               static_cast<std::size_t>(channel);
    }
    float at(int x, int y, int channel = 0) const { return levels[index(x, y, channel)]; }
    float& at(int x, int y, int channel = 0) { return levels[index(x, y, channel)]; }
};

// The 24-bit rendering as levels, whole numbers all. `grey` keeps one
// channel, which a grey rendering (blue = green = red) loses nothing by.
LevelPicture LevelsOf(const Bitmap24& bitmap, bool grey);

// Back to 24 bits: levels rounded and clamped to 0..255, one channel
// repeated into all three. The exact inverse of LevelsOf.
Bitmap24 BitmapOf(const LevelPicture& picture);

}  // namespace quivane
