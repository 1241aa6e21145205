#include "prepare/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <list>
#include <vector>

#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

// Every kernel computes in float and in the evaluation order written beside
// it: enlarged pictures are compared byte for byte, so reordering a formula
// (or letting the compiler fuse a multiply-add) is a visible change.

// 1 when -0.5 < x <= 0.5. The half-open interval keeps a sample exactly
// halfway between two source pixels from taking both.
float BoxFilter(float x) { return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f; }

// a = |x|;  1 - a
float TriangleFilter(float x)
{
    const float a = std::fabs(x);
    return a < 1.0f ? 1.0f - a : 0.0f;
}

// a = |x|;  ((2*a - 3) * (a*a)) + 1
float HermiteFilter(float x)
{
    const float a = std::fabs(x);
    if (a < 1.0f) return ((2.0f * a - 3.0f) * (a * a)) + 1.0f;
    return 0.0f;
}

// a = |x|;  a < 0.5: 0.75 - (a*a);  a < 1.5: t = a - 1.5, 0.5 * (t*t)
float BellFilter(float x)
{
    const float a = std::fabs(x);
    if (a < 0.5f) return 0.75f - (a * a);
    if (a < 1.5f) {
        const float t = a - 1.5f;
        return 0.5f * (t * t);
    }
    return 0.0f;
}

// a = |x|, tt = a*a;  a < 1: ((0.5 * (a*tt)) - tt) + 2/3;
// a < 2: t = 2 - a, ((t*t) * t) / 6.  2/3 is the float 2.0f / 3.0f.
float BSplineFilter(float x)
{
    constexpr float twoThirds = 2.0f / 3.0f;
    const float a = std::fabs(x);
    const float tt = a * a;
    if (a < 1.0f) return ((0.5f * (a * tt)) - tt) + twoThirds;
    if (a < 2.0f) {
        const float t = 2.0f - a;
        return ((t * t) * t) / 6.0f;
    }
    return 0.0f;
}

// px = pi * x;  sin(px) / px, with sinc(0) = 1. pi is the float nearest it.
float Sinc(float x)
{
    if (x == 0.0f) return 1.0f;
    constexpr float pi = 3.14159265358979323846f;
    const float px = pi * x;
    return std::sin(px) / px;
}

// Sinc(x) * Sinc(x / 3)
float Lanczos3Filter(float x)
{
    if (std::fabs(x) < 3.0f) return Sinc(x) * Sinc(x / 3.0f);
    return 0.0f;
}

// Mitchell-Netravali with B = C = 1/3. a = |x|, tt = a*a;
// a < 1: r = ((7 * (a*tt)) + (-12 * tt)) + 16/3
// a < 2: r = ((((-7/3) * (a*tt)) + (12 * tt)) + (-20 * a)) + 32/3
// result r / 6. The thirds are the floats 16.0f / 3.0f, -7.0f / 3.0f, 32.0f / 3.0f.
float MitchellFilter(float x)
{
    constexpr float sixteenThirds = 16.0f / 3.0f;
    constexpr float minusSevenThirds = -7.0f / 3.0f;
    constexpr float thirtyTwoThirds = 32.0f / 3.0f;
    const float a = std::fabs(x);
    const float tt = a * a;
    float r;
    if (a < 1.0f)
        r = ((7.0f * (a * tt)) + (-12.0f * tt)) + sixteenThirds;
    else if (a < 2.0f)
        r = (((minusSevenThirds * (a * tt)) + (12.0f * tt)) + (-20.0f * a)) + thirtyTwoThirds;
    else
        return 0.0f;
    return r / 6.0f;
}

constexpr int MaxDestinationSide = 768;

struct Contribution {
    int index;
    float weight;
};

using ContributionLists = std::vector<std::vector<Contribution>>;

// Out-of-range taps reflect about the edges: below zero without repeating
// pixel 0 (-1 -> 1), past the end repeating the last pixel (size -> size - 1).
// A source narrower than the kernel can reflect out of range again; those
// taps fall back to the nearest edge pixel.
int MirrorIndex(int j, int size)
{
    int n = j;
    if (j < 0)
        n = -j;
    else if (j >= size)
        n = 2 * size - 1 - j;
    if (n < 0) return 0;
    if (n >= size) return size - 1;
    return n;
}

