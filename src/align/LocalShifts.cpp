#include "align/LocalShifts.h"

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <limits>

namespace quivane {
namespace {

constexpr long long Unmeasured = -1;

// The picture's luminance around one box, at LumaScale, read once with its
// offsets and the edges repeated, so the search compares contiguous rows.
class BoxWindow {
public:
    BoxWindow(const Picture& picture, const AlignmentPoint& box, int margin)
        : margin_(margin), side_(box.size + 2 * margin), levels_(static_cast<std::size_t>(side_) * side_)
    {
        std::size_t i = 0;
        for (int y = 0; y < side_; ++y)
            for (int x = 0; x < side_; ++x)
                levels_[i++] = LumaScale * GetShiftedPixel(picture, box.left - margin + x, box.top - margin + y).luminance;
    }
    // Row `y` of the box read `u`, `v` pixels further.
    const int* row(int y, int u, int v) const
    {
        return levels_.data() + static_cast<std::size_t>(y + margin_ + v) * side_ + static_cast<std::size_t>(margin_ + u);
    }

    // Each frame's contrast is stretched to its own luminance range, so a
    // box may be brighter or flatter than the reference's: matching squared
    // differences would then pull it toward where the levels agree rather
    // than where the detail does. The window takes the reference box's mean
    // and spread, both measured with no shift.
    void matchLevels(const LumaGrid& reference, const AlignmentPoint& box)
    {
        double sr = 0.0, srr = 0.0, sp = 0.0, spp = 0.0;
        for (int y = 0; y < box.size; ++y) {
            const int* ref = reference.row(box.top + y) + box.left;
            const int* pic = row(y, 0, 0);
            for (int x = 0; x < box.size; ++x) {
                sr += ref[x];
                srr += double(ref[x]) * ref[x];
                sp += pic[x];
                spp += double(pic[x]) * pic[x];
            }
        }
        const double n = double(box.size) * box.size;
        const double mr = sr / n, mp = sp / n;
        const double dr = std::sqrt(std::max(1.0, srr / n - mr * mr));
        const double dp = std::sqrt(std::max(1.0, spp / n - mp * mp));
        // A box without detail must not have its noise blown up.
        const double gain = std::clamp(dr / dp, 0.25, 4.0);
        for (int& v : levels_) v = static_cast<int>(std::lround(mr + (v - mp) * gain));
    }

private:
    int margin_;
    int side_;
    std::vector<int> levels_;
};

class ShiftSearch {
public:
    ShiftSearch(const LumaGrid& reference, const BoxWindow& window, const AlignmentPoint& box, int radius)
        : reference_(reference), window_(window), box_(box), radius_(radius), side_(2 * radius + 3),
          sums_(static_cast<std::size_t>(side_) * side_, Unmeasured)
    {
    }

    // Sum of squared differences at a whole-pixel shift within radius + 1.
    long long at(int u, int v)
    {
        long long& sum = sums_[static_cast<std::size_t>(v + radius_ + 1) * side_ + static_cast<std::size_t>(u + radius_ + 1)];
        if (sum != Unmeasured) return sum;
        sum = 0;
        for (int y = 0; y < box_.size; ++y) {
            const int* ref = reference_.row(box_.top + y) + box_.left;
            const int* pic = window_.row(y, u, v);
            long long line = 0;
            for (int x = 0; x < box_.size; ++x) {
                const long long e = ref[x] - pic[x];
                line += e * e;
            }
            sum += line;
        }
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

    const LumaGrid& reference_;
    const BoxWindow& window_;
    const AlignmentPoint& box_;
    int radius_;
    int side_;
    std::vector<long long> sums_;
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

int DefaultSearchRadius(int enlargement) { return 3 * std::max(1, enlargement); }

std::vector<LocalShift> MeasureLocalShifts(const LumaGrid& reference, const Picture& picture,
                                           const std::vector<AlignmentPoint>& points, int radius)
{
    std::vector<LocalShift> shifts;
    shifts.reserve(points.size());
    if (picture.bitmap.empty() || reference.empty()) {
        shifts.resize(points.size(), LocalShift{0, 0, false});
        return shifts;
    }
    radius = std::max(1, radius);
    for (const AlignmentPoint& box : points) {
        const bool inside = box.size > 0 && box.left >= 0 && box.top >= 0 && box.left + box.size <= reference.width &&
                            box.top + box.size <= reference.height;
        if (!inside) {
            shifts.push_back(LocalShift{0, 0, false});
            continue;
        }
        BoxWindow window(picture, box, radius + 1);
        window.matchLevels(reference, box);
        shifts.push_back(ShiftSearch(reference, window, box, radius).run());
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
