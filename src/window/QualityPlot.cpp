#include "window/QualityPlot.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace quivane {
namespace {

// Usable scores, best first.
std::vector<double> UsableScores(const std::vector<PlotPoint>& points)
{
    std::vector<double> scores;
    for (const PlotPoint& p : points)
        if (p.usable()) scores.push_back(p.score);
    std::sort(scores.begin(), scores.end(), std::greater<>());
    return scores;
}

// A step a twentieth of the range of the scores, never 0.
double Margin(const std::vector<double>& scores)
{
    if (scores.empty()) return 1.0;
    const double span = scores.front() - scores.back();
    return span > 0.0 ? span / 20.0 : std::max(std::fabs(scores.front()) / 20.0, 1e-9);
}

}  // namespace

std::vector<PlotPoint> PlotPointsOf(const PictureSeries& pictures, int count)
{
    std::vector<PlotPoint> points;
    for (int n = 1; n <= count && n <= pictures.inputCount(); ++n) {
        const Picture& p = pictures.at(n);
        points.push_back(PlotPoint{n, p.sharpness, p.quality, p.fault});
    }
    return points;
}

PlotLayout::PlotLayout(const std::vector<PlotPoint>& points, bool sorted, PlotRect area)
    : points_(points), slotOf_(points.size()), area_(area)
{
    for (std::size_t i = 0; i < points_.size(); ++i)
        if (points_[i].scored()) order_.push_back(i);
    if (sorted) {
        std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
            const PlotPoint& p = points_[a];
            const PlotPoint& q = points_[b];
            if (p.usable() != q.usable()) return p.usable();
            return p.score > q.score;
        });
    }
    for (std::size_t slot = 0; slot < order_.size(); ++slot) slotOf_[order_[slot]] = slot;

    // The range of the usable pictures, where the threshold is chosen: a bad
    // frame may score far off them (a cloud is dim and noisy).
    const bool anyUsable = std::any_of(points_.begin(), points_.end(), [](const PlotPoint& p) { return p.usable(); });
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const std::size_t i : order_) {
        if (anyUsable && !points_[i].usable()) continue;
        low = std::min(low, points_[i].score);
        high = std::max(high, points_[i].score);
    }
    if (order_.empty()) {
        low = 0.0;
        high = 1.0;
    }
    const double spare = high > low ? (high - low) / 20.0 : std::max(std::fabs(high) / 20.0, 1e-9);
    low_ = low - spare;
    high_ = high + spare;
}

double PlotLayout::xOfSlot(std::size_t slot) const
{
    const double n = static_cast<double>(std::max<std::size_t>(order_.size(), 1));
    return area_.left + (static_cast<double>(slot) + 0.5) * area_.width / n;
}

std::optional<double> PlotLayout::xOf(std::size_t point) const
{
    if (point >= slotOf_.size() || !slotOf_[point]) return std::nullopt;
    return xOfSlot(*slotOf_[point]);
}

double PlotLayout::yOf(double score) const { return area_.top + (high_ - score) / (high_ - low_) * area_.height; }

double PlotLayout::scoreAt(double y) const { return high_ - (y - area_.top) / area_.height * (high_ - low_); }

std::optional<std::size_t> PlotLayout::pointAt(double x, double y, double reach) const
{
    std::optional<std::size_t> nearest;
    double best = reach * reach;
    for (std::size_t slot = 0; slot < order_.size(); ++slot) {
        const double dx = xOfSlot(slot) - x;
        if (dx * dx > best) continue;
        const double dy = yOf(points_[order_[slot]].score) - y;
        const double d = dx * dx + dy * dy;
        if (d <= best) {
            best = d;
            nearest = order_[slot];
        }
    }
    return nearest;
}

int KeptAtThreshold(const std::vector<PlotPoint>& points, double threshold)
{
    return static_cast<int>(
        std::count_if(points.begin(), points.end(), [&](const PlotPoint& p) { return p.usable() && p.score >= threshold; }));
}

double ThresholdKeeping(const std::vector<PlotPoint>& points, int kept)
{
    const std::vector<double> scores = UsableScores(points);
    if (scores.empty()) return 0.0;
    const double margin = Margin(scores);
    if (kept <= 0) return scores.front() + margin / 2.0;
    if (kept >= static_cast<int>(scores.size())) return scores.back() - margin / 2.0;
    return (scores[static_cast<std::size_t>(kept - 1)] + scores[static_cast<std::size_t>(kept)]) / 2.0;
}

int UsableCount(const std::vector<PlotPoint>& points)
{
    return static_cast<int>(std::count_if(points.begin(), points.end(), [](const PlotPoint& p) { return p.usable(); }));
}

}  // namespace quivane