float ScaleFactor(int sourceSize, int destinationSize)
{
    // Mapping first to first and last to last pixel; a single source pixel
    // has no span, so it is stretched over the whole destination instead.
    const long double scale = sourceSize > 1 ? static_cast<long double>(destinationSize - 1) / (sourceSize - 1)
                                             : static_cast<long double>(destinationSize) / sourceSize;
    return static_cast<float>(scale);
}

ContributionLists MakeContributions(int sourceSize, int destinationSize, float (*filter)(float), float support)
{
    const float scale = ScaleFactor(sourceSize, destinationSize);
    ContributionLists lists(static_cast<std::size_t>(destinationSize));
    for (int i = 0; i < destinationSize; ++i) {
        const float centre = static_cast<float>(i) / scale;
        const int left = static_cast<int>(std::floor(centre - support));
        const int right = static_cast<int>(std::ceil(centre + support));
        std::vector<Contribution>& list = lists[static_cast<std::size_t>(i)];
        for (int j = left; j <= right; ++j) {
            const float weight = filter(centre - static_cast<float>(j));
            if (weight != 0.0f) list.push_back({MirrorIndex(j, sourceSize), weight});
        }
    }
    return lists;
}

// A load resamples every frame between the same two sizes: the lists are
// kept per thread, keyed by what they are made from, so no call waits for
// another and none rebuilds them.
const ContributionLists& ComputeContributions(int sourceSize, int destinationSize, float (*filter)(float),
                                              float support)
{
    struct Key {
        int sourceSize, destinationSize;
        float (*filter)(float);
        float support;
        bool operator==(const Key&) const = default;
    };
    // A list, so a reference handed out stays good while more are added.
    thread_local std::list<std::pair<Key, ContributionLists>> cache;
    const Key key{sourceSize, destinationSize, filter, support};
    for (const auto& [made, lists] : cache)
        if (made == key) return lists;
    if (cache.size() >= 16) cache.pop_front();
    cache.emplace_back(key, MakeContributions(sourceSize, destinationSize, filter, support));
    return cache.back().second;
}

// Weights are not renormalised, so a sum may leave 0..255; ties go to even.
// Adding and taking away 2^23 rounds a float of 0..255 to the nearest
// integer, ties to even, exactly as nearbyint does in the default rounding
// mode. Outside 0..255 the rounding is coarser but keeps the side, so
// clamping the integer afterwards gives what clamping the sum first would;
// a sum is at most 255 times the filter's few weights, far inside int range.
// Without a float comparison the whole line converts in vector registers.
std::uint8_t ToByte(float sum)
{
    constexpr float twoTo23 = 8388608.0f;
    const int rounded = static_cast<int>((sum + twoTo23) - twoTo23);
    return static_cast<std::uint8_t>(std::clamp(rounded, 0, 255));
}

// The lines a pass reads: a bitmap's columns (or rows), each as its
// channels in float. A byte converts to float exactly, so converting once
// here gives the sums converting at every tap would.
struct Lines {
    std::size_t length = 0;
    std::vector<float> values;
    const float* line(int i) const { return values.data() + length * static_cast<std::size_t>(i); }
};

// Columns become lines, so the horizontal pass can sum whole lines too: a
// column of colour pixels a line of their channels, blue first, one of grey
// levels a line of the levels. Every value is written, so storage kept from
// an earlier call of the same size needs no clearing.
template <class Pixel>
void ShapeLines(const Bitmap<Pixel>& bitmap, Lines& lines)
{
    lines.length = static_cast<std::size_t>(bitmap.height()) * sizeof(Pixel);
    lines.values.resize(lines.length * static_cast<std::size_t>(bitmap.width()));
}

template <class Pixel>
float* LineAt(Lines& lines, int x, int y)
{
    return lines.values.data() + lines.length * static_cast<std::size_t>(x) + sizeof(Pixel) * static_cast<std::size_t>(y);
}

template <class Pixel>
inline void PutPixel(const Bitmap<Pixel>& bitmap, int x, int y, Lines& lines)
{
    float* out = LineAt<Pixel>(lines, x, y);
    const auto* in = reinterpret_cast<const std::uint8_t*>(bitmap.row(y) + x);
    for (std::size_t c = 0; c < sizeof(Pixel); ++c) out[c] = in[c];
}

template <class Pixel>
void PlainColumnsAsLines(const Bitmap<Pixel>& bitmap, Lines& lines)
{
    ShapeLines(bitmap, lines);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) PutPixel(bitmap, x, y, lines);
}

