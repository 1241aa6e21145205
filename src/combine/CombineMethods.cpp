#include "combine/CombineMethods.h"

#include <algorithm>
#include <cstdint>

#include "image/ArithmeticErrors.h"

namespace quivane {
namespace {

constexpr int Channels = 4;
constexpr int MultiplyLimit = 7;  // 255^7 and 63^7 still fit in 64 bits

using Channels4 = std::array<int, Channels>;

Channels4 Split(const PicturePixel& p) { return {p.chromaBlue, p.chromaGreen, p.chromaRed, p.luminance}; }

PicturePixel Join(const Channels4& c)
{
    return PicturePixel{static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]), static_cast<std::uint8_t>(c[2]),
                        static_cast<std::uint8_t>(c[3])};
}

const Picture& Input(const PictureList& list, int k) { return list[static_cast<std::size_t>(k)]; }

bool Used(const Picture& picture) { return picture.quality != QualityDont; }

int Weight(const Picture& picture)
{
    return picture.quality >= 0 && picture.quality < static_cast<int>(QualityWeights.size())
               ? QualityWeights[static_cast<std::size_t>(picture.quality)]
               : 0;
}

}  // namespace

PicturePixel CombineMean(const PictureList& list, int count, int x, int y)
{
    Channels4 sums{};
    int weights = 0;
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = Input(list, k);
        const int w = Weight(picture);
        const Channels4 p = Split(GetShiftedPixel(picture, x, y));
        weights += w;
        for (int c = 0; c < Channels; ++c) sums[static_cast<std::size_t>(c)] += w * p[static_cast<std::size_t>(c)];
    }
    const int divisor = weights != 0 ? weights : 1;
    for (int& s : sums) s /= divisor;
    return Join(sums);
}

namespace {

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

PicturePixel CombineMedian(const PictureList& list, int count, int x, int y, int param)
{
    if (count > MedianCapacity) throw RangeCheckError();
    if (count < 1) return PicturePixel{};
    std::array<std::array<int, MedianCapacity>, Channels> values;
    for (int k = 1; k <= count; ++k) {
        const Channels4 p = Split(GetShiftedPixel(Input(list, k), x, y));
        for (std::size_t c = 0; c < Channels; ++c) values[c][static_cast<std::size_t>(k - 1)] = p[c];
    }
    const int median = (count - 1) / 2 + 1;  // 1-based; the lower middle for even counts
    const int half = std::min(param, median);
    Channels4 result{};
    for (std::size_t c = 0; c < Channels; ++c) {
        int* first = values[c].data();
        std::sort(first, first + count);
        int sum = 0;
        for (int position = median - half; position <= median + half; ++position) {
            sum += first[std::clamp(position, 1, count) - 1];
        }
        result[c] = sum / (2 * half + 1);
    }
    return Join(result);
}

PicturePixel CombineMinMax(const PictureList& list, int count, int x, int y, int param)
{
    int used = 0, darkest = 255, brightest = 0;
    Channels4 sums{};
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = Input(list, k);
        if (!Used(picture)) continue;
        ++used;
        const Channels4 p = Split(GetShiftedPixel(picture, x, y));
        darkest = std::min(darkest, p[3]);
        brightest = std::max(brightest, p[3]);
        for (std::size_t c = 0; c < Channels; ++c) sums[c] += p[c];
    }
    const int divisor = std::max(1, used);
    Channels4 result{sums[0] / divisor, sums[1] / divisor, sums[2] / divisor, 0};
    result[3] = sums[3] / divisor < param ? darkest : brightest;
    return Join(result);
}

PicturePixel CombineMultiply(const PictureList& list, int count, int x, int y, int param)
{
    const std::int64_t scale = param / 4 != 0 ? param / 4 : 1;
    std::int64_t divisor = 1;
    std::array<std::int64_t, Channels> products{1, 1, 1, 1};
    int used = 0;
    for (int k = 1; k <= count && used < MultiplyLimit; ++k) {
        const Picture& picture = Input(list, k);
        if (!Used(picture)) continue;
        ++used;
        divisor *= scale;
        const Channels4 p = Split(GetShiftedPixel(picture, x, y));
        for (std::size_t c = 0; c < Channels; ++c) products[c] *= p[c];
    }
    Channels4 result{};
    for (std::size_t c = 0; c < Channels; ++c) result[c] = static_cast<int>(std::min<std::int64_t>(255, products[c] / divisor));
    return Join(result);
}

}  // namespace quivane
