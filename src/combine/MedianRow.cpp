#include "combine/MedianRow.h"

#include <algorithm>
#include <cstring>

#include "combine/CombineMethods.h"
#include "image/ArithmeticErrors.h"

namespace quivane {
namespace {

// Bytes of a row counted together: two 32-byte vectors.
constexpr std::size_t ChunkLanes = 64;

// A byte counter takes this many pictures before it is emptied into a wider one.
constexpr int ByteCounts = 255;

using SignedBytes = std::int8_t __attribute__((vector_size(32)));

// Flipping the top bit maps 0..255 onto -128..127 in the same order, so a
// signed comparison of bytes (one instruction) orders them as the values.
constexpr std::int8_t Flipped(unsigned value) { return static_cast<std::int8_t>(value ^ 0x80u); }

std::size_t Stride(int width) { return (4 * static_cast<std::size_t>(width) + ChunkLanes - 1) / ChunkLanes * ChunkLanes; }

void CopyFlipped(const std::uint8_t* source, std::size_t bytes, std::int8_t* target)
{
    for (std::size_t i = 0; i < bytes; ++i) target[i] = Flipped(source[i]);
}

// Result row y from pictures 1..count, one picture's row after another, each
// read through its offsets as GetShiftedPixel reads: columns left of the
// picture repeat its first pixel, columns right of it its last.
void StackRows(const PictureList& list, int count, int y, int width, std::vector<std::int8_t>& stack)
{
    const std::size_t stride = Stride(width);
    if (stack.size() < stride * static_cast<std::size_t>(count)) stack.resize(stride * static_cast<std::size_t>(count));
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = list[static_cast<std::size_t>(k)];
        const Bitmap32& bitmap = picture.bitmap;
        const PicturePixel* source = bitmap.row(std::clamp(y + picture.dy, 0, bitmap.height() - 1));
        std::int8_t* target = stack.data() + stride * static_cast<std::size_t>(k - 1);
        const int first = std::clamp(-picture.dx, 0, width);
        const int end = std::clamp(bitmap.width() - picture.dx, first, width);
        const auto bytes = [](const PicturePixel* p) { return reinterpret_cast<const std::uint8_t*>(p); };
        for (int x = 0; x < first; ++x) CopyFlipped(bytes(source), 4, target + 4 * x);
        CopyFlipped(bytes(source + first + picture.dx), 4 * static_cast<std::size_t>(end - first), target + 4 * first);
        for (int x = end; x < width; ++x) CopyFlipped(bytes(source + bitmap.width() - 1), 4, target + 4 * x);
    }
}

// For every byte of the stacked rows, its value at sorted place `rank`
// (1..count): the largest value with fewer than `rank` values below it,
// settled one bit at a time from the top by counting the values below a
// trial. Built for AVX2 as well, and chosen when the program starts.
__attribute__((target_clones("avx2", "default"))) void SelectRank(const std::int8_t* stack, std::size_t stride,
                                                                  int count, int rank, std::uint8_t* selected)
{
    for (std::size_t chunk = 0; chunk < stride; chunk += ChunkLanes) {
        std::uint8_t value[ChunkLanes] = {};
        for (unsigned bit = 0x80; bit != 0; bit >>= 1) {
            std::int8_t trial[ChunkLanes];
            for (std::size_t i = 0; i < ChunkLanes; ++i) trial[i] = Flipped(value[i] | bit);
            SignedBytes low, high;
            std::memcpy(&low, trial, sizeof low);
            std::memcpy(&high, trial + sizeof low, sizeof high);
            std::uint16_t below[ChunkLanes] = {};
            for (int k0 = 0; k0 < count; k0 += ByteCounts) {
                const int k1 = std::min(count, k0 + ByteCounts);
                SignedBytes lowCounts{}, highCounts{};
                const std::int8_t* row = stack + chunk + stride * static_cast<std::size_t>(k0);
                for (int k = k0; k < k1; ++k, row += stride) {
                    SignedBytes a, b;
                    std::memcpy(&a, row, sizeof a);
                    std::memcpy(&b, row + sizeof a, sizeof b);
                    // A comparison gives -1 where true.
                    lowCounts -= a < low;
                    highCounts -= b < high;
                }
                std::uint8_t counted[ChunkLanes];
                std::memcpy(counted, &lowCounts, sizeof lowCounts);
                std::memcpy(counted + sizeof lowCounts, &highCounts, sizeof highCounts);
                for (std::size_t i = 0; i < ChunkLanes; ++i) below[i] = static_cast<std::uint16_t>(below[i] + counted[i]);
            }
            for (std::size_t i = 0; i < ChunkLanes; ++i)
                value[i] = static_cast<std::uint8_t>(below[i] < rank ? value[i] | bit : value[i]);
        }
        std::memcpy(selected + chunk, value, ChunkLanes);
    }
}

// For every byte of the stacked rows, the sum of its values each clamped
// into lower..upper of that byte.
__attribute__((target_clones("avx2", "default"))) void ClampedSums(const std::int8_t* stack, std::size_t stride,
                                                                   int count, std::size_t lanes,
                                                                   const std::uint8_t* lower,
                                                                   const std::uint8_t* upper, int* sums)
{
    for (int k = 0; k < count; ++k) {
        const std::int8_t* row = stack + stride * static_cast<std::size_t>(k);
        for (std::size_t i = 0; i < lanes; ++i) {
            const int value = static_cast<std::uint8_t>(row[i]) ^ 0x80;
            sums[i] += std::clamp<int>(value, lower[i], upper[i]);
        }
    }
}

}  // namespace

int MedianRowSums(const PictureList& list, int count, int y, int width, int param, MedianRowWork& work,
                  std::vector<int>& sums)
{
    if (count > MedianCapacity) throw RangeCheckError();
    const std::size_t lanes = 4 * static_cast<std::size_t>(std::max(width, 0));
    sums.assign(lanes, 0);
    if (count < 1 || lanes == 0) return 1;
    const int median = (count - 1) / 2 + 1;
    // Below 0 the window holds no place at all: every sum stays 0.
    const int half = std::max(std::min(param, median), -1);
    if (half < 0) return 2 * half + 1;

    StackRows(list, count, y, width, work.stack);
    const std::size_t stride = Stride(width);
    work.lower.resize(stride);
    work.upper.resize(stride);
    const int firstPlace = median - half, lastPlace = median + half;  // 1 - half .. count + half
    SelectRank(work.stack.data(), stride, count, std::max(firstPlace, 1), work.lower.data());
    if (half == 0) {
        std::copy_n(work.lower.data(), lanes, sums.data());
        return 1;
    }
    SelectRank(work.stack.data(), stride, count, std::min(lastPlace, count), work.upper.data());
    ClampedSums(work.stack.data(), stride, count, lanes, work.lower.data(), work.upper.data(), sums.data());
    // Every value clamped into the window's end values counts the places
    // from 1 to count; the places first..last differ by the lower end value
    // for every place from 1 to first - 1 (taken off, or counted again where
    // first is below 1) and by the upper one for every place from last + 1
    // to count.
    for (std::size_t i = 0; i < lanes; ++i)
        sums[i] += (1 - firstPlace) * work.lower[i] + (lastPlace - count) * work.upper[i];
    return 2 * half + 1;
}

}  // namespace quivane