#if QUIVANE_X86_VECTORS

// Eight pixels of a row, each widened to a 32-bit lane: a colour pixel's
// blue, green and red in its low three bytes, a grey in its low byte. The
// colour loads read four bytes past the eighth pixel, which are the row's
// or the next row's when there is one; eight that end within two pixels of
// the bitmap's end are copied out first.
QUIVANE_AVX2_TARGET inline __m256i EightWidened(const ColourPixel* pixels, bool endOfBitmap)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels);
    std::uint8_t copy[28] = {};
    if (endOfBitmap) bytes = static_cast<const std::uint8_t*>(std::memcpy(copy, bytes, 24));
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return _mm256_shuffle_epi8(
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes))),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 12)), 1),
        spread);
}
QUIVANE_AVX2_TARGET inline __m256i EightWidened(const std::uint8_t* greys, bool)
{
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(greys)));
}

// Lane i of register j becomes lane j of register i.
QUIVANE_AVX2_TARGET inline void Transpose(__m256i (&r)[8])
{
    __m256i t[8], u[8];
    for (int k = 0; k < 8; k += 2) {
        t[k] = _mm256_unpacklo_epi32(r[k], r[k + 1]);
        t[k + 1] = _mm256_unpackhi_epi32(r[k], r[k + 1]);
    }
    for (int k = 0; k < 8; k += 4) {
        u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
        u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
        u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
        u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
    }
    for (int k = 0; k < 4; ++k) {
        r[k] = _mm256_permute2x128_si256(u[k], u[k + 4], 0x20);
        r[k + 4] = _mm256_permute2x128_si256(u[k], u[k + 4], 0x31);
    }
}

// Eight widened pixels as their channels in float, in pixel order.
QUIVANE_AVX2_TARGET inline void StoreChannels(__m256i widened, float* out, const ColourPixel*)
{
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i packed =
        _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(widened, pack), _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
    const __m128i low = _mm256_castsi256_si128(packed);
    _mm256_storeu_ps(out, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(low)));
    _mm256_storeu_ps(out + 8, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(low, 8))));
    _mm256_storeu_ps(out + 16, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm256_extracti128_si256(packed, 1))));
}
QUIVANE_AVX2_TARGET inline void StoreChannels(__m256i widened, float* out, const std::uint8_t*)
{
    _mm256_storeu_ps(out, _mm256_cvtepi32_ps(widened));
}

// The same lines, eight columns of eight rows at a time turned in registers.
template <class Pixel>
QUIVANE_AVX2_TARGET void ColumnsAsLinesAvx2(const Bitmap<Pixel>& bitmap, Lines& lines)
{
    ShapeLines(bitmap, lines);
    const int width = bitmap.width(), height = bitmap.height();
    int y = 0;
    for (; y + 8 <= height; y += 8) {
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            __m256i block[8];
            for (int i = 0; i < 8; ++i)
                block[i] = EightWidened(bitmap.row(y + i) + x, y + i == height - 1 && x + 10 > width);
            Transpose(block);
            for (int j = 0; j < 8; ++j) StoreChannels(block[j], LineAt<Pixel>(lines, x + j, y), bitmap.row(0));
        }
        for (; x < width; ++x)
            for (int i = 0; i < 8; ++i) PutPixel(bitmap, x, y + i, lines);
    }
    for (; y < height; ++y)
        for (int x = 0; x < width; ++x) PutPixel(bitmap, x, y, lines);
}

#endif

template <class Pixel>
void ColumnsAsLines(SimdLevel level, const Bitmap<Pixel>& bitmap, Lines& lines)
{
#if QUIVANE_X86_VECTORS
    if (level == SimdLevel::Avx2) return ColumnsAsLinesAvx2(bitmap, lines);
#endif
    (void)level;
    PlainColumnsAsLines(bitmap, lines);
}

// Eight channels side by side; each lane takes the float steps of summing
// its channel alone.
typedef float EightSums __attribute__((vector_size(32)));

