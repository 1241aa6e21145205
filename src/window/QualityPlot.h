#pragma once

#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

#include "image/FrameFault.h"
#include "image/Picture.h"

namespace quivane {

// One input picture as the quality graph draws it.
struct PlotPoint {
    int picture = 0;  // 1..N
    double score = std::nan("");
    int mark = QualityAvg;
    FrameFault fault = FrameFault::None;

    bool scored() const { return !std::isnan(score); }
    // Takes part in the ranking: scored and not a bad frame.
    bool usable() const { return scored() && fault == FrameFault::None; }
};

// Input pictures 1..count of the list.
std::vector<PlotPoint> PlotPointsOf(const PictureSeries& pictures, int count);

struct PlotRect {
    double left = 0.0;
    double top = 0.0;
    double width = 1.0;
    double height = 1.0;
};

// Where the quality graph draws each picture and what a place on it means:
// pure, so that it is tested without a window. Scores rise upwards; the
// range is that of the usable pictures (of all scored ones when none is
// usable) with a twentieth of it spare above and below; a bad frame may lie
// outside it.
class PlotLayout {
public:
    PlotLayout(const std::vector<PlotPoint>& points, bool sorted, PlotRect area);

    // The scored points in the order drawn, left to right, as indices into
    // the points: in frame order, or sorted, the usable ones by score (best
    // first, equal scores in frame order, as the ranking takes them) and the
    // bad frames after them, also by score.
    const std::vector<std::size_t>& order() const { return order_; }
    // The centre of the column of the point drawn `slot`-th.
    double xOfSlot(std::size_t slot) const;
    // The column of point `point`, if it is drawn.
    std::optional<double> xOf(std::size_t point) const;
    double yOf(double score) const;
    double scoreAt(double y) const;
    // The drawn point nearest to (x, y) within `reach` pixels, if any.
    std::optional<std::size_t> pointAt(double x, double y, double reach) const;

    double lowest() const { return low_; }
    double highest() const { return high_; }
    const PlotRect& area() const { return area_; }

private:
    std::vector<PlotPoint> points_;
    std::vector<std::size_t> order_;
    std::vector<std::optional<std::size_t>> slotOf_;
    PlotRect area_;
    double low_ = 0.0;
    double high_ = 1.0;
};

// How many usable pictures a score threshold keeps: those scoring at least it.
int KeptAtThreshold(const std::vector<PlotPoint>& points, double threshold);

// The threshold that keeps the best `kept` usable pictures: halfway between
// the last kept score and the first left out; a little above the best score
// when none is kept, a little below the worst when all are.
double ThresholdKeeping(const std::vector<PlotPoint>& points, int kept);

// The number of usable pictures.
int UsableCount(const std::vector<PlotPoint>& points);

}  // namespace quivane
