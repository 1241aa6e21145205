#include "align/LocalShifts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <limits>

#include "align/LuminancePlane.h"
#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

constexpr long long Unmeasured = -1;

// std::lround's rounding without its library call, for levels far inside
// the range of int.
int RoundHalfAway(double v) { return v >= 0.0 ? static_cast<int>(v + 0.5) : -static_cast<int>(0.5 - v); }

// The picture's luminance around one box, at LumaScale, read once with its
// offsets and the edges repeated, so the search compares contiguous rows.
// One window serves every box of a picture in turn.
class BoxWindow {
public:
    // `plane` is the picture's stored luminance, read through its offsets.
    void read(const LuminancePlane& plane, int dx, int dy, const AlignmentPoint& box, int margin)
    {
        margin_ = margin;
        side_ = box.size + 2 * margin;
        bytes_.resize(static_cast<std::size_t>(side_) * static_cast<std::size_t>(side_));
        levels_.resize(bytes_.size());
        // As GetShiftedPixel reads, a row at a time.
        const int left = box.left - margin + dx, top = box.top - margin + dy;
        const int lastX = plane.width - 1, lastY = plane.height - 1;
        const bool inside = left >= 0 && left + side_ - 1 <= lastX;
        std::uint8_t* out = bytes_.data();
        for (int y = 0; y < side_; ++y, out += side_) {
            const std::uint8_t* row = plane.row(std::clamp(top + y, 0, lastY));
            if (inside) {
                std::copy(row + left, row + left + side_, out);
            } else {
                for (int x = 0; x < side_; ++x) out[x] = row[std::clamp(left + x, 0, lastX)];
            }
        }
    }
    std::ptrdiff_t stride() const { return side_; }
    // Row `y` of the box read `u`, `v` pixels further.
    const std::int16_t* row(int y, int u, int v) const
    {
        return levels_.data() + static_cast<std::size_t>(y + margin_ + v) * static_cast<std::size_t>(side_) +
               static_cast<std::size_t>(margin_ + u);
    }

    // Each frame's contrast is stretched to its own luminance range, so a
    // box may be brighter or flatter than the reference's: matching squared
    // differences would then pull it toward where the levels agree rather
    // than where the detail does. The window takes the reference box's mean
    // and spread, both measured with no shift. A luminance byte has 256
    // values, so each is mapped once.
    // The matched levels stay within -16320..20400 (see SquaredDifferences),
    // so they are kept in 16 bits.
    void matchLevels(const ReferenceBox& reference)
    {
        const int size = reference.point.size;
        // Whole-number sums (exact, as the doubles they become).
        long long sumP = 0, squaresP = 0;
        for (int y = 0; y < size; ++y) {
            const std::uint8_t* pic = bytes_.data() + static_cast<std::size_t>(y + margin_) * static_cast<std::size_t>(side_) +
                                      static_cast<std::size_t>(margin_);
            int rowP = 0, rowSquaresP = 0;  // a row of 256 at most stays within 2^31
            for (int x = 0; x < size; ++x) {
                rowP += pic[x];
                rowSquaresP += pic[x] * pic[x];
            }
            sumP += rowP;
            squaresP += rowSquaresP;
        }
        const double sr = double(reference.sum), srr = double(reference.squares);
        const double sp = double(LumaScale * sumP), spp = double(LumaScale * LumaScale * squaresP);
        const double n = double(size) * size;
        const double mr = sr / n, mp = sp / n;
        const double dr = std::sqrt(std::max(1.0, srr / n - mr * mr));
        const double dp = std::sqrt(std::max(1.0, spp / n - mp * mp));
        // A box without detail must not have its noise blown up.
        const double gain = std::clamp(dr / dp, 0.25, 4.0);
        // Only the levels the window holds are looked up.
        std::uint8_t lowest = 255, highest = 0;  // a plain loop, which becomes vector code
        for (const std::uint8_t b : bytes_) {
            lowest = std::min(lowest, b);
            highest = std::max(highest, b);
        }
        std::array<std::int16_t, 256> matched{};
        for (int l = lowest; l <= highest; ++l)
            matched[static_cast<std::size_t>(l)] = static_cast<std::int16_t>(RoundHalfAway(mr + (LumaScale * l - mp) * gain));
        for (std::size_t i = 0; i < bytes_.size(); ++i) levels_[i] = matched[bytes_[i]];
    }

private:
    int margin_ = 0;
    int side_ = 0;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::int16_t> levels_;
};

