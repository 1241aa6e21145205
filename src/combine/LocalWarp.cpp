#include "combine/LocalWarp.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

static_assert(sizeof(PicturePixel) == 4, "the fast path reads a pixel's four channels as bytes in order");

static_assert(WarpPhases == 64, "the warp finds whole pixels by a shift of six bits");

constexpr int TapOne = 256;  // one, for an interpolation weight along an axis

int FloorDiv(long long a, long long b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }

// a / b to the nearest whole number, halves up, for b > 0.
int RoundDiv(long long a, long long b) { return FloorDiv(2 * a + b, 2 * b); }

// Catmull-Rom weights of the pixels at -1, 0, 1, 2 for each phase, in
// 256ths that add up to exactly 256: the cubic through the samples keeps
// the detail a linear blend would smooth away, which is what local
// alignment is for.
using Taps = std::array<int, 4>;
std::array<Taps, WarpPhases> MakeTaps()
{
    std::array<Taps, WarpPhases> table{};
    for (int phase = 0; phase < WarpPhases; ++phase) {
        const double t = static_cast<double>(phase) / WarpPhases;
        const double w[4] = {(-t * t * t + 2 * t * t - t) / 2, (3 * t * t * t - 5 * t * t + 2) / 2,
                             (-3 * t * t * t + 4 * t * t + t) / 2, (t * t * t - t * t) / 2};
        Taps& taps = table[static_cast<std::size_t>(phase)];
        int sum = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const double scaled = w[k] * TapOne;
            taps[k] = static_cast<int>(scaled >= 0 ? scaled + 0.5 : scaled - 0.5);
            sum += taps[k];
        }
        taps[phase < WarpPhases / 2 ? 1 : 2] += TapOne - sum;
    }
    return table;
}

const std::array<Taps, WarpPhases>& CubicTaps()
{
    static const std::array<Taps, WarpPhases> table = MakeTaps();
    return table;
}

// Where `t` (a pixel along an axis) falls between the nodes `origin`,
// `origin + step`, ...: the lower node, clamped so it has an upper one when
// there are two or more, and the distance from it (0..step).
struct Between {
    int node;
    int along;
};
Between Locate(int t, int origin, int step, int count)
{
    if (count < 2) return {0, 0};
    const int span = (count - 1) * step;
    const int d = std::clamp(t - origin, 0, span);
    const int node = std::min(d / step, count - 2);
    return {node, d - node * step};
}

// 65536ths of a level to sixteenths, rounded; the cubic may overshoot past
// black or white next to a hard edge.
[[gnu::always_inline]] inline std::array<int, 4> Sixteenths(const int (&sums)[4])
{
    // A shift right is the floor of the division by 4096, for either sign.
    std::array<int, 4> out{};
    for (std::size_t c = 0; c < 4; ++c) out[c] = std::clamp((sums[c] + 2048) >> 12, 0, 255 * 16);
    return out;
}

// WarpedPixel for sixteen pixels that all lie inside the bitmap, `first`
// the top left one and `stride` pixels from row to row. Every product and
// sum is a whole number well inside 2^31, so the order of the additions
// changes nothing.
[[gnu::always_inline]] inline std::array<int, 4> InteriorPixel(const PicturePixel* first, int stride, const Taps& tx,
                                                               const Taps& ty)
{
    int sums[4] = {0, 0, 0, 0};
    for (int r = 0; r < 4; ++r) {
        const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(first + static_cast<std::ptrdiff_t>(r) * stride);
        int line[4] = {0, 0, 0, 0};
        for (int k = 0; k < 4; ++k)
            for (int c = 0; c < 4; ++c) line[c] += tx[static_cast<std::size_t>(k)] * p[4 * k + c];
        for (int c = 0; c < 4; ++c) sums[c] += ty[static_cast<std::size_t>(r)] * line[c];
    }
    return Sixteenths(sums);
}

}  // namespace

