#include "image/FrameRows.h"

namespace quivane {
namespace {

void Widen(const std::uint8_t* grey, int count, ColourPixel* out)
{
    for (int x = 0; x < count; ++x) out[x] = ColourPixel{grey[x], grey[x], grey[x]};
}

}  // namespace

void GreyAsColourInto(const GreyRows& grey, Bitmap24& colour)
{
    colour.resizeForOverwrite(grey.width(), grey.height());
    for (int y = 0; y < grey.height(); ++y) Widen(grey.row(y), grey.width(), colour.row(y));
}

Bitmap24 GreyAsColour(const GreyRows& grey)
{
    Bitmap24 colour;
    GreyAsColourInto(grey, colour);
    return colour;
}

}  // namespace quivane