// One line of a pass: every channel of the line sums its taps, the lines
// named by the list, in list order, each channel on its own, and rounds to
// a byte. Eight channels at a time keep their sums in registers across the
// taps; the whole line is then rounded in vector registers too. Each lane
// makes the float operations of summing its channel alone (contraction is
// off, so no multiply-add is fused).
void PortableAccumulateLine(const std::vector<Contribution>& list, const Lines& lines, std::vector<float>& sums,
                            std::uint8_t* target)
{
    const std::size_t channels = lines.length;
    sums.resize(channels);
    float* sum = sums.data();
    // Thirty-two channels at a time: a sum waits on its previous tap, and
    // four independent sums keep the adder busy meanwhile.
    std::size_t j = 0;
    for (; j + 32 <= channels; j += 32) {
        EightSums s0 = {}, s1 = {}, s2 = {}, s3 = {};
        for (const Contribution& c : list) {
            const float* line = lines.line(c.index) + j;
            EightSums v0, v1, v2, v3;
            std::memcpy(&v0, line, sizeof v0);
            std::memcpy(&v1, line + 8, sizeof v1);
            std::memcpy(&v2, line + 16, sizeof v2);
            std::memcpy(&v3, line + 24, sizeof v3);
            s0 = s0 + c.weight * v0;
            s1 = s1 + c.weight * v1;
            s2 = s2 + c.weight * v2;
            s3 = s3 + c.weight * v3;
        }
        std::memcpy(sum + j, &s0, sizeof s0);
        std::memcpy(sum + j + 8, &s1, sizeof s1);
        std::memcpy(sum + j + 16, &s2, sizeof s2);
        std::memcpy(sum + j + 24, &s3, sizeof s3);
    }
    for (; j + 8 <= channels; j += 8) {
        EightSums eight = {};
        for (const Contribution& c : list) {
            EightSums samples;
            std::memcpy(&samples, lines.line(c.index) + j, sizeof samples);
            eight = eight + c.weight * samples;
        }
        std::memcpy(sum + j, &eight, sizeof eight);
    }
    for (; j < channels; ++j) {
        sum[j] = 0.0f;
        for (const Contribution& c : list) sum[j] = sum[j] + c.weight * lines.line(c.index)[j];
    }
    for (std::size_t i = 0; i < channels; ++i) target[i] = ToByte(sum[i]);
}

#if QUIVANE_X86_VECTORS

// Eight rounded sums, ties to even as the default rounding mode does and as
// ToByte does; the saturating packs clamp them to bytes. Sums lie far inside
// the range a conversion takes.
QUIVANE_AVX2_TARGET inline __m256i RoundedWords(__m256 a, __m256 b)
{
    return _mm256_packs_epi32(_mm256_cvtps_epi32(a), _mm256_cvtps_epi32(b));
}

// The same line with AVX2, rounding each block of sums to bytes as soon as
// it is summed.
QUIVANE_AVX2_TARGET void AccumulateLineAvx2(const std::vector<Contribution>& list, const Lines& lines,
                                            std::uint8_t* target)
{
    const std::size_t channels = lines.length;
    // Packing interleaves the halves of the registers; the permutation puts
    // the groups of four back in channel order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    // A sum starts at its first tap's product: adding it to zero gives the
    // same float but for a negative zero, which rounds to the same byte.
    const std::size_t taps = list.size();
    std::size_t j = 0;
    for (; taps > 0 && j + 32 <= channels; j += 32) {
        const float* first = lines.line(list[0].index) + j;
        const __m256 w0 = _mm256_set1_ps(list[0].weight);
        __m256 s0 = _mm256_mul_ps(w0, _mm256_loadu_ps(first)), s1 = _mm256_mul_ps(w0, _mm256_loadu_ps(first + 8)),
               s2 = _mm256_mul_ps(w0, _mm256_loadu_ps(first + 16)), s3 = _mm256_mul_ps(w0, _mm256_loadu_ps(first + 24));
        for (std::size_t t = 1; t < taps; ++t) {
            const Contribution& c = list[t];
            const float* line = lines.line(c.index) + j;
            const __m256 w = _mm256_set1_ps(c.weight);
            s0 = _mm256_add_ps(s0, _mm256_mul_ps(w, _mm256_loadu_ps(line)));
            s1 = _mm256_add_ps(s1, _mm256_mul_ps(w, _mm256_loadu_ps(line + 8)));
            s2 = _mm256_add_ps(s2, _mm256_mul_ps(w, _mm256_loadu_ps(line + 16)));
            s3 = _mm256_add_ps(s3, _mm256_mul_ps(w, _mm256_loadu_ps(line + 24)));
        }
        const __m256i bytes = _mm256_packus_epi16(RoundedWords(s0, s1), RoundedWords(s2, s3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + j), _mm256_permutevar8x32_epi32(bytes, order));
    }
    for (; j + 8 <= channels; j += 8) {
        __m256 sum = _mm256_setzero_ps();
        for (const Contribution& c : list)
            sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_set1_ps(c.weight), _mm256_loadu_ps(lines.line(c.index) + j)));
        const __m256i words = RoundedWords(sum, sum);
        const __m256i bytes = _mm256_packus_epi16(words, words);
        _mm_storeu_si32(target + j, _mm256_castsi256_si128(bytes));
        _mm_storeu_si32(target + j + 4, _mm256_extracti128_si256(bytes, 1));
    }
    for (; j < channels; ++j) {
        float sum = 0.0f;
        for (const Contribution& c : list) sum = sum + c.weight * lines.line(c.index)[j];
        target[j] = ToByte(sum);
    }
}

