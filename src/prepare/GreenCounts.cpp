#include "prepare/GreenCounts.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "image/ByteRange.h"

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

#if defined(QUIVANE_BYTE_RANGE_AVX2)
#define QUIVANE_COUNT_AVX512 1

// Every processor the vector way needs: byte permutations, bit counts of
// bytes, and the Galois field's affine transformation.
#define QUIVANE_COUNT_TARGET "avx512f,avx512bw,avx512vbmi,avx512bitalg,gfni"

// Which of 128 bytes (bit 6 picks the second register) each of 64 samples
// is: for the window of a colour block's bytes that holds it, or for a grey
// block. A sample outside the window has no index; its lane is masked off.
struct SamplePicks {
    alignas(64) std::uint8_t index[64];
    std::uint64_t lanes;
};
constexpr SamplePicks PicksOf(int stride, int offset, int windowStart)
{
    SamplePicks picks{};
    for (int j = 0; j < 64; ++j) {
        const int at = stride * j + offset - windowStart;
        if (at < 0 || at >= 128) continue;
        picks.index[j] = static_cast<std::uint8_t>(at);
        picks.lanes |= 1ull << j;
    }
    return picks;
}
// A colour block is 128 pixels, 384 bytes in three windows; a grey block
// 128 bytes.
constexpr SamplePicks ColourPicks[3] = {PicksOf(6, 1, 0), PicksOf(6, 1, 128), PicksOf(6, 1, 256)};
constexpr SamplePicks GreyPicks = PicksOf(2, 0, 0);

__attribute__((target(QUIVANE_COUNT_TARGET))) inline __m512i Picked(const std::uint8_t* window,
                                                                            const SamplePicks& picks)
{
    return _mm512_maskz_permutex2var_epi8(picks.lanes, _mm512_loadu_si512(window),
                                          _mm512_load_si512(picks.index), _mm512_loadu_si512(window + 64));
}

// Samples that span fewer levels than this, as a sky's do, are counted
// eight levels at a time, 64 samples at once; others one at a time, the
// sets taking turns. A row's blocks are taken together while they span few
// levels, so that its range is folded, and the count of passes known, once
// a row.
constexpr int WidestCountedByBits = 64;

__attribute__((target(QUIVANE_COUNT_TARGET))) inline ByteRange RangeOf(__m512i smallest, __m512i largest)
{
    return FoldedRange(_mm256_min_epu8(_mm512_maskz_extracti64x4_epi64(0xFF, smallest, 0),
                                       _mm512_maskz_extracti64x4_epi64(0xFF, smallest, 1)),
                       _mm256_max_epu8(_mm512_maskz_extracti64x4_epi64(0xFF, largest, 0),
                                       _mm512_maskz_extracti64x4_epi64(0xFF, largest, 1)));
}

// Byte 8 j + q takes byte 8 q + j: the tallies of a level side by side.
struct LevelOrder {
    alignas(64) std::uint8_t index[64];
};
constexpr LevelOrder TalliesByLevel = [] {
    LevelOrder order{};
    for (int j = 0; j < 8; ++j)
        for (int q = 0; q < 8; ++q) order.index[8 * j + q] = static_cast<std::uint8_t>(8 * q + j);
    return order;
}();

// Levels first .. first + 7 of some blocks: each sample of them becomes the
// bit of its level in a byte, the eight bytes of each 64-bit lane are
// turned (byte j then holds bit j of all eight), and the bits of byte j
// count the lane's samples of level first + j. A tally byte gains at most 8
// a block, so it holds those of 31 blocks.
constexpr int MostBlocksTallied = 31;

