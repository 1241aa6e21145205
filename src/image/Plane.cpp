#include "image/Plane.h"

#include <algorithm>

#include "image/PixelHelpers.h"

namespace quivane {
namespace {

void SizeFromPicture(const TInputImage& picture, Tscratch& plane)
{
    plane.Height = std::min(ScratchRows, picture.Bitmap.height());
    plane.Width = std::min(ScratchColumns, picture.Bitmap.width());
}

}  // namespace

void PictureToScratch(const TInputImage& picture, Tscratch& plane)
{
    SizeFromPicture(picture, plane);
    const Bitmap32& bitmap = picture.Bitmap;
    for (int y = 0; y < plane.Height; ++y) {
        const PicturePixel* source = bitmap.row(std::clamp(y - picture.Dy, 0, bitmap.height() - 1));
        std::int16_t* target = plane.row(y);
        for (int x = 0; x < plane.Width; ++x) target[x] = source[std::clamp(x - picture.Dx, 0, bitmap.width() - 1)].luminance;
    }
}

void ScratchToPicture(TInputImage& picture, Tscratch& plane, int divisor)
{
    SizeFromPicture(picture, plane);
    Bitmap32& bitmap = picture.Bitmap;
    const int d = NonZero(divisor);
    for (int y = 0; y < plane.Height; ++y) {
        const std::int16_t* source = plane.row(y);
        PicturePixel* target = bitmap.row(std::clamp(y + picture.Dy, 0, bitmap.height() - 1));
        for (int x = 0; x < plane.Width; ++x) {
            target[std::clamp(x + picture.Dx, 0, bitmap.width() - 1)].luminance =
                static_cast<std::uint8_t>(ClampByte(source[x] / d));
        }
    }
}

void CopyScratch(const Tscratch& source, Tscratch& destination)
{
    destination.Height = source.Height;
    destination.Width = source.Width;
    for (int y = 0; y < source.Height; ++y) std::copy_n(source.row(y), source.Width, destination.row(y));
}

}  // namespace quivane
