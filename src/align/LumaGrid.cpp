#include "align/LumaGrid.h"

namespace quivane {

LumaGrid StackLuminance(const PictureList& pictures, const std::vector<int>& chosen)
{
    LumaGrid grid;
    if (chosen.empty()) return grid;
    const Bitmap32& first = pictures[static_cast<std::size_t>(chosen.front())].bitmap;
    if (first.empty()) return grid;
    grid.width = first.width();
    grid.height = first.height();
    std::vector<long long> sums(static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height), 0);
    // Equal weights: the reference should hold the chosen pictures' detail
    // alike, whatever marks they carry.
    long long count = 0;
    for (const int n : chosen) {
        const Picture& picture = pictures[static_cast<std::size_t>(n)];
        if (picture.bitmap.width() != grid.width || picture.bitmap.height() != grid.height) continue;
        ++count;
        std::size_t i = 0;
        for (int y = 0; y < grid.height; ++y)
            for (int x = 0; x < grid.width; ++x) sums[i++] += GetShiftedPixel(picture, x, y).luminance;
    }
    grid.levels.resize(sums.size());
    for (std::size_t i = 0; i < sums.size(); ++i)
        grid.levels[i] = static_cast<int>((sums[i] * LumaScale + count / 2) / count);
    return grid;
}

}  // namespace quivane