#endif

void AccumulateLine(SimdLevel level, const std::vector<Contribution>& list, const Lines& lines,
                    std::vector<float>& sums, std::uint8_t* target)
{
#if QUIVANE_X86_VECTORS
    if (level == SimdLevel::Avx2) return AccumulateLineAvx2(list, lines, target);
#endif
    (void)level;
    PortableAccumulateLine(list, lines, sums, target);
}

}  // namespace

const std::array<ResampleFilter, 8> ResampleFilters = {{
    {"Box", BoxFilter, 0.5f},
    {"Triangle", TriangleFilter, 1.0f},
    {"Hermite", HermiteFilter, 1.0f},
    {"Bell", BellFilter, 1.5f},
    {"B-Spline", BSplineFilter, 2.0f},
    {"Lanczos3", Lanczos3Filter, 3.0f},
    {"Mitchell", MitchellFilter, 2.0f},
    {"Mitchell2", MitchellFilter, 2.0f},
}};

namespace {

template <class Pixel>
void ResampleAny(const Bitmap<Pixel>& source, Bitmap<Pixel>& destination, float (*filter)(float), float support)
{
    const int sourceWidth = source.width();
    const int sourceHeight = source.height();
    const int destinationWidth = destination.width();
    const int destinationHeight = destination.height();

    if (destinationWidth < sourceWidth || destinationHeight < sourceHeight)
        throw ResampleError("Destination bitmap smaller than Source bitmap");
    if (destinationWidth > MaxDestinationSide || destinationHeight > MaxDestinationSide)
        throw ResampleError("Destination bitmap too big");
    if (sourceWidth < 1 || sourceHeight < 1) throw ResampleError("Source bitmap too small");

    // Per-thread lists and work storage keep concurrent calls independent,
    // and a load, which resamples every frame between the same two sizes,
    // from making them again; every work value is written before it is read.
    // The horizontal pass runs on the source's columns, a destination column
    // at a time, and its result is turned back.
    const ContributionLists& columns = ComputeContributions(sourceWidth, destinationWidth, filter, support);
    thread_local Lines sourceColumns, work;
    thread_local Bitmap<Pixel> workColumns;
    // One level for the whole picture, read once.
    const SimdLevel level = ActiveSimdLevel();
    ColumnsAsLines(level, source, sourceColumns);
    workColumns.reshape(sourceHeight, destinationWidth);
    std::vector<float> sums;
    for (int i = 0; i < destinationWidth; ++i)
        AccumulateLine(level, columns[static_cast<std::size_t>(i)], sourceColumns, sums,
                       reinterpret_cast<std::uint8_t*>(workColumns.row(i)));
    ColumnsAsLines(level, workColumns, work);

    // The source is no longer read, so writing the destination is safe even
    // when both are the same bitmap.
    const ContributionLists& rows = ComputeContributions(sourceHeight, destinationHeight, filter, support);
    for (int l = 0; l < destinationHeight; ++l)
        AccumulateLine(level, rows[static_cast<std::size_t>(l)], work, sums,
                       reinterpret_cast<std::uint8_t*>(destination.row(l)));
}

}  // namespace

void Resample(const Bitmap24& source, Bitmap24& destination, float (*filter)(float), float support)
{
    ResampleAny(source, destination, filter, support);
}

void Resample(const Bitmap8& source, Bitmap8& destination, float (*filter)(float), float support)
{
    ResampleAny(source, destination, filter, support);
}

}  // namespace quivane
