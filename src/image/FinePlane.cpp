#include "image/FinePlane.h"

#include <algorithm>

namespace quivane {
namespace {

void SizeFromPicture(const FinePicture& picture, FinePlane& plane)
{
    plane.height = std::min(ScratchRows, picture.height());
    plane.width = std::min(ScratchColumns, picture.width());
}

}  // namespace

void FineToScratch(const FinePicture& picture, int dx, int dy, FinePlane& plane)
{
    SizeFromPicture(picture, plane);
    for (int y = 0; y < plane.height; ++y) {
        const FinePixel* source = picture.row(std::clamp(y + dy, 0, picture.height() - 1));
        double* target = plane.row(y);
        for (int x = 0; x < plane.width; ++x) target[x] = source[std::clamp(x + dx, 0, picture.width() - 1)].luminance;
    }
}

void FineScratchToPicture(FinePicture& picture, int dx, int dy, FinePlane& plane)
{
    SizeFromPicture(picture, plane);
    for (int y = 0; y < plane.height; ++y) {
        const double* source = plane.row(y);
        FinePixel* target = picture.row(std::clamp(y + dy, 0, picture.height() - 1));
        for (int x = 0; x < plane.width; ++x) {
            // Written so that a sample that is not a number reads black, never NaN.
            const double v = source[x];
            target[std::clamp(x + dx, 0, picture.width() - 1)].luminance = v > 255.0 ? 255.0 : (v > 0.0 ? v : 0.0);
        }
    }
}

void CopyFineScratch(const FinePlane& source, FinePlane& destination)
{
    destination.height = source.height;
    destination.width = source.width;
    for (int y = 0; y < source.height; ++y) std::copy_n(source.row(y), source.width, destination.row(y));
}

}  // namespace quivane
