#include "combine/FineCombine.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "combine/CombineMethods.h"
#include "combine/MedianRow.h"
#include "image/ArithmeticErrors.h"

namespace quivane {
namespace {

constexpr std::size_t Channels = 4;
constexpr int MultiplyLimit = 7;

using Channels4 = std::array<int, Channels>;

Channels4 Split(const PicturePixel& p) { return {p.chromaBlue, p.chromaGreen, p.chromaRed, p.luminance}; }

bool Used(const Picture& picture) { return picture.quality != QualityDont; }

int Weight(const Picture& picture)
{
    return picture.quality >= 0 && picture.quality < static_cast<int>(QualityWeights.size())
               ? QualityWeights[static_cast<std::size_t>(picture.quality)]
               : 0;
}

// Numerators over one divisor per channel: the byte is the truncated
// quotient (every numerator is non-negative), the fine value the exact one.
FineCombination Divide(const std::array<std::int64_t, Channels>& numerators,
                       const std::array<std::int64_t, Channels>& divisors)
{
    std::array<double, Channels> fine{};
    Channels4 whole{};
    for (std::size_t c = 0; c < Channels; ++c) {
        const std::int64_t q = numerators[c] / divisors[c];
        const std::int64_t r = numerators[c] % divisors[c];
        whole[c] = static_cast<int>(q);
        // q plus the remainder's share: below q + 1 however large the
        // divisor, so the floor is q exactly.
        fine[c] = static_cast<double>(q) + static_cast<double>(r) / static_cast<double>(divisors[c]);
    }
    return FineCombination{
        PicturePixel{static_cast<std::uint8_t>(whole[0]), static_cast<std::uint8_t>(whole[1]),
                     static_cast<std::uint8_t>(whole[2]), static_cast<std::uint8_t>(whole[3])},
        FinePixel{fine[0], fine[1], fine[2], fine[3]}};
}

// A row of numerators, four a pixel, over one divisor.
void DivideRow(const std::vector<int>& sums, std::int64_t divisor, PicturePixel* row, FinePixel* fineRow, int width)
{
    // Over 1 (the plain median) every numerator is its own quotient, whole.
    if (divisor == 1) {
        for (int x = 0; x < width; ++x) {
            const int* p = &sums[4 * static_cast<std::size_t>(x)];
            row[x] = PicturePixel{static_cast<std::uint8_t>(p[0]), static_cast<std::uint8_t>(p[1]),
                                  static_cast<std::uint8_t>(p[2]), static_cast<std::uint8_t>(p[3])};
            fineRow[x] = FinePixel{double(p[0]), double(p[1]), double(p[2]), double(p[3])};
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        std::array<std::int64_t, Channels> numerators{};
        for (std::size_t c = 0; c < Channels; ++c) numerators[c] = sums[4 * static_cast<std::size_t>(x) + c];
        const FineCombination pixel = Divide(numerators, {divisor, divisor, divisor, divisor});
        row[x] = pixel.pixel;
        fineRow[x] = pixel.fine;
    }
}

}  // namespace

FineCombination CombineMeanFine(const PictureSeries& list, int count, int x, int y)
{
    std::array<std::int64_t, Channels> sums{};
    std::int64_t weights = 0;
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = list.input(k);
        const int w = Weight(picture);
        const Channels4 p = Split(GetShiftedPixel(picture, x, y));
        weights += w;
        for (std::size_t c = 0; c < Channels; ++c) sums[c] += static_cast<std::int64_t>(w) * p[c];
    }
    const std::int64_t divisor = weights != 0 ? weights : 1;
    return Divide(sums, {divisor, divisor, divisor, divisor});
}

void CombineMeanFineRow(const PictureSeries& list, int count, int y, PicturePixel* row, FinePixel* fineRow, int width,
                        std::vector<int>& sums)
{
    DivideRow(sums, MeanRowSums(list, count, y, width, sums), row, fineRow, width);
}

FineCombination CombineMedianFine(const PictureSeries& list, int count, int x, int y, int param)
{
    if (count > MedianCapacity) throw RangeCheckError();
    if (count < 1) return FineCombination{};
    std::array<std::array<int, MedianCapacity>, Channels> values;
    for (int k = 1; k <= count; ++k) {
        const Channels4 p = Split(GetShiftedPixel(list.input(k), x, y));
        for (std::size_t c = 0; c < Channels; ++c) values[c][static_cast<std::size_t>(k - 1)] = p[c];
    }
    const int median = (count - 1) / 2 + 1;
    const int half = std::min(param, median);
    std::array<std::int64_t, Channels> sums{};
    for (std::size_t c = 0; c < Channels; ++c) {
        int* first = values[c].data();
        std::sort(first, first + count);
        for (int position = median - half; position <= median + half; ++position) {
            sums[c] += first[std::clamp(position, 1, count) - 1];
        }
    }
    const std::int64_t places = 2 * half + 1;
    return Divide(sums, {places, places, places, places});
}

void CombineMedianFineRow(const PictureSeries& list, int count, int y, int param, PicturePixel* row, FinePixel* fineRow,
                          int width, MedianRowWork& work, std::vector<int>& sums)
{
    DivideRow(sums, MedianRowSums(list, count, y, width, param, work, sums), row, fineRow, width);
}

FineCombination CombineMinMaxFine(const PictureSeries& list, int count, int x, int y, int param)
{
    int used = 0, darkest = 255, brightest = 0;
    std::array<std::int64_t, Channels> sums{};
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = list.input(k);
        if (!Used(picture)) continue;
        ++used;
        const Channels4 p = Split(GetShiftedPixel(picture, x, y));
        darkest = std::min(darkest, p[3]);
        brightest = std::max(brightest, p[3]);
        for (std::size_t c = 0; c < Channels; ++c) sums[c] += p[c];
    }
    const std::int64_t divisor = std::max(1, used);
    const bool dark = sums[3] / divisor < param;
    // The luminance is one picture's value: a numerator over 1.
    sums[3] = dark ? darkest : brightest;
    return Divide(sums, {divisor, divisor, divisor, 1});
}

FineCombination CombineMultiplyFine(const PictureSeries& list, int count, int x, int y, int param)
{
    const std::int64_t scale = param / 4 != 0 ? param / 4 : 1;
    std::int64_t divisor = 1;
    std::array<std::int64_t, Channels> products{1, 1, 1, 1};
    int used = 0;
    for (int k = 1; k <= count && used < MultiplyLimit; ++k) {
        const Picture& picture = list.input(k);
        if (!Used(picture)) continue;
        ++used;
        divisor *= scale;
        const Channels4 p = Split(GetShiftedPixel(picture, x, y));
        for (std::size_t c = 0; c < Channels; ++c) products[c] *= p[c];
    }
    // Saturated before dividing exactly: a quotient of 255 or more is 255.
    for (std::int64_t& product : products) product = std::min(product, 255 * divisor);
    return Divide(products, {divisor, divisor, divisor, divisor});
}

}  // namespace quivane
