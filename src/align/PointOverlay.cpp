#include "align/PointOverlay.h"

#include <algorithm>

#include "image/Placement.h"

namespace quivane {
namespace {

constexpr ColourPixel Outline{0, 220, 0};
constexpr ColourPixel Centre{0, 0, 255};

}  // namespace

Bitmap24 DrawAlignmentPoints(const LumaGrid& reference, const std::vector<AlignmentPoint>& points, int viewWidth,
                             int viewHeight)
{
    Bitmap24 view(viewWidth, viewHeight);
    if (reference.empty() || view.empty()) return view;
    const Placement px = PlaceAxis(reference.width, viewWidth, -1);
    const Placement py = PlaceAxis(reference.height, viewHeight, -1);
    for (int i = 0; i < py.count; ++i) {
        for (int j = 0; j < px.count; ++j) {
            const auto v = static_cast<std::uint8_t>(std::clamp(reference.at(px.start + j, py.start + i) / LumaScale, 0, 255));
            view.at(px.offset + j, py.offset + i) = ColourPixel{v, v, v};
        }
    }
    // A picture position in the view, or nothing when it is not shown.
    const auto plot = [&](int x, int y, ColourPixel colour) {
        const int vx = x - px.start + px.offset, vy = y - py.start + py.offset;
        if (x >= px.start && x < px.start + px.count && y >= py.start && y < py.start + py.count)
            view.at(vx, vy) = colour;
    };
    for (const AlignmentPoint& p : points) {
        const int left = p.left + p.size / 4, top = p.top + p.size / 4;
        const int right = left + p.size / 2 - 1, bottom = top + p.size / 2 - 1;
        for (int x = left; x <= right; ++x) {
            plot(x, top, Outline);
            plot(x, bottom, Outline);
        }
        for (int y = top; y <= bottom; ++y) {
            plot(left, y, Outline);
            plot(right, y, Outline);
        }
        plot(p.centreX(), p.centreY(), Centre);
        plot(p.centreX() - 1, p.centreY(), Centre);
        plot(p.centreX(), p.centreY() - 1, Centre);
        plot(p.centreX() - 1, p.centreY() - 1, Centre);
    }
    return view;
}

}  // namespace quivane
