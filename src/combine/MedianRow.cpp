#include "combine/MedianRow.h"

#include <algorithm>
#include <cstring>

#include "combine/CombineMethods.h"
#include "cpu/SimdTargets.h"
#include "image/ArithmeticErrors.h"

namespace quivane {
namespace {

// Bytes of a row counted together: two 32-byte vectors.
constexpr std::size_t ChunkLanes = 64;

// A byte counter takes this many pictures before it is emptied into a wider one.
constexpr int ByteCounts = 255;

using Bytes = std::uint8_t __attribute__((vector_size(32)));

// For each of the 64 bytes at rows[k] + offset (k = 0..count-1), its value
// at sorted place `rank` (1..count): the largest value with fewer than
// `rank` values below it, settled one bit at a time from the top by counting
// the values below a trial. Built as wide as the active level.
[[gnu::always_inline]] inline void SelectRank(const std::uint8_t* const* rows, std::size_t offset, int count, int rank,
                                              std::uint8_t* selected)
{
    std::uint8_t value[ChunkLanes] = {};
    for (unsigned bit = 0x80; bit != 0; bit >>= 1) {
        std::uint8_t trial[ChunkLanes];
        for (std::size_t i = 0; i < ChunkLanes; ++i) trial[i] = static_cast<std::uint8_t>(value[i] | bit);
        Bytes low, high;
        std::memcpy(&low, trial, sizeof low);
        std::memcpy(&high, trial + sizeof low, sizeof high);
        std::uint16_t below[ChunkLanes] = {};
        for (int k0 = 0; k0 < count; k0 += ByteCounts) {
            const int k1 = std::min(count, k0 + ByteCounts);
            // The values at or above the trial are counted: for unsigned
            // bytes that comparison is one instruction fewer than "below".
            Bytes lowCounts{}, highCounts{};
            for (int k = k0; k < k1; ++k) {
                const std::uint8_t* bytes = rows[k] + offset;
                Bytes a, b;
                std::memcpy(&a, bytes, sizeof a);
                std::memcpy(&b, bytes + sizeof a, sizeof b);
                // A comparison gives -1 where true.
                lowCounts -= reinterpret_cast<Bytes>(a >= low);
                highCounts -= reinterpret_cast<Bytes>(b >= high);
            }
            std::uint8_t atLeast[ChunkLanes];
            std::memcpy(atLeast, &lowCounts, sizeof lowCounts);
            std::memcpy(atLeast + sizeof lowCounts, &highCounts, sizeof highCounts);
            for (std::size_t i = 0; i < ChunkLanes; ++i)
                below[i] = static_cast<std::uint16_t>(below[i] + (k1 - k0) - atLeast[i]);
        }
        for (std::size_t i = 0; i < ChunkLanes; ++i)
            value[i] = static_cast<std::uint8_t>(below[i] < rank ? value[i] | bit : value[i]);
    }
    std::memcpy(selected, value, ChunkLanes);
}

// For each of the 64 bytes at rows[k] + offset, the sum of its values each
// clamped into lower..upper of that byte.
void ClampedSums(const std::uint8_t* const* rows, std::size_t offset, int count, const std::uint8_t* lower,
                 const std::uint8_t* upper, int* sums)
{
    for (int k = 0; k < count; ++k) {
        const std::uint8_t* bytes = rows[k] + offset;
        for (std::size_t i = 0; i < ChunkLanes; ++i) sums[i] += std::clamp(bytes[i], lower[i], upper[i]);
    }
}

// Chunk `chunk` of every picture's row copied into the stack, each column
// clamped into the picture as GetShiftedPixel clamps it; bytes past the row
// are 0.
void StackChunk(const PictureSeries& list, int count, int width, std::size_t chunk, MedianRowWork& work)
{
    const std::size_t lanes = 4 * static_cast<std::size_t>(width);
    for (int k = 1; k <= count; ++k) {
        const Picture& picture = list.input(k);
        const std::uint8_t* source = work.rows[static_cast<std::size_t>(k - 1)];
        std::uint8_t* target = work.stack.data() + ChunkLanes * static_cast<std::size_t>(k - 1);
        for (std::size_t i = 0; i < ChunkLanes; ++i) {
            const std::size_t lane = ChunkLanes * chunk + i;
            if (lane >= lanes) {
                target[i] = 0;
                continue;
            }
            const int x = std::clamp(static_cast<int>(lane / 4) + picture.dx, 0, picture.bitmap.width() - 1);
            target[i] = source[4 * static_cast<std::size_t>(x) + lane % 4];
        }
    }
}

}  // namespace

int MedianRowSums(const PictureSeries& list, int count, int y, int width, int param, MedianRowWork& work,
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
    const int firstPlace = median - half, lastPlace = median + half;  // 1 - half .. count + half

    // The columns every picture holds without clamping, and the chunks
    // wholly inside them, read in place.
    const auto pictures = static_cast<std::size_t>(count);
    work.rows.resize(pictures);
    work.direct.resize(pictures);
    work.stacked.resize(pictures);
    work.stack.resize(pictures * ChunkLanes);
    int inside = 0, insideEnd = width;
    for (std::size_t k = 0; k < pictures; ++k) {
        const Picture& picture = list.input(static_cast<int>(k) + 1);
        const Bitmap32& bitmap = picture.bitmap;
        work.rows[k] = reinterpret_cast<const std::uint8_t*>(bitmap.row(std::clamp(y + picture.dy, 0, bitmap.height() - 1)));
        const int first = std::clamp(-picture.dx, 0, width);
        inside = std::max(inside, first);
        insideEnd = std::min(insideEnd, std::clamp(bitmap.width() - picture.dx, first, width));
        work.stacked[k] = work.stack.data() + ChunkLanes * k;
    }
    const std::size_t firstInPlace = (4 * static_cast<std::size_t>(inside) + ChunkLanes - 1) / ChunkLanes;
    const std::size_t endInPlace =
        std::max(firstInPlace, 4 * static_cast<std::size_t>(std::max(insideEnd, inside)) / ChunkLanes);
    if (firstInPlace < endInPlace)
        for (std::size_t k = 0; k < pictures; ++k)
            work.direct[k] = work.rows[k] + (static_cast<std::ptrdiff_t>(ChunkLanes * firstInPlace) +
                                             4 * static_cast<std::ptrdiff_t>(list.input(static_cast<int>(k) + 1).dx));

    const std::size_t chunks = (lanes + ChunkLanes - 1) / ChunkLanes;
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        const bool inPlace = chunk >= firstInPlace && chunk < endInPlace;
        if (!inPlace) StackChunk(list, count, width, chunk, work);
        const std::uint8_t* const* rows = inPlace ? work.direct.data() : work.stacked.data();
        const std::size_t offset = inPlace ? ChunkLanes * (chunk - firstInPlace) : 0;
        int* target = sums.data() + ChunkLanes * chunk;
        const std::size_t used = std::min(ChunkLanes, lanes - ChunkLanes * chunk);

        std::uint8_t lower[ChunkLanes], upper[ChunkLanes];
        OnActiveSimdLevel<SelectRank>(rows, offset, count, std::max(firstPlace, 1), lower);
        if (half == 0) {
            std::copy_n(lower, used, target);
            continue;
        }
        OnActiveSimdLevel<SelectRank>(rows, offset, count, std::min(lastPlace, count), upper);
        int clamped[ChunkLanes] = {};
        ClampedSums(rows, offset, count, lower, upper, clamped);
        // Every value clamped into the window's end values counts the places
        // from 1 to count; the places first..last differ by the lower end
        // value for every place from 1 to first - 1 (taken off, or counted
        // again where first is below 1) and by the upper one for every place
        // from last + 1 to count.
        for (std::size_t i = 0; i < used; ++i)
            target[i] = clamped[i] + (1 - firstPlace) * lower[i] + (lastPlace - count) * upper[i];
    }
    return 2 * half + 1;
}

}  // namespace quivane