ShiftField::ShiftField(const std::vector<AlignmentPoint>& points, const std::vector<LocalShift>& shifts)
{
    if (points.empty() || shifts.size() < points.size() || points.front().size < 2) return;
    step_ = points.front().size / 2;
    int minLeft = points.front().left, minTop = points.front().top, maxLeft = minLeft, maxTop = minTop;
    for (const AlignmentPoint& p : points) {
        minLeft = std::min(minLeft, p.left);
        minTop = std::min(minTop, p.top);
        maxLeft = std::max(maxLeft, p.left);
        maxTop = std::max(maxTop, p.top);
    }
    originX_ = minLeft + step_;
    originY_ = minTop + step_;
    columns_ = RoundDiv(maxLeft - minLeft, step_) + 1;
    rows_ = RoundDiv(maxTop - minTop, step_) + 1;
    const std::size_t nodes = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    nodes_.assign(nodes, {0, 0});
    std::vector<char> filled(nodes, 0);
    for (std::size_t p = 0; p < points.size(); ++p) {
        const int i = RoundDiv(points[p].left - minLeft, step_), j = RoundDiv(points[p].top - minTop, step_);
        const std::size_t k = static_cast<std::size_t>(j) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(i);
        nodes_[k] = {shifts[p].x, shifts[p].y};
        filled[k] = 1;
    }
    // Ring by ring: each pass fills the nodes next to those filled before it.
    std::vector<std::size_t> ring;
    while (true) {
        ring.clear();
        for (int j = 0; j < rows_; ++j) {
            for (int i = 0; i < columns_; ++i) {
                const std::size_t k = static_cast<std::size_t>(j) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(i);
                if (!filled[k]) ring.push_back(k);
            }
        }
        if (ring.empty()) break;
        std::vector<std::array<int, 2>> values(ring.size());
        std::vector<char> found(ring.size(), 0);
        for (std::size_t r = 0; r < ring.size(); ++r) {
            const int i = static_cast<int>(ring[r] % static_cast<std::size_t>(columns_));
            const int j = static_cast<int>(ring[r] / static_cast<std::size_t>(columns_));
            long long sx = 0, sy = 0, n = 0;
            for (int v = std::max(0, j - 1); v <= std::min(rows_ - 1, j + 1); ++v) {
                for (int u = std::max(0, i - 1); u <= std::min(columns_ - 1, i + 1); ++u) {
                    const std::size_t k = static_cast<std::size_t>(v) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(u);
                    if (!filled[k]) continue;
                    sx += nodes_[k][0];
                    sy += nodes_[k][1];
                    ++n;
                }
            }
            if (n == 0) continue;
            values[r] = {RoundDiv(sx, n), RoundDiv(sy, n)};
            found[r] = 1;
        }
        for (std::size_t r = 0; r < ring.size(); ++r) {
            if (!found[r]) continue;
            nodes_[ring[r]] = values[r];
            filled[ring[r]] = 1;
        }
    }
}

std::array<int, 2> ShiftField::at(int x, int y) const
{
    if (nodes_.empty()) return {0, 0};
    const Between bx = Locate(x, originX_, step_, columns_);
    const Between by = Locate(y, originY_, step_, rows_);
    const auto node = [&](int i, int j) -> const std::array<int, 2>& {
        return nodes_[static_cast<std::size_t>(std::min(j, rows_ - 1)) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(std::min(i, columns_ - 1))];
    };
    const long long s = step_;
    const long long wx1 = bx.along, wx0 = s - bx.along, wy1 = by.along, wy0 = s - by.along;
    std::array<int, 2> shift{};
    for (std::size_t c = 0; c < 2; ++c) {
        const long long sum = wx0 * wy0 * node(bx.node, by.node)[c] + wx1 * wy0 * node(bx.node + 1, by.node)[c] +
                              wx0 * wy1 * node(bx.node, by.node + 1)[c] + wx1 * wy1 * node(bx.node + 1, by.node + 1)[c];
        shift[c] = RoundDiv(sum * (WarpPhases / ShiftScale), s * s);
    }
    return shift;
}

