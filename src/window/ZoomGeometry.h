#pragma once

#include <optional>

namespace quivane {

// A width and a height in whole pixels.
struct PixelSize {
    int width = 0;
    int height = 0;
};

// Where a picture lies in a view: the view point of picture point (px, py)
// is (originX + px * scale, originY + py * scale).
struct ZoomPlacement {
    double scale = 1.0;
    double originX = 0.0;
    double originY = 0.0;

    friend bool operator==(const ZoomPlacement&, const ZoomPlacement&) = default;
};

// Zoom goes in levels, four to a doubling, so that coming back to level 0
// gives exactly 1:1 and not a scale that drifted by repeated factors.
constexpr int MinimumZoomLevel = -16;  // 1/16
constexpr int MaximumZoomLevel = 20;   // 32 x
double ScaleOfLevel(int level);
// The level nearest below `scale` (inside the limits): where the wheel goes
// on from after fitting.
int LevelBelow(double scale);

// The whole picture, as large as the view allows, centred.
ZoomPlacement FitPlacement(PixelSize picture, PixelSize view);

// One view pixel per picture pixel, the picture's middle in the view's middle.
ZoomPlacement OneToOnePlacement(PixelSize picture, PixelSize view);

// The placement at `scale` that keeps the picture point under (x, y) there.
ZoomPlacement ZoomAround(const ZoomPlacement& placement, double scale, double x, double y);

ZoomPlacement PanBy(const ZoomPlacement& placement, double dx, double dy);

// Keeps the picture from leaving the view: along an axis where it is smaller
// than the view it is centred, where larger it covers the view. At 1:1 the
// origin is a whole pixel, so each view pixel shows one picture pixel.
ZoomPlacement KeepInView(const ZoomPlacement& placement, PixelSize picture, PixelSize view);

// The picture pixel under view point (x, y), if the picture is there.
struct PixelPosition {
    int x = 0;
    int y = 0;

    friend bool operator==(const PixelPosition&, const PixelPosition&) = default;
};
std::optional<PixelPosition> PixelAt(const ZoomPlacement& placement, PixelSize picture, double x, double y);

}  // namespace quivane