__attribute__((target(QUIVANE_COUNT_TARGET))) __m512i Tallies(const __m512i* blocks, int count, int first)
{
    const __m512i bitOfLevel = _mm512_set1_epi64(static_cast<long long>(0x8040201008040201ull));
    const __m512i start = _mm512_set1_epi8(static_cast<char>(first)), eight = _mm512_set1_epi8(8);
    __m512i tally = _mm512_setzero_si512();
    for (int i = 0; i < count; ++i) {
        const __m512i step = _mm512_sub_epi8(blocks[i], start);
        const __m512i bits = _mm512_maskz_shuffle_epi8(_mm512_cmplt_epu8_mask(step, eight), bitOfLevel, step);
        const __m512i turned = _mm512_gf2p8affine_epi64_epi8(bitOfLevel, bits, 0);
        tally = _mm512_add_epi8(tally, _mm512_popcnt_epi8(turned));
    }
    return tally;
}

__attribute__((target(QUIVANE_COUNT_TARGET))) void AddTallies(__m512i tally, int first, Counters& counts)
{
    const __m512i byLevel = _mm512_maskz_permutexvar_epi8(~0ull, _mm512_load_si512(TalliesByLevel.index), tally);
    alignas(64) std::uint64_t totals[8];
    _mm512_store_si512(totals, _mm512_sad_epu8(byLevel, _mm512_setzero_si512()));
    for (int j = 0; j < 8 && first + j < 256; ++j)
        counts[0][static_cast<std::size_t>(first + j)] += static_cast<std::uint32_t>(totals[j]);
}

__attribute__((target(QUIVANE_COUNT_TARGET))) void CountByBits(const __m512i* blocks, int count, ByteRange range,
                                                              Counters& counts)
{
    for (int first = range.smallest; first <= range.largest; first += 8)
        AddTallies(Tallies(blocks, count, first), first, counts);
}

// Whether every sample of the blocks lies in the band from `first` on.
__attribute__((target(QUIVANE_COUNT_TARGET))) bool InBand(const __m512i* blocks, int count, int first)
{
    const __m512i start = _mm512_set1_epi8(static_cast<char>(first)), eight = _mm512_set1_epi8(8);
    __mmask64 outside = 0;
    for (int i = 0; i < count; ++i) outside |= _mm512_cmpge_epu8_mask(_mm512_sub_epi8(blocks[i], start), eight);
    return outside == 0;
}

__attribute__((target(QUIVANE_COUNT_TARGET))) void Tally(const __m512i* blocks, int count, GreenCounts::Band& band)
{
    const __m512i sum = _mm512_add_epi8(_mm512_load_si512(band.tallies.data()), Tallies(blocks, count, band.first));
    _mm512_store_si512(band.tallies.data(), sum);
    band.blocks += count;
}

__attribute__((target(QUIVANE_COUNT_TARGET))) void Settle(GreenCounts::Band& band, Counters& counts)
{
    if (band.blocks == 0) return;
    AddTallies(_mm512_load_si512(band.tallies.data()), band.first, counts);
    band.tallies = {};
    band.blocks = 0;
}

// Blocks in the band the rows before fell in are only tallied; a band is
// taken up where blocks span fewer than eight levels.
__attribute__((target(QUIVANE_COUNT_TARGET))) void CountBlocks(const __m512i* blocks, int count, Counters& counts,
                                                              GreenCounts::Band& band)
{
    if (band.first >= 0 && InBand(blocks, count, band.first)) {
        if (band.blocks + count > MostBlocksTallied) Settle(band, counts);
        return Tally(blocks, count, band);
    }
    __m512i smallest = _mm512_set1_epi8(-1), largest = _mm512_setzero_si512();
    for (int i = 0; i < count; ++i) {
        smallest = _mm512_min_epu8(smallest, blocks[i]);
        largest = _mm512_max_epu8(largest, blocks[i]);
    }
    const ByteRange range = RangeOf(smallest, largest);
    // A band ends at 255 at the highest: a sample below it then lies 8 or
    // more below it modulo 256, and so outside it.
    if (range.largest - range.smallest < 8 && range.smallest <= 248) {
        Settle(band, counts);
        band.first = range.smallest;
        return Tally(blocks, count, band);
    }
    if (range.largest - range.smallest < WidestCountedByBits) return CountByBits(blocks, count, range, counts);
    for (int i = 0; i < count; ++i) {
        const ByteRange block = RangeOf(blocks[i], blocks[i]);
        if (block.largest - block.smallest < WidestCountedByBits) {
            CountByBits(blocks + i, 1, block, counts);
            continue;
        }
        alignas(64) std::uint8_t bytes[64];
        _mm512_store_si512(bytes, blocks[i]);
        for (std::size_t j = 0; j < 64; j += GreenCounts::Sets)
            for (std::size_t k = 0; k < GreenCounts::Sets; ++k) ++counts[k][bytes[j + k]];
    }
}