void ShiftField::row(int y, int width, std::vector<std::array<int, 2>>& shifts) const
{
    shifts.assign(static_cast<std::size_t>(std::max(0, width)), {0, 0});
    row(y, 0, width, shifts);
}

void ShiftField::row(int y, int begin, int end, std::vector<std::array<int, 2>>& shifts) const
{
    if (shifts.size() < static_cast<std::size_t>(std::max(0, end))) shifts.resize(static_cast<std::size_t>(end));
    if (nodes_.empty()) {
        for (int x = begin; x < end; ++x) shifts[static_cast<std::size_t>(x)] = {0, 0};
        return;
    }
    const Between by = Locate(y, originY_, step_, rows_);
    const long long s = step_;
    const long long wy1 = by.along, wy0 = s - by.along;
    const std::size_t upper = static_cast<std::size_t>(std::min(by.node, rows_ - 1)) * static_cast<std::size_t>(columns_);
    const std::size_t lower = static_cast<std::size_t>(std::min(by.node + 1, rows_ - 1)) * static_cast<std::size_t>(columns_);
    // Each node column's vertical blend, exact in integers, so the sums
    // below are those of at() in another order.
    std::vector<std::array<long long, 2>> blended(static_cast<std::size_t>(columns_));
    for (std::size_t i = 0; i < blended.size(); ++i)
        for (std::size_t c = 0; c < 2; ++c) blended[i][c] = wy0 * nodes_[upper + i][c] + wy1 * nodes_[lower + i][c];
    // Along the row the numerator of at()'s division grows by the same
    // amount from pixel to pixel between two node centres (and stays put
    // beyond the outermost), so the rounded quotient is carried along with
    // its remainder instead of dividing at every pixel. The row is taken a
    // run at a time: up to the first centre, between two centres, past the
    // last; the value depends on the distance along the lattice alone.
    const long long divisor = 2 * s * s;  // RoundDiv(a, b) is the floor of (2a + b) / 2b
    // Boxes of a power of two (the default sizes but one) divide by one too:
    // then every pixel's quotient is a shift of its own numerator, with no
    // division and no chain of carries from pixel to pixel.
    const int bits = (divisor & (divisor - 1)) == 0 ? std::countr_zero(static_cast<unsigned long long>(divisor)) : -1;
    const auto divide = [&](long long numerator) { return bits >= 0 ? numerator >> bits : FloorDiv(numerator, divisor); };
    const int span = columns_ < 2 ? 0 : (columns_ - 1) * step_;
    for (int x = begin; x < end;) {
        const int t = x - originX_;
        const Between bx = Locate(x, originX_, step_, columns_);
        const std::size_t i0 = static_cast<std::size_t>(std::min(bx.node, columns_ - 1));
        const std::size_t i1 = static_cast<std::size_t>(std::min(bx.node + 1, columns_ - 1));
        const long long wx1 = bx.along, wx0 = s - bx.along;
        std::array<long long, 2> numerator{}, growth{};
        for (std::size_t c = 0; c < 2; ++c) {
            numerator[c] = 2 * (wx0 * blended[i0][c] + wx1 * blended[i1][c]) * (WarpPhases / ShiftScale) + s * s;
            growth[c] = 2 * (blended[i1][c] - blended[i0][c]) * (WarpPhases / ShiftScale);
        }
        if (t <= 0 || t >= span) {
            // Up to the first centre, or past the last, the field stays put.
            const int stop = t <= 0 && span > 0 ? std::min(end, originX_ + 1) : end;
            std::fill(shifts.begin() + x, shifts.begin() + stop,
                      std::array<int, 2>{static_cast<int>(divide(numerator[0])), static_cast<int>(divide(numerator[1]))});
            x = stop;
            continue;
        }
        // Between two centres, up to the next one (which starts a run of its
        // own, or is the last and past the span).
        const int stop = std::min(end, x + (step_ - bx.along));
        if (bits >= 0) {
            for (long long k = 0; x < stop; ++x, ++k)
                shifts[static_cast<std::size_t>(x)] = {static_cast<int>((numerator[0] + k * growth[0]) >> bits),
                                                       static_cast<int>((numerator[1] + k * growth[1]) >> bits)};
            continue;
        }
        std::array<long long, 2> quotient{}, remainder{}, stepQuotient{}, stepRemainder{};
        for (std::size_t c = 0; c < 2; ++c) {
            quotient[c] = FloorDiv(numerator[c], divisor);
            remainder[c] = numerator[c] - quotient[c] * divisor;
            stepQuotient[c] = FloorDiv(growth[c], divisor);
            stepRemainder[c] = growth[c] - stepQuotient[c] * divisor;
        }
        for (; x < stop; ++x) {
            shifts[static_cast<std::size_t>(x)] = {static_cast<int>(quotient[0]), static_cast<int>(quotient[1])};
            for (std::size_t c = 0; c < 2; ++c) {
                // Without a branch: the carry falls either way at random.
                remainder[c] += stepRemainder[c];
                const long long carry = remainder[c] >= divisor ? 1 : 0;
                remainder[c] -= carry * divisor;
                quotient[c] += stepQuotient[c] + carry;
            }
        }
    }
}

