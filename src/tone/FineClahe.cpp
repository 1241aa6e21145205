#include "tone/FineClahe.h"

#include <cmath>

#include "image/FinePlane.h"
#include "tone/Clahe.h"

namespace quivane {
namespace {

// A mapping read between its entries.
double MapFine(const Histogram& mapping, int below, double share)
{
    if (below >= 255) return mapping[255];
    const double low = mapping[static_cast<std::size_t>(below)];
    return low + (mapping[static_cast<std::size_t>(below + 1)] - low) * share;
}

}  // namespace

void ApplyClaheFine(const Picture& picture, FinePicture& fine, double clipFactor)
{
    Plane bytes;
    PictureToScratch(picture, bytes);
    const int width = bytes.width;
    const int height = bytes.height;
    const std::vector<Histogram> mappings =
        ClaheMappings(bytes, width, height, ClaheRegionsX, ClaheRegionsY, clipFactor);

    // A fresh destination, as in the described step: samples no sub-region
    // covers (none at the working sizes) go back as 0.
    FinePlane source, destination;
    FineToScratch(fine, picture.dx, picture.dy, source);
    for (const ClaheTile& t : ClaheTiles(ClaheRegionsX, ClaheRegionsY, width / ClaheRegionsX, height / ClaheRegionsY)) {
        const Histogram* m[4] = {&mappings[static_cast<std::size_t>(t.lu)], &mappings[static_cast<std::size_t>(t.ru)],
                                 &mappings[static_cast<std::size_t>(t.lb)], &mappings[static_cast<std::size_t>(t.rb)]};
        const double area = static_cast<double>(t.subX) * t.subY;
        for (int y = 0; y < t.subY; ++y) {
            const double* in = source.row(t.yStart + y) + t.xStart;
            double* out = destination.row(t.yStart + y) + t.xStart;
            const double ya = t.subY - y;
            for (int x = 0; x < t.subX; ++x) {
                const double level = in[x] > 255.0 ? 255.0 : (in[x] > 0.0 ? in[x] : 0.0);
                const int below = static_cast<int>(std::floor(level));
                const double share = level - below;
                const double xa = t.subX - x;
                const double blend = ya * (xa * MapFine(*m[0], below, share) + x * MapFine(*m[1], below, share)) +
                                     y * (xa * MapFine(*m[2], below, share) + x * MapFine(*m[3], below, share));
                out[x] = blend / area;
            }
        }
    }
    FineScratchToPicture(fine, picture.dx, picture.dy, destination);
}

}  // namespace quivane
