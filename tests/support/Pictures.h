#pragma once

#include <cstdint>

#include "image/Bitmap.h"

namespace quivane::testing {

// A bitmap of one colour.
inline Bitmap24 FilledBitmap(int width, int height, ColourPixel colour)
{
    Bitmap24 bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.at(x, y) = colour;
    return bitmap;
}

// A bitmap of one grey level (blue = green = red).
inline Bitmap24 GreyBitmap(int width, int height, int level)
{
    const auto v = static_cast<std::uint8_t>(level);
    return FilledBitmap(width, height, ColourPixel{v, v, v});
}

}  // namespace quivane::testing
