#pragma once

#include "image/Bitmap.h"

namespace quivane {

// A picture pixel with the fractions of a level the described arithmetic
// drops: chroma blue, green, red and luminance as in PicturePixel, each on
// the 0..255 scale. For a combination result every channel is the exact
// quotient, so its floor is the byte the described combination stores.
struct FinePixel {
    double chromaBlue = 0;
    double chromaGreen = 0;
    double chromaRed = 0;
    double luminance = 0;

    friend bool operator==(const FinePixel&, const FinePixel&) = default;
};

using FinePicture = Bitmap<FinePixel>;

}  // namespace quivane
