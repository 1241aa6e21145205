#include "combine/CombineMethods.h"

#include <algorithm>
#include <cstdint>

#include "combine/FineCombine.h"
#include "combine/MedianRow.h"

namespace quivane {
namespace {

const Picture& Input(const PictureList& list, int k) { return list[static_cast<std::size_t>(k)]; }

int Weight(const Picture& picture)
{
    return picture.quality >= 0 && picture.quality < static_cast<int>(QualityWeights.size())
               ? QualityWeights[static_cast<std::size_t>(picture.quality)]
               : 0;
}

// Adds `weight` times the bytes of `count` pixels to the running sums. Built
// for AVX2 as well, and chosen when the program starts.
__attribute__((target_clones("avx2", "default"))) void AddWeighted(const PicturePixel* pixels, int count, int weight, int* sums)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels);
    for (std::size_t i = 0; i < 4 * static_cast<std::size_t>(count); ++i) sums[i] += weight * bytes[i];
}

}  // namespace

int MeanRowSums(const PictureList& list, int count, int y, int width, std::vector<int>& sums)
{
    sums.assign(4 * static_cast<std::size_t>(width), 0);
    int weights = 0;
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = Input(list, k);
        const int w = Weight(picture);
        weights += w;
        if (w == 0) continue;  // adds nothing
        const Bitmap32& bitmap = picture.bitmap;
        const PicturePixel* source = bitmap.row(std::clamp(y + picture.dy, 0, bitmap.height() - 1));
        // Columns left of the picture repeat its first pixel, columns right
        // of it its last; those between read straight across.
        const int first = std::clamp(-picture.dx, 0, width);
        const int end = std::clamp(bitmap.width() - picture.dx, first, width);
        for (int x = 0; x < first; ++x) AddWeighted(source, 1, w, &sums[4 * static_cast<std::size_t>(x)]);
        if (end > first) AddWeighted(source + first + picture.dx, end - first, w, &sums[4 * static_cast<std::size_t>(first)]);
        for (int x = end; x < width; ++x)
            AddWeighted(source + bitmap.width() - 1, 1, w, &sums[4 * static_cast<std::size_t>(x)]);
    }
    return weights != 0 ? weights : 1;
}

void CombineMeanRow(const PictureList& list, int count, int y, PicturePixel* row, int width, std::vector<int>& sums)
{
    const int divisor = MeanRowSums(list, count, y, width, sums);
    auto* bytes = reinterpret_cast<std::uint8_t*>(row);
    for (std::size_t i = 0; i < sums.size(); ++i) bytes[i] = static_cast<std::uint8_t>(sums[i] / divisor);
}

// Each byte is the truncated quotient the fine combination carries too, so
// the one computation serves both.
PicturePixel CombineMean(const PictureList& list, int count, int x, int y)
{
    return CombineMeanFine(list, count, x, y).pixel;
}

PicturePixel CombineMedian(const PictureList& list, int count, int x, int y, int param)
{
    return CombineMedianFine(list, count, x, y, param).pixel;
}

void CombineMedianRow(const PictureList& list, int count, int y, int param, PicturePixel* row, int width,
                      MedianRowWork& work, std::vector<int>& sums)
{
    const int divisor = MedianRowSums(list, count, y, width, param, work, sums);
    auto* bytes = reinterpret_cast<std::uint8_t*>(row);
    // The plain median (parameter 0) is its own sum: no division.
    if (divisor == 1) {
        std::copy(sums.begin(), sums.end(), bytes);
        return;
    }
    for (std::size_t i = 0; i < sums.size(); ++i) bytes[i] = static_cast<std::uint8_t>(sums[i] / divisor);
}

PicturePixel CombineMinMax(const PictureList& list, int count, int x, int y, int param)
{
    return CombineMinMaxFine(list, count, x, y, param).pixel;
}

PicturePixel CombineMultiply(const PictureList& list, int count, int x, int y, int param)
{
    return CombineMultiplyFine(list, count, x, y, param).pixel;
}

}  // namespace quivane