std::array<int, 4> WarpedPixel(const Bitmap32& bitmap, int px, int py)
{
    const int width = bitmap.width(), height = bitmap.height();
    const int baseX = FloorDiv(px, WarpPhases), baseY = FloorDiv(py, WarpPhases);
    const Taps& tx = CubicTaps()[static_cast<std::size_t>(px - baseX * WarpPhases)];
    const Taps& ty = CubicTaps()[static_cast<std::size_t>(py - baseY * WarpPhases)];
    int columns[4];
    for (int k = 0; k < 4; ++k) columns[k] = std::clamp(baseX - 1 + k, 0, width - 1);
    int sums[4] = {0, 0, 0, 0};
    for (int r = 0; r < 4; ++r) {
        const PicturePixel* row = bitmap.row(std::clamp(baseY - 1 + r, 0, height - 1));
        int line[4] = {0, 0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            const PicturePixel& p = row[columns[k]];
            const int w = tx[static_cast<std::size_t>(k)];
            line[0] += w * p.chromaBlue;
            line[1] += w * p.chromaGreen;
            line[2] += w * p.chromaRed;
            line[3] += w * p.luminance;
        }
        for (int c = 0; c < 4; ++c) sums[c] += ty[static_cast<std::size_t>(r)] * line[c];
    }
    return Sixteenths(sums);
}

