#include "image/Plane.h"

#include <algorithm>

#include "image/PixelHelpers.h"

namespace quivane {
namespace {

void SizeFromPicture(const Picture& picture, Plane& plane)
{
    plane.height = std::min(ScratchRows, picture.bitmap.height());
    plane.width = std::min(ScratchColumns, picture.bitmap.width());
}

}  // namespace

void PictureToScratch(const Picture& picture, Plane& plane)
{
    SizeFromPicture(picture, plane);
    const Bitmap32& bitmap = picture.bitmap;
    for (int y = 0; y < plane.height; ++y) {
        const PicturePixel* source = bitmap.row(std::clamp(y + picture.dy, 0, bitmap.height() - 1));
        std::int16_t* target = plane.row(y);
        for (int x = 0; x < plane.width; ++x) target[x] = source[std::clamp(x + picture.dx, 0, bitmap.width() - 1)].luminance;
    }
}

void ScratchToPicture(Picture& picture, Plane& plane, int divisor)
{
    SizeFromPicture(picture, plane);
    Bitmap32& bitmap = picture.bitmap;
    const int d = NonZero(divisor);
    for (int y = 0; y < plane.height; ++y) {
        const std::int16_t* source = plane.row(y);
        PicturePixel* target = bitmap.row(std::clamp(y + picture.dy, 0, bitmap.height() - 1));
        for (int x = 0; x < plane.width; ++x) {
            target[std::clamp(x + picture.dx, 0, bitmap.width() - 1)].luminance =
                static_cast<std::uint8_t>(ClampByte(source[x] / d));
        }
    }
}

void CopyScratch(const Plane& source, Plane& destination)
{
    destination.height = source.height;
    destination.width = source.width;
    for (int y = 0; y < source.height; ++y) std::copy_n(source.row(y), source.width, destination.row(y));
}

}  // namespace quivane
