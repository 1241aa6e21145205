#include "window/StartPictures.h"

#include <algorithm>
#include <cmath>

#include "workspace/Workspace.h"

namespace quivane {
namespace {

// A warm ramp from black to pale cream: index = brightness.
QList<QRgb> WarmPalette()
{
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i) palette.append(qRgb(i, std::min(255, i * 15 / 16 + 4), std::min(255, i * 3 / 4 + 10)));
    return palette;
}

template <class Shade>
QImage Paint(Shade shade)
{
    QImage image(ViewBoxWidth, ViewBoxHeight, QImage::Format_Indexed8);
    image.setColorTable(WarmPalette());
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) line[x] = static_cast<uchar>(std::clamp(shade(x, y), 0, 255));
    }
    return image;
}

}  // namespace

QImage InputStartPicture()
{
    return Paint([](int x, int y) {
        const double dx = (x - 96) / 52.0;
        const double dy = (y - 72) / 48.0;  // slightly flattened at the poles
        const double r2 = dx * dx + dy * dy;
        if (r2 > 1.0) {  // a few background stars, scattered by a hash
            const unsigned hash = (static_cast<unsigned>(x) * 73856093u) ^ (static_cast<unsigned>(y) * 19349663u);
            return hash % 701u == 0 ? 150 : 0;
        }
        const double limb = std::sqrt(1.0 - r2);
        const double bands = 0.75 + 0.25 * std::cos(dy * 9.0);
        return static_cast<int>(40 + 200 * limb * bands);
    });
}

QImage ResultStartPicture()
{
    return Paint([](int x, int y) {
        const double dx = (x - 96) / 60.0;
        const double dy = (y - 72) / 60.0;
        const double r2 = dx * dx + dy * dy;
        if (r2 > 1.0) return 0;
        const double sx = dx + 0.55;  // the terminator: a second disc cut away
        if (sx * sx + dy * dy < 1.0) return 6;
        const double craters = 0.85 + 0.15 * std::sin(x * 0.35) * std::sin(y * 0.29);
        return static_cast<int>(60 + 190 * std::sqrt(1.0 - r2) * craters);
    });
}

}  // namespace quivane
