#include "image/Picture.h"

namespace quivane {

void PreparePictureBitmap(Picture& picture, int width, int height)
{
    picture.bitmap.resizeForOverwrite(width, height);
    picture.dx = 0;
    picture.dy = 0;
    picture.quality = QualityAvg;
}

}  // namespace quivane
