#include "align/AlignmentPoints.h"

#include <algorithm>
#include <cmath>

namespace quivane {
namespace {

// Mean squared gradient, in levels per pixel squared, that the weaker
// direction of a box must reach. The noise left in a reference stack gives
// a tenth or so; faint bands on a planet's disc give one or more, and a
// shift of a pixel changes them visibly.
constexpr double MinimumStructure = 0.5;

// The object must cover this many boxes' area for a grid to be placed.
constexpr int MinimumObjectBoxes = 4;

// Sky and object: the level a twentieth of the picture lies below, and the
// one a hundredth lies above; a pixel an eighth of the way from the first to
// the second counts as the object.
int ObjectLevel(const LumaGrid& grid)
{
    std::vector<int> sorted = grid.levels;
    const std::size_t low = sorted.size() / 20;
    const std::size_t high = sorted.size() - 1 - sorted.size() / 100;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(low), sorted.end());
    const int sky = sorted[low];
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(high), sorted.end());
    const int bright = sorted[high];
    return sky + (bright - sky) / 8;
}

bool OnObject(const LumaGrid& grid, const AlignmentPoint& box, int level)
{
    int above = 0;
    for (int y = box.top; y < box.top + box.size; ++y) {
        const int* row = grid.row(y);
        for (int x = box.left; x < box.left + box.size; ++x) above += row[x] > level ? 1 : 0;
    }
    return 2 * above >= box.size * box.size;
}

// The first box's position and the number of boxes along an axis of
// `length` pixels: as many as fit at half-box spacing, the spare pixels
// split on both sides.
struct AxisGrid {
    int first;
    int count;
};
AxisGrid GridAlong(int length, int size)
{
    const int half = size / 2;
    const int count = (length - size) / half + 1;
    return AxisGrid{(length - size - (count - 1) * half) / 2, count};
}

}  // namespace

int DefaultBoxSize(int width, int height, int enlargement)
{
    const int wanted = 16 * std::max(1, enlargement);
    const int third = std::min(width, height) / 3;
    return std::clamp(std::min(wanted, third), MinimumBoxSize, MaximumBoxSize) / 2 * 2;
}

double WeakestStructure(const LumaGrid& grid, const AlignmentPoint& box)
{
    // Central differences inside the box, so nothing outside it counts.
    double xx = 0.0, yy = 0.0, xy = 0.0;
    int n = 0;
    for (int y = box.top + 1; y < box.top + box.size - 1; ++y) {
        const int* above = grid.row(y - 1);
        const int* row = grid.row(y);
        const int* below = grid.row(y + 1);
        for (int x = box.left + 1; x < box.left + box.size - 1; ++x) {
            const double gx = (row[x + 1] - row[x - 1]) / (2.0 * LumaScale);
            const double gy = (below[x] - above[x]) / (2.0 * LumaScale);
            xx += gx * gx;
            yy += gy * gy;
            xy += gx * gy;
            ++n;
        }
    }
    if (n == 0) return 0.0;
    xx /= n;
    yy /= n;
    xy /= n;
    const double mean = (xx + yy) / 2.0;
    const double spread = std::sqrt((xx - yy) * (xx - yy) / 4.0 + xy * xy);
    return mean - spread;
}

std::vector<AlignmentPoint> PlaceAlignmentPoints(const LumaGrid& reference, int boxSize)
{
    std::vector<AlignmentPoint> points;
    const int size = std::clamp(boxSize, MinimumBoxSize, MaximumBoxSize) / 2 * 2;
    if (reference.empty() || size > reference.width || size > reference.height) return points;
    const int level = ObjectLevel(reference);
    // A disc smaller than a few boxes has no room for boxes that differ
    // from its global offset, only for boxes that straddle its limb.
    const long long object = std::count_if(reference.levels.begin(), reference.levels.end(),
                                           [level](int v) { return v > level; });
    if (object < static_cast<long long>(MinimumObjectBoxes) * size * size) return points;
    const AxisGrid across = GridAlong(reference.width, size);
    const AxisGrid down = GridAlong(reference.height, size);
    for (int j = 0; j < down.count; ++j) {
        for (int i = 0; i < across.count; ++i) {
            const AlignmentPoint box{across.first + i * size / 2, down.first + j * size / 2, size};
            if (OnObject(reference, box, level) && WeakestStructure(reference, box) >= MinimumStructure)
                points.push_back(box);
        }
    }
    if (static_cast<int>(points.size()) < MinimumPoints) points.clear();
    return points;
}

}  // namespace quivane
