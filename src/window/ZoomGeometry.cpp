#include "window/ZoomGeometry.h"

#include <algorithm>
#include <cmath>

namespace quivane {
namespace {

// One axis of KeepInView.
double KeptOrigin(double origin, int picture, int view, double scale)
{
    const double extent = picture * scale;
    if (extent <= view) return (view - extent) / 2.0;
    return std::clamp(origin, view - extent, 0.0);
}

}  // namespace

double ScaleOfLevel(int level)
{
    level = std::clamp(level, MinimumZoomLevel, MaximumZoomLevel);
    // Whole doublings exactly, then the quarter steps between them.
    const int whole = level >= 0 ? level / 4 : -((-level + 3) / 4);
    const int quarter = level - whole * 4;
    return std::ldexp(std::pow(2.0, quarter / 4.0), whole);
}

int LevelBelow(double scale)
{
    int level = MinimumZoomLevel;
    while (level < MaximumZoomLevel && ScaleOfLevel(level + 1) <= scale) ++level;
    return level;
}

ZoomPlacement FitPlacement(PixelSize picture, PixelSize view)
{
    if (picture.width <= 0 || picture.height <= 0) return {};
    const double scale = std::min(static_cast<double>(view.width) / picture.width,
                                  static_cast<double>(view.height) / picture.height);
    return KeepInView(ZoomPlacement{scale > 0 ? scale : ScaleOfLevel(MinimumZoomLevel), 0, 0}, picture, view);
}

ZoomPlacement OneToOnePlacement(PixelSize picture, PixelSize view)
{
    const ZoomPlacement centred{1.0, (view.width - picture.width) / 2.0, (view.height - picture.height) / 2.0};
    return KeepInView(centred, picture, view);
}

ZoomPlacement ZoomAround(const ZoomPlacement& placement, double scale, double x, double y)
{
    const double px = (x - placement.originX) / placement.scale;
    const double py = (y - placement.originY) / placement.scale;
    return ZoomPlacement{scale, x - px * scale, y - py * scale};
}

ZoomPlacement PanBy(const ZoomPlacement& placement, double dx, double dy)
{
    return ZoomPlacement{placement.scale, placement.originX + dx, placement.originY + dy};
}

ZoomPlacement KeepInView(const ZoomPlacement& placement, PixelSize picture, PixelSize view)
{
    ZoomPlacement kept = placement;
    kept.originX = KeptOrigin(placement.originX, picture.width, view.width, placement.scale);
    kept.originY = KeptOrigin(placement.originY, picture.height, view.height, placement.scale);
    if (kept.scale == 1.0) {
        kept.originX = std::floor(kept.originX);
        kept.originY = std::floor(kept.originY);
    }
    return kept;
}

std::optional<PixelPosition> PixelAt(const ZoomPlacement& placement, PixelSize picture, double x, double y)
{
    const double px = std::floor((x - placement.originX) / placement.scale);
    const double py = std::floor((y - placement.originY) / placement.scale);
    if (px < 0 || py < 0 || px >= picture.width || py >= picture.height) return std::nullopt;
    return PixelPosition{static_cast<int>(px), static_cast<int>(py)};
}

}  // namespace quivane
