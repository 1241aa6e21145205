#include "image/Picture.h"

namespace quivane {

void PreparePictureBitmap(TInputImage& picture, int width, int height)
{
    picture.Bitmap.resize(width, height);
    picture.Dx = 0;
    picture.Dy = 0;
    picture.Quality = QualityAvg;
}

}  // namespace quivane