class ShiftSearch {
public:
    // `sums` is the caller's, reused from box to box.
    ShiftSearch(const ReferenceBox& reference, const BoxWindow& window, int radius, std::vector<long long>& sums)
        : reference_(reference), window_(window), size_(reference.point.size), radius_(radius), side_(2 * radius + 3),
          sums_(sums)
    {
        sums_.assign(static_cast<std::size_t>(side_) * static_cast<std::size_t>(side_), Unmeasured);
    }

    // Sum of squared differences at a whole-pixel shift within radius + 1.
    long long at(int u, int v)
    {
        long long& sum = sums_[static_cast<std::size_t>(v + radius_ + 1) * side_ + static_cast<std::size_t>(u + radius_ + 1)];
        if (sum != Unmeasured) return sum;
        sum = SquaredDifferences(reference_.levels.data(), size_, window_.row(0, u, v), window_.stride(), size_, size_);
        return sum;
    }

    LocalShift run()
    {
        int u = 0, v = 0;
        // Each step moves to a strictly better neighbour, so the walk ends.
        while (true) {
            int bestU = u, bestV = v;
            long long best = at(u, v);
            for (int dv = -1; dv <= 1; ++dv) {
                for (int du = -1; du <= 1; ++du) {
                    const int nu = u + du, nv = v + dv;
                    if (std::abs(nu) > radius_ || std::abs(nv) > radius_) continue;
                    const long long s = at(nu, nv);
                    if (s < best) {
                        best = s;
                        bestU = nu;
                        bestV = nv;
                    }
                }
            }
            if (bestU == u && bestV == v) break;
            u = bestU;
            v = bestV;
        }
        const bool sure = std::abs(u) < radius_ && std::abs(v) < radius_;
        return LocalShift{ShiftScale * u + Vertex(at(u - 1, v), at(u, v), at(u + 1, v)),
                          ShiftScale * v + Vertex(at(u, v - 1), at(u, v), at(u, v + 1)), sure};
    }

private:
    // The parabola's vertex through (-1, a), (0, b), (1, c), in sixteenths,
    // within half a pixel; 0 when the three do not curve upward.
    static int Vertex(long long a, long long b, long long c)
    {
        const long long curve = a - 2 * b + c;
        if (curve <= 0) return 0;
        const long long offset = (ShiftScale / 2) * (a - c) / curve;
        return static_cast<int>(std::clamp<long long>(offset, -ShiftScale / 2, ShiftScale / 2));
    }

    const ReferenceBox& reference_;
    const BoxWindow& window_;
    int size_;
    int radius_;
    int side_;
    std::vector<long long>& sums_;
};

int Median(std::vector<int>& values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool Neighbours(const AlignmentPoint& a, const AlignmentPoint& b)
{
    return !(a == b) && std::abs(a.left - b.left) < a.size && std::abs(a.top - b.top) < a.size;
}

}  // namespace

#if QUIVANE_X86_VECTORS
namespace {

// Sixteen differences to a register: they fit 16 bits as they come; one
// multiply-add squares and pairs them, and two such pairs still fit 32 bits
// before they are widened.
QUIVANE_AVX2_TARGET long long SquaredDifferencesAvx2(const std::int16_t* a, std::ptrdiff_t aStride,
                                                     const std::int16_t* b, std::ptrdiff_t bStride, int count, int rows)
{
    long long sum = 0;
    const __m256i zero = _mm256_setzero_si256();
    __m256i wide = _mm256_setzero_si256();
    for (int y = 0; y < rows; ++y, a += aStride, b += bStride) {
        const __m256i* pa = reinterpret_cast<const __m256i*>(a);
        const __m256i* pb = reinterpret_cast<const __m256i*>(b);
        int x = 0;
        for (; x + 32 <= count; x += 32, pa += 2, pb += 2) {
            const __m256i low = _mm256_sub_epi16(_mm256_loadu_si256(pa), _mm256_loadu_si256(pb));
            const __m256i high = _mm256_sub_epi16(_mm256_loadu_si256(pa + 1), _mm256_loadu_si256(pb + 1));
            const __m256i pairs = _mm256_add_epi32(_mm256_madd_epi16(low, low), _mm256_madd_epi16(high, high));
            // Non-negative, so widening with zeros is exact.
            wide = _mm256_add_epi64(wide, _mm256_unpacklo_epi32(pairs, zero));
            wide = _mm256_add_epi64(wide, _mm256_unpackhi_epi32(pairs, zero));
        }
        for (; x + 16 <= count; x += 16, ++pa, ++pb) {
            const __m256i e = _mm256_sub_epi16(_mm256_loadu_si256(pa), _mm256_loadu_si256(pb));
            const __m256i pairs = _mm256_madd_epi16(e, e);
            wide = _mm256_add_epi64(wide, _mm256_unpacklo_epi32(pairs, zero));
            wide = _mm256_add_epi64(wide, _mm256_unpackhi_epi32(pairs, zero));
        }
        for (; x < count; ++x) {
            const int e = a[x] - b[x];
            sum += static_cast<long long>(e) * e;
        }
    }
    long long lanes[4];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), wide);
    return sum + lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

}  // namespace
#endif

