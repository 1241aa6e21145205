#include "image/LevelPicture.h"

#include <cmath>
#include <cstdint>

namespace quivane {
namespace {

std::uint8_t Byte(float level)
{
    const float rounded = std::nearbyint(level);
    if (!(rounded > 0.0f)) return 0;
    return rounded >= 255.0f ? 255 : static_cast<std::uint8_t>(rounded);
}

}  // namespace

LevelPicture LevelsOf(const Bitmap24& bitmap, bool grey)
{
    LevelPicture picture(bitmap.width(), bitmap.height(), grey ? 1 : 3);
    for (int y = 0; y < bitmap.height(); ++y) {
        const ColourPixel* row = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            if (grey) {
                picture.at(x, y) = row[x].green;
            } else {
                picture.at(x, y, 0) = row[x].red;
                picture.at(x, y, 1) = row[x].green;
                picture.at(x, y, 2) = row[x].blue;
            }
        }
    }
    return picture;
}

Bitmap24 BitmapOf(const LevelPicture& picture)
{
    Bitmap24 bitmap(picture.width, picture.height);
    const int last = picture.channels - 1;
    for (int y = 0; y < bitmap.height(); ++y) {
        ColourPixel* row = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            row[x].red = Byte(picture.at(x, y, 0));
            row[x].green = Byte(picture.at(x, y, last > 0 ? 1 : 0));
            row[x].blue = Byte(picture.at(x, y, last));
        }
    }
    return bitmap;
}

}  // namespace quivane
