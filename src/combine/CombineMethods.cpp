#include "combine/CombineMethods.h"

#include <algorithm>
#include <cstdint>

#include "combine/FineCombine.h"
#include "combine/MedianRow.h"
#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

int Weight(const Picture& picture)
{
    return picture.quality >= 0 && picture.quality < static_cast<int>(QualityWeights.size())
               ? QualityWeights[static_cast<std::size_t>(picture.quality)]
               : 0;
}

// Adds `weight` times the bytes of `count` pixels to the running sums. Built
// as wide as the active level.
[[gnu::always_inline]] inline void AddWeighted(const PicturePixel* pixels, int count, int weight, int* sums)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels);
    for (std::size_t i = 0; i < 4 * static_cast<std::size_t>(count); ++i) sums[i] += weight * bytes[i];
}

// Pictures whose rows a mean adds at once: the running sums are read and
// written once for them all, where the memory, not the arithmetic, holds a
// mean back.
constexpr int Group = 8;

// Adds each of the group's weights times the bytes of its row of `count`
// pixels to the running sums. Built as wide as the active level.
[[gnu::always_inline]] inline void AddWeightedGroup(const PicturePixel* const* pixels, const int* weights, int count,
                                                    int* sums)
{
    const std::uint8_t* rows[Group];
    for (int i = 0; i < Group; ++i) rows[i] = reinterpret_cast<const std::uint8_t*>(pixels[i]);
    for (std::size_t i = 0; i < 4 * static_cast<std::size_t>(count); ++i) {
        int add = 0;
        for (int g = 0; g < Group; ++g) add += weights[g] * rows[g][i];
        sums[i] += add;
    }
}

}  // namespace

int MeanRowSums(const PictureSeries& list, int count, int y, int width, std::vector<int>& sums)
{
    sums.assign(4 * static_cast<std::size_t>(width), 0);
    // The row of every picture that adds something, with the columns it
    // reads straight across: those left of `first` repeat its first pixel,
    // those from `end` on its last.
    struct Source {
        const PicturePixel* row;
        int width, dx, weight, first, end;
        // The pixel read at column x, between first and end.
        const PicturePixel* at(int x) const { return row + (x + dx); }
    };
    thread_local std::vector<Source> sources;
    sources.clear();
    int weights = 0;
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = list.input(k);
        const int w = Weight(picture);
        weights += w;
        if (w == 0) continue;  // adds nothing
        const Bitmap32& bitmap = picture.bitmap;
        const PicturePixel* source = bitmap.row(std::clamp(y + picture.dy, 0, bitmap.height() - 1));
        const int first = std::clamp(-picture.dx, 0, width);
        const int end = std::clamp(bitmap.width() - picture.dx, first, width);
        sources.push_back({source, bitmap.width(), picture.dx, w, first, end});
    }
    int* sum = sums.data();
    const auto addColumns = [&](const Source& s, int from, int to) {
        if (to > from)
            OnActiveSimdLevel<AddWeighted>(s.at(from), to - from, s.weight, sum + 4 * static_cast<std::size_t>(from));
    };
    for (const Source& s : sources) {
        for (int x = 0; x < s.first; ++x)
            OnActiveSimdLevel<AddWeighted>(s.row, 1, s.weight, sum + 4 * static_cast<std::size_t>(x));
        for (int x = s.end; x < width; ++x)
            OnActiveSimdLevel<AddWeighted>(s.row + s.width - 1, 1, s.weight, sum + 4 * static_cast<std::size_t>(x));
    }
    // A group of pictures at a time over the columns all of them read
    // straight across; each picture's other columns on its own.
    std::size_t next = 0;
    for (; next + Group <= sources.size(); next += Group) {
        const Source* group = &sources[next];
        int from = 0, to = width;
        for (int i = 0; i < Group; ++i) {
            from = std::max(from, group[i].first);
            to = std::min(to, group[i].end);
        }
        to = std::max(from, to);
        if (to > from) {
            const PicturePixel* rows[Group];
            int weightsOfGroup[Group];
            for (int i = 0; i < Group; ++i) {
                rows[i] = group[i].at(from);
                weightsOfGroup[i] = group[i].weight;
            }
            OnActiveSimdLevel<AddWeightedGroup>(rows, weightsOfGroup, to - from,
                                                sum + 4 * static_cast<std::size_t>(from));
        }
        for (int i = 0; i < Group; ++i) {
            addColumns(group[i], group[i].first, std::min(from, group[i].end));
            addColumns(group[i], std::max(to, group[i].first), group[i].end);
        }
    }
    for (; next < sources.size(); ++next) addColumns(sources[next], sources[next].first, sources[next].end);
    return weights != 0 ? weights : 1;
}

void CombineMeanRow(const PictureSeries& list, int count, int y, PicturePixel* row, int width, std::vector<int>& sums)
{
    const int divisor = MeanRowSums(list, count, y, width, sums);
    auto* bytes = reinterpret_cast<std::uint8_t*>(row);
    for (std::size_t i = 0; i < sums.size(); ++i) bytes[i] = static_cast<std::uint8_t>(sums[i] / divisor);
}

// Each byte is the truncated quotient the fine combination carries too, so
// the one computation serves both.
PicturePixel CombineMean(const PictureSeries& list, int count, int x, int y)
{
    return CombineMeanFine(list, count, x, y).pixel;
}

PicturePixel CombineMedian(const PictureSeries& list, int count, int x, int y, int param)
{
    return CombineMedianFine(list, count, x, y, param).pixel;
}

void CombineMedianRow(const PictureSeries& list, int count, int y, int param, PicturePixel* row, int width,
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

PicturePixel CombineMinMax(const PictureSeries& list, int count, int x, int y, int param)
{
    return CombineMinMaxFine(list, count, x, y, param).pixel;
}

PicturePixel CombineMultiply(const PictureSeries& list, int count, int x, int y, int param)
{
    return CombineMultiplyFine(list, count, x, y, param).pixel;
}

}  // namespace quivane
