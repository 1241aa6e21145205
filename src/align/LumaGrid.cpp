#include "align/LumaGrid.h"

#include <algorithm>

namespace quivane {

LumaGrid StackLuminance(const PictureSeries& pictures, const std::vector<int>& chosen)
{
    LumaGrid grid;
    if (chosen.empty()) return grid;
    const Bitmap32& first = pictures.at(chosen.front()).bitmap;
    if (first.empty()) return grid;
    grid.width = first.width();
    grid.height = first.height();
    std::vector<long long> sums(static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height), 0);
    // Equal weights: the reference should hold the chosen pictures' detail
    // alike, whatever marks they carry.
    long long count = 0;
    for (const int n : chosen) {
        const Picture& picture = pictures.at(n);
        if (picture.bitmap.width() != grid.width || picture.bitmap.height() != grid.height) continue;
        ++count;
        // As GetShiftedPixel reads, a row at a time: the columns read inside
        // the bitmap need no clamp.
        const Bitmap32& bitmap = picture.bitmap;
        const int lastX = grid.width - 1, lastY = grid.height - 1;
        const int insideFrom = std::clamp(-picture.dx, 0, grid.width);
        const int insideTo = std::clamp(grid.width - picture.dx, insideFrom, grid.width);
        long long* out = sums.data();
        for (int y = 0; y < grid.height; ++y, out += grid.width) {
            const PicturePixel* row = bitmap.row(std::clamp(y + picture.dy, 0, lastY));
            for (int x = 0; x < insideFrom; ++x) out[x] += row[std::clamp(x + picture.dx, 0, lastX)].luminance;
            for (int x = insideFrom; x < insideTo; ++x) out[x] += row[x + picture.dx].luminance;
            for (int x = insideTo; x < grid.width; ++x) out[x] += row[std::clamp(x + picture.dx, 0, lastX)].luminance;
        }
    }
    grid.levels.resize(sums.size());
    for (std::size_t i = 0; i < sums.size(); ++i)
        grid.levels[i] = static_cast<int>((sums[i] * LumaScale + count / 2) / count);
    return grid;
}

}  // namespace quivane