namespace {

// The pixels of a picture's rows as WarpPicture reads them, `interior`
// reading the sixteen pixels of one that lies inside; inlined into each
// path, so the vector one is built for the processor it asks for.
// With `Add` the pixels are not written but added, `weight` times each, to
// what `out` holds, and the pixels not wanted are left alone.
template <bool Add, typename Interior>
[[gnu::always_inline]] inline void WarpRows(const Picture& picture, const ShiftField& field,
                                            const std::vector<char>& wanted, std::vector<std::array<int, 4>>& out,
                                            int weight, Interior interior)
{
    const auto put = [weight](std::array<int, 4>& target, const std::array<int, 4>& value) {
        if constexpr (Add) {
            for (std::size_t c = 0; c < 4; ++c) target[c] += weight * value[c];
        } else {
            target = value;
        }
    };
    const auto clear = [](std::array<int, 4>* from, std::array<int, 4>* to) {
        if constexpr (!Add) std::fill(from, to, std::array<int, 4>{0, 0, 0, 0});
    };
    const Bitmap32& bitmap = picture.bitmap;
    const int width = bitmap.width(), height = bitmap.height();
    std::vector<std::array<int, 2>> shifts;
    for (int y = 0; y < height; ++y) {
        const char* wantedRow = wanted.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        std::array<int, 4>* outRow = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        // The field is made only from the first wanted pixel to the last.
        const char* first = std::find(wantedRow, wantedRow + width, 1);
        const int begin = static_cast<int>(first - wantedRow);
        int end = width;
        while (end > begin && !wantedRow[end - 1]) --end;
        clear(outRow, outRow + begin);
        clear(outRow + end, outRow + width);
        if (begin == end) continue;
        field.row(y, begin, end, shifts);
        for (int x = begin; x < end; ++x) {
            if (!wantedRow[x]) {
                clear(outRow + x, outRow + x + 1);
                continue;
            }
            const std::array<int, 2>& s = shifts[static_cast<std::size_t>(x)];
            const int px = (x + picture.dx) * WarpPhases + s[0], py = (y + picture.dy) * WarpPhases + s[1];
            // WarpPhases is 64: a shift right is the floor of the division.
            const int baseX = px >> 6, baseY = py >> 6;
            const int phaseX = px - baseX * WarpPhases, phaseY = py - baseY * WarpPhases;
            if (baseX < 1 || baseY < 1 || baseX + 2 >= width || baseY + 2 >= height) {
                // Near an edge the sixteen pixels, edges repeated, are
                // gathered first and read as an inside block of four.
                PicturePixel near[16];
                for (int r = 0; r < 4; ++r) {
                    const PicturePixel* source = bitmap.row(std::clamp(baseY - 1 + r, 0, height - 1));
                    for (int k = 0; k < 4; ++k) near[4 * r + k] = source[std::clamp(baseX - 1 + k, 0, width - 1)];
                }
                put(outRow[x], interior(near, 4, phaseX, phaseY));
                continue;
            }
            // Inside: the sixteen pixels are read straight from four rows.
            put(outRow[x], interior(bitmap.row(baseY - 1) + (baseX - 1), width, phaseX, phaseY));
        }
    }
}

[[gnu::always_inline]] inline std::array<int, 4> InteriorAtPhases(const PicturePixel* first, int stride, int phaseX,
                                                                   int phaseY)
{
    const std::array<Taps, WarpPhases>& taps = CubicTaps();
    return InteriorPixel(first, stride, taps[static_cast<std::size_t>(phaseX)], taps[static_cast<std::size_t>(phaseY)]);
}

template <bool Add>
void WarpRowsPortable(const Picture& picture, const ShiftField& field, const std::vector<char>& wanted,
                      std::vector<std::array<int, 4>>& out, int weight)
{
    WarpRows<Add>(picture, field, wanted, out, weight, InteriorAtPhases);
}

#if QUIVANE_X86_VECTORS

// InteriorPixel in eight 32-bit lanes: each row's pixels are weighed by
// column pairs of rows first (one multiply-add), then the columns by their
// taps with a 32-bit multiply. The same whole numbers in another order:
// every product and partial sum stays well inside 2^31 (a column's blend
// within 300 * 255, its weighed value within 256 times that).
// Inlined into the warp's rows, built for AVX2 as well.
// The taps of each phase as the AVX2 read loads them: the columns' four
// times over, lanes of columns 0 and 2 and of 1 and 3, and the rows' in
// 16-bit pairs (low: the upper row's).
struct alignas(32) WideTaps {
    std::int32_t even[8];
    std::int32_t odd[8];
    std::int32_t rowPairs[2];
};
const std::array<WideTaps, WarpPhases>& WideCubicTaps()
{
    static const std::array<WideTaps, WarpPhases> table = [] {
        std::array<WideTaps, WarpPhases> wide{};
        for (std::size_t phase = 0; phase < WarpPhases; ++phase) {
            const Taps& t = CubicTaps()[phase];
            for (std::size_t lane = 0; lane < 8; ++lane) {
                wide[phase].even[lane] = t[lane < 4 ? 0 : 2];
                wide[phase].odd[lane] = t[lane < 4 ? 1 : 3];
            }
            for (std::size_t pair = 0; pair < 2; ++pair)
                wide[phase].rowPairs[pair] = static_cast<std::int32_t>((static_cast<unsigned>(t[2 * pair + 1]) << 16) |
                                                                       (static_cast<unsigned>(t[2 * pair]) & 0xffffu));
        }
        return wide;
    }();
    return table;
}

QUIVANE_AVX2_TARGET [[gnu::always_inline]] inline std::array<int, 4> InteriorPixelAvx2(const PicturePixel* first,
                                                                                       int stride, int phaseX,
                                                                                       int phaseY)
{
    const std::array<WideTaps, WarpPhases>& wide = WideCubicTaps();
    const WideTaps& tx = wide[static_cast<std::size_t>(phaseX)];
    const WideTaps& ty = wide[static_cast<std::size_t>(phaseY)];
    // (A lambda would not take the function's target, so no helpers here.)
    const __m128i* p = reinterpret_cast<const __m128i*>(first);
    const __m256i r0 = _mm256_cvtepu8_epi16(_mm_loadu_si128(p));
    const __m256i r1 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first + stride)));
    const __m256i r2 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 2 * stride)));
    const __m256i r3 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 3 * stride)));
    const __m256i ty01 = _mm256_set1_epi32(ty.rowPairs[0]);
    const __m256i ty23 = _mm256_set1_epi32(ty.rowPairs[1]);
    // Within each 128-bit half, the low unpack holds the half's first pixel
    // (columns 0 and 2) channel by channel, the high unpack its second
    // (columns 1 and 3).
    const __m256i even = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(r0, r1), ty01),
                                          _mm256_madd_epi16(_mm256_unpacklo_epi16(r2, r3), ty23));
    const __m256i odd = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(r0, r1), ty01),
                                         _mm256_madd_epi16(_mm256_unpackhi_epi16(r2, r3), ty23));
    const __m256i weighed =
        _mm256_add_epi32(_mm256_mullo_epi32(even, _mm256_load_si256(reinterpret_cast<const __m256i*>(tx.even))),
                         _mm256_mullo_epi32(odd, _mm256_load_si256(reinterpret_cast<const __m256i*>(tx.odd))));
    const __m128i sums = _mm_add_epi32(_mm256_castsi256_si128(weighed), _mm256_extracti128_si256(weighed, 1));
    // As Sixteenths rounds and clamps.
    const __m128i rounded = _mm_srai_epi32(_mm_add_epi32(sums, _mm_set1_epi32(2048)), 12);
    const __m128i clamped = _mm_min_epi32(_mm_max_epi32(rounded, _mm_setzero_si128()), _mm_set1_epi32(255 * 16));
    std::array<int, 4> out;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data()), clamped);
    return out;
}

