#pragma once

#include <cstdint>
#include <random>
#include <vector>

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

// A series whose result is pictures[0] and whose inputs are the rest.
inline PictureSeries SeriesOf(std::vector<Picture> pictures)
{
    PictureSeries series;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i == 0)
            series.setResult(std::move(pictures[i]));
        else
            series.addInput(std::move(pictures[i]));
    }
    return series;
}

// Adds a picture as a load does: the first becomes the result, every later
// one the next input.
inline void Append(PictureSeries& series, Picture picture)
{
    if (series.empty())
        series.setResult(std::move(picture));
    else
        series.addInput(std::move(picture));
}

// The picture added last.
inline Picture& Last(PictureSeries& series) { return series.at(series.inputCount()); }

// The pictures a series holds, its result included.
inline std::size_t PicturesIn(const PictureSeries& series)
{
    return series.empty() ? 0 : static_cast<std::size_t>(series.inputCount()) + 1;
}

// Calls `visit` with every picture of the series, the result first.
template <class Visit>
void ForEachPicture(PictureSeries& series, Visit visit)
{
    if (series.empty()) return;
    for (int n = 0; n <= series.inputCount(); ++n) visit(series.at(n));
}

// A series of `inputs` copies of `picture`, its result a copy too.
inline PictureSeries SeriesOf(int inputs, const Picture& picture)
{
    return SeriesOf(std::vector<Picture>(static_cast<std::size_t>(inputs) + 1, picture));
}

}  // namespace quivane::testing