// Blocks of 64 samples taken together: 16 cover a colour row of 2048 pixels.
constexpr int BlocksTogether = 16;

__attribute__((target(QUIVANE_COUNT_TARGET))) void CountAvx512(const ColourPixel* row, int width, Counters& counts,
                                                               GreenCounts::Band& band)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
    __m512i blocks[BlocksTogether];
    int x = 0;
    while (x + 128 <= width) {
        int count = 0;
        for (; count < BlocksTogether && x + 128 <= width; ++count, x += 128) {
            const std::uint8_t* block = bytes + 3 * static_cast<std::size_t>(x);
            blocks[count] = _mm512_or_si512(
                _mm512_or_si512(Picked(block, ColourPicks[0]), Picked(block + 128, ColourPicks[1])),
                Picked(block + 256, ColourPicks[2]));
        }
        CountBlocks(blocks, count, counts, band);
    }
    CountPlain(row + x, width - x, counts);
}

__attribute__((target(QUIVANE_COUNT_TARGET))) void CountAvx512(const std::uint8_t* row, int width, Counters& counts,
                                                               GreenCounts::Band& band)
{
    __m512i blocks[BlocksTogether];
    int x = 0;
    while (x + 128 <= width) {
        int count = 0;
        for (; count < BlocksTogether && x + 128 <= width; ++count, x += 128) blocks[count] = Picked(row + x, GreyPicks);
        CountBlocks(blocks, count, counts, band);
    }
    CountPlain(row + x, width - x, counts);
}

#endif

}  // namespace

bool ProcessorHas(CountWay way)
{
#if defined(QUIVANE_COUNT_AVX512)
    static const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                               __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bitalg") &&
                               __builtin_cpu_supports("gfni");
    if (way == CountWay::Avx512) return avx512;
#endif
    return way == CountWay::Plain;
}

CountWay GreenCounts::Fastest()
{
    static const CountWay fastest = ProcessorHas(CountWay::Avx512) ? CountWay::Avx512 : CountWay::Plain;
    return fastest;
}

GreenCounts::GreenCounts(CountWay way) : way_(ProcessorHas(way) ? way : CountWay::Plain) {}

void GreenCounts::addRow(const ColourPixel* row, int width)
{
#if defined(QUIVANE_COUNT_AVX512)
    if (way_ == CountWay::Avx512) return CountAvx512(row, width, counts_, band_);
#endif
    CountPlain(row, width, counts_);
}

void GreenCounts::addRow(const std::uint8_t* row, int width)
{
#if defined(QUIVANE_COUNT_AVX512)
    if (way_ == CountWay::Avx512) return CountAvx512(row, width, counts_, band_);
#endif
    CountPlain(row, width, counts_);
}

Histogram GreenCounts::histogram() const
{
    // What the vector way has tallied and not yet added.
    std::array<std::uint32_t, 256> pending{};
    for (std::size_t b = 0; band_.blocks > 0 && b < band_.tallies.size(); ++b) {
        const std::size_t level = static_cast<std::size_t>(band_.first) + b % 8;
        if (level < pending.size()) pending[level] += band_.tallies[b];
    }
    Histogram histogram;
    for (std::size_t v = 0; v < histogram.size(); ++v) {
        std::uint32_t total = pending[v];
        for (const auto& counts : counts_) total += counts[v];
        histogram[v] = static_cast<std::uint16_t>(std::min<std::uint32_t>(total, 65535));
    }
    return histogram;
}

}  // namespace quivane