long long SquaredDifferences(const std::int16_t* a, std::ptrdiff_t aStride, const std::int16_t* b,
                             std::ptrdiff_t bStride, int count, int rows)
{
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return SquaredDifferencesAvx2(a, aStride, b, bStride, count, rows);
#endif
    long long sum = 0;
    for (int y = 0; y < rows; ++y, a += aStride, b += bStride)
        for (int x = 0; x < count; ++x) {
            const int e = a[x] - b[x];
            sum += static_cast<long long>(e) * e;
        }
    return sum;
}

int DefaultSearchRadius(int enlargement) { return 3 * std::max(1, enlargement); }

std::vector<ReferenceBox> ReadReferenceBoxes(const LumaGrid& reference, const std::vector<AlignmentPoint>& points)
{
    std::vector<ReferenceBox> boxes(points.size());
    for (std::size_t p = 0; p < points.size(); ++p) {
        ReferenceBox& box = boxes[p];
        const AlignmentPoint& point = points[p];
        box.point = point;
        box.inside = !reference.empty() && point.size > 0 && point.left >= 0 && point.top >= 0 &&
                     point.left + point.size <= reference.width && point.top + point.size <= reference.height;
        if (!box.inside) continue;
        box.levels.resize(static_cast<std::size_t>(point.size) * static_cast<std::size_t>(point.size));
        std::size_t i = 0;
        for (int y = 0; y < point.size; ++y) {
            const int* row = reference.row(point.top + y) + point.left;
            for (int x = 0; x < point.size; ++x) {
                const int level = std::clamp(row[x], 0, 255 * LumaScale);
                box.levels[i++] = static_cast<std::int16_t>(level);
                box.sum += level;
                box.squares += static_cast<long long>(level) * level;
            }
        }
    }
    return boxes;
}

std::vector<LocalShift> MeasureLocalShifts(const LumaGrid& reference, const Picture& picture,
                                           const std::vector<AlignmentPoint>& points, int radius)
{
    return MeasureLocalShifts(ReadReferenceBoxes(reference, points), picture, radius);
}

std::vector<LocalShift> MeasureLocalShifts(const std::vector<ReferenceBox>& reference, const Picture& picture,
                                           int radius)
{
    std::vector<LocalShift> shifts;
    shifts.reserve(reference.size());
    if (picture.bitmap.empty()) {
        shifts.resize(reference.size(), LocalShift{0, 0, false});
        return shifts;
    }
    radius = std::max(1, radius);
    // The picture's luminance bytes once, for all its boxes' windows.
    LuminancePlane plane;
    StoredLuminance(picture, plane);
    BoxWindow window;
    std::vector<long long> sums;
    for (const ReferenceBox& box : reference) {
        if (!box.inside) {
            shifts.push_back(LocalShift{0, 0, false});
            continue;
        }
        window.read(plane, picture.dx, picture.dy, box.point, radius + 1);
        window.matchLevels(box);
        shifts.push_back(ShiftSearch(box, window, radius, sums).run());
    }
    return shifts;
}

void ReplaceOutliers(const std::vector<AlignmentPoint>& points, std::vector<LocalShift>& shifts, int limit)
{
    const std::vector<LocalShift> measured = shifts;
    std::vector<int> xs, ys;
    for (std::size_t i = 0; i < points.size() && i < measured.size(); ++i) {
        xs.clear();
        ys.clear();
        for (std::size_t j = 0; j < points.size() && j < measured.size(); ++j) {
            if (!measured[j].sure || !Neighbours(points[i], points[j])) continue;
            xs.push_back(measured[j].x);
            ys.push_back(measured[j].y);
        }
        if (xs.empty()) continue;
        const int mx = Median(xs), my = Median(ys);
        const LocalShift& s = measured[i];
        if (!s.sure || std::abs(s.x - mx) > limit || std::abs(s.y - my) > limit) shifts[i] = LocalShift{mx, my, s.sure};
    }
}

}  // namespace quivane