template <bool Add>
QUIVANE_AVX2_TARGET void WarpRowsAvx2(const Picture& picture, const ShiftField& field, const std::vector<char>& wanted,
                                      std::vector<std::array<int, 4>>& out, int weight)
{
    WarpRows<Add>(picture, field, wanted, out, weight, InteriorPixelAvx2);
}
#endif

template <bool Add>
void WarpOnActiveLevel(const Picture& picture, const ShiftField& field, const std::vector<char>& wanted,
                       std::vector<std::array<int, 4>>& out, int weight)
{
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) {
        WarpRowsAvx2<Add>(picture, field, wanted, out, weight);
        return;
    }
#endif
    WarpRowsPortable<Add>(picture, field, wanted, out, weight);
}

}  // namespace

void WarpPicture(const Picture& picture, const ShiftField& field, const std::vector<char>& wanted,
                 std::vector<std::array<int, 4>>& out)
{
    const Bitmap32& bitmap = picture.bitmap;
    // Every pixel is written once (a buffer used again is not cleared first).
    out.resize(static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()));
    if (bitmap.empty()) return;
    WarpOnActiveLevel<false>(picture, field, wanted, out, 0);
}

void AddWarpedPicture(const Picture& picture, const ShiftField& field, const std::vector<char>& wanted, int weight,
                      std::vector<std::array<int, 4>>& sums)
{
    const Bitmap32& bitmap = picture.bitmap;
    if (bitmap.empty() || sums.size() < static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()))
        return;
    WarpOnActiveLevel<true>(picture, field, wanted, sums, weight);
}

}  // namespace quivane
