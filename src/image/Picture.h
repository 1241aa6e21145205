#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "image/Bitmap.h"
#include "image/FrameFault.h"

namespace quivane {

// Quality marks, as the user sets them and as the combination weighs them.
enum QualityMark : int { QualityDont = 0, QualityBad = 1, QualityAvg = 2, QualityGood = 3 };

// One prepared picture of the working size with the state alignment and
// combination need.
class Picture {
public:
    int threshold = 0;
    int enlargement = 0;
    Bitmap32 bitmap;
    bool fullPicture = false;
    int quality = QualityAvg;
    int dx = 0;
    int dy = 0;
    // What frame selection found of the frame the picture was made from: how
    // sharp its object is (larger is sharper; not a number until measured)
    // and, once the whole series was judged, why the frame is no use.
    double sharpness = std::numeric_limits<double>::quiet_NaN();
    FrameFault fault = FrameFault::None;

    bool scored() const { return !std::isnan(sharpness); }
};

// Item 0 is the result picture, items 1..N the input pictures in the order
// read; every item has the working size.
using PictureList = std::vector<Picture>;

// Sizes the picture's bitmap, leaving its pixels for the caller to write
// every one, and gives it fresh alignment state.
void PreparePictureBitmap(Picture& picture, int width, int height);

// The aligned read every stage shares: result position (x, y) takes the
// stored pixel at (x + Dx, y + Dy), each coordinate clamped into the
// picture so the border pixels repeat outward.
inline const PicturePixel& GetShiftedPixel(const Picture& picture, int x, int y)
{
    const Bitmap32& bitmap = picture.bitmap;
    int sx = x + picture.dx;
    int sy = y + picture.dy;
    sx = sx < 0 ? 0 : (sx >= bitmap.width() ? bitmap.width() - 1 : sx);
    sy = sy < 0 ? 0 : (sy >= bitmap.height() ? bitmap.height() - 1 : sy);
    return bitmap.at(sx, sy);
}

}  // namespace quivane
