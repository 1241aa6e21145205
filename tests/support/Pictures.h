#pragma once

#include <cstdint>
#include <random>

#include "image/Bitmap.h"
#include "image/Picture.h"

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

// A picture of random bytes, chroma and luminance alike, without offsets.
inline Picture RandomPicture(int width, int height, std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    auto next = [&] { return static_cast<std::uint8_t>(byte(random)); };
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.bitmap.at(x, y) = PicturePixel{next(), next(), next(), next()};
    return picture;
}

}  // namespace quivane::testing
