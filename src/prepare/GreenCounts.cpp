#include "prepare/GreenCounts.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quivane {
namespace {

using Counters = GreenCounts::Counters;

void CountPlain(const ColourPixel* row, int width, Counters& counts)
{
    int x = 0;
    for (; x + 14 < width; x += 16)
        for (std::size_t k = 0; k < GreenCounts::Sets; ++k) ++counts[k][row[x + 2 * static_cast<int>(k)].green];
    for (; x < width; x += 2) ++counts[0][row[x].green];
}

// Grey levels eight bytes at a time: a load gives four samples, the bytes at
// even places in memory whichever end of the word they fill. The loads read
// sixteen bytes, all of them the row's.
void CountPlain(const std::uint8_t* row, int width, Counters& counts)
{
    constexpr bool littleEnd = std::endian::native == std::endian::little;
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        std::uint64_t low, high;
        std::memcpy(&low, row + x, sizeof low);
        std::memcpy(&high, row + x + 8, sizeof high);
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t shift = littleEnd ? 16 * k : 56 - 16 * k;
            ++counts[k][(low >> shift) & 0xFF];
            ++counts[k + 4][(high >> shift) & 0xFF];
        }
    }
    for (; x < width; x += 2) ++counts[0][row[x]];
}

}  // namespace

void GreenCounts::addRow(const ColourPixel* row, int width) { CountPlain(row, width, counts_); }

void GreenCounts::addRow(const std::uint8_t* row, int width) { CountPlain(row, width, counts_); }

Histogram GreenCounts::histogram() const
{
    Histogram histogram;
    for (std::size_t v = 0; v < histogram.size(); ++v) {
        std::uint32_t total = 0;
        for (const auto& counts : counts_) total += counts[v];
        histogram[v] = static_cast<std::uint16_t>(std::min<std::uint32_t>(total, 65535));
    }
    return histogram;
}

}  // namespace quivane
