#include "combine/LocalStack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "combine/CombineMethods.h"
#include "combine/LocalWarp.h"
#include "parallel/WorkerTeam.h"

namespace quivane {
namespace {

constexpr int AxisOne = 64;               // one, along an axis
constexpr int BoxOne = AxisOne * AxisOne; // one, for a box pixel
constexpr int Fraction = 16;              // a box's stack keeps sixteenths of a level

int Weight(const Picture& picture)
{
    return picture.quality > 0 && picture.quality < static_cast<int>(QualityWeights.size())
               ? QualityWeights[static_cast<std::size_t>(picture.quality)]
               : 0;
}

// The pictures that take part: marked other than "Dont", of the result's
// size (the plan measured no others).
std::vector<int> TakingPart(const PictureSeries& pictures, const LocalPlan& plan)
{
    std::vector<int> usable;
    for (int n = 1; n <= plan.count; ++n) {
        const Picture& p = pictures.at(n);
        if (Weight(p) > 0 && p.bitmap.width() == plan.width && p.bitmap.height() == plan.height) usable.push_back(n);
    }
    return usable;
}

// The pictures a point keeps: the sharpest there among those that take part,
// or all of them when no ranking is asked for (`sharpness` null).
std::vector<int> KeptAt(std::vector<int> usable, const std::vector<std::vector<double>>* sharpness, std::size_t point,
                        KeepRule keep)
{
    if (!sharpness) return usable;
    const auto score = [&](int n) { return (*sharpness)[static_cast<std::size_t>(n - 1)][point]; };
    std::erase_if(usable, [&](int n) { return !std::isfinite(score(n)); });
    std::stable_sort(usable.begin(), usable.end(), [&](int a, int b) { return score(a) > score(b); });
    const int size = static_cast<int>(usable.size());
    usable.resize(static_cast<std::size_t>(std::clamp(KeptCount(keep, size), std::min(1, size), size)));
    return usable;
}

// Sums of the four channels along a row of the result, and each pixel's
// blended share.
struct Accumulator {
    std::vector<std::array<long long, 4>> sums;
    std::vector<int> weights;
};

}  // namespace

std::vector<int> BoxWindowWeights(int size)
{
    const int half = size / 2;
    std::vector<int> w(static_cast<std::size_t>(2 * half), 0);
    for (int t = 0; t < half; ++t) {
        const double s = std::sin(std::numbers::pi * (t + 0.5) / (2 * half));
        const int rising = static_cast<int>(std::lround(AxisOne * s * s));
        w[static_cast<std::size_t>(t)] = rising;
        w[static_cast<std::size_t>(t + half)] = AxisOne - rising;
    }
    return w;
}

void StackLocally(PictureSeries& pictures, int count, const LocalStacking& local)
{
    const LocalPlan& plan = local.plan;
    if (plan.empty() || pictures.empty()) return;
    Picture& result = pictures.result();
    const int width = result.bitmap.width(), height = result.bitmap.height();
    if (width != plan.width || height != plan.height || count < plan.count ||
        pictures.inputCount() < plan.count)
        return;

    // Which pictures each point keeps, and the pixels any box covers.
    const std::size_t points = plan.points.size();
    std::vector<std::vector<char>> keeps(static_cast<std::size_t>(plan.count), std::vector<char>(points, 0));
    std::vector<int> weights(points, 0);
    // Only points that keep fewer than all rank their pictures; a plan that
    // brings no ranking has it measured here.
    const std::vector<int> usable = TakingPart(pictures, plan);
    const int all = static_cast<int>(usable.size());
    std::vector<std::vector<double>> measured;
    const std::vector<std::vector<double>>* sharpness = nullptr;
    if (KeptCount(local.keep, all) < all) {
        const bool brought = static_cast<int>(plan.sharpness.size()) >= plan.count &&
                             std::all_of(plan.sharpness.begin(), plan.sharpness.end(),
                                         [&](const std::vector<double>& row) { return row.size() >= points; });
        if (!brought) measured = RankAtPoints(pictures, plan, local.threads);
        sharpness = brought ? &plan.sharpness : &measured;
    }
    for (std::size_t p = 0; p < points; ++p) {
        for (const int n : KeptAt(usable, sharpness, p, local.keep)) {
            keeps[static_cast<std::size_t>(n - 1)][p] = 1;
            weights[p] += Weight(pictures.at(n));
        }
    }
    std::vector<char> wanted(static_cast<std::size_t>(width) * height, 0);
    for (const AlignmentPoint& point : plan.points)
        for (int y = std::max(0, point.top); y < std::min(height, point.top + point.size); ++y)
            for (int x = std::max(0, point.left); x < std::min(width, point.left + point.size); ++x)
                wanted[static_cast<std::size_t>(y) * width + x] = 1;

    // Each picture is read once through its own shift field, which follows
    // the bending inside a box as well as between boxes; every box that
    // keeps it adds its part. A picture that every point keeps adds its part
    // once, to sums over the whole grid that every box reads, instead of
    // once per box over the pixels the boxes share. Each thread sums into
    // storage of its own; the sums are whole numbers, so adding them up is
    // exact in any order.
    using Levels = std::vector<std::array<int, 4>>;
    struct Sums {
        Levels everywhere;           // the whole grid, pictures every point keeps
        std::vector<Levels> boxes;   // each box, the others; empty until one comes
    };
    WorkerTeam team(local.threads);
    std::vector<Sums> sums(static_cast<std::size_t>(team.size()));
    std::vector<Levels> warpedOf(sums.size());
    team.run(plan.count, [&](int item, int thread) {
        const int n = item + 1;
        const std::vector<char>& kept = keeps[static_cast<std::size_t>(n - 1)];
        if (std::find(kept.begin(), kept.end(), 1) == kept.end()) return;
        const Picture& picture = pictures.at(n);
        const int w = Weight(picture);
        Levels& warped = warpedOf[static_cast<std::size_t>(thread)];
        Sums& own = sums[static_cast<std::size_t>(thread)];
        const ShiftField field(plan.points, plan.shifts[static_cast<std::size_t>(n - 1)]);
        if (std::find(kept.begin(), kept.end(), 0) == kept.end()) {
            // Cleared by the thread that fills it, on its first picture.
            if (own.everywhere.empty()) own.everywhere.assign(static_cast<std::size_t>(width) * height, {0, 0, 0, 0});
            AddWarpedPicture(picture, field, wanted, w, own.everywhere);
            return;
        }
        WarpPicture(picture, field, wanted, warped);
        if (own.boxes.empty()) {
            own.boxes.resize(points);
            for (std::size_t p = 0; p < points; ++p)
                own.boxes[p].assign(static_cast<std::size_t>(plan.points[p].size) * plan.points[p].size, {0, 0, 0, 0});
        }
        for (std::size_t p = 0; p < points; ++p) {
            if (!kept[p]) continue;
            const AlignmentPoint& point = plan.points[p];
            // The box's columns and rows inside the picture.
            const int x0 = std::max(0, -point.left), x1 = std::min(point.size, width - point.left);
            const int y0 = std::max(0, -point.top), y1 = std::min(point.size, height - point.top);
            for (int y = y0; y < y1; ++y) {
                int* target = own.boxes[p][static_cast<std::size_t>(y) * point.size + x0].data();
                const int* v = warped[static_cast<std::size_t>(point.top + y) * width + (point.left + x0)].data();
                for (int i = 0; i < 4 * (x1 - x0); ++i) target[i] += w * v[i];
            }
        }
    });
    // The boxes' own sums, where any thread made them.
    std::vector<Levels> boxes;
    for (Sums& own : sums) {
        if (own.boxes.empty()) continue;
        if (boxes.empty()) {
            boxes = std::move(own.boxes);
            continue;
        }
        for (std::size_t p = 0; p < points; ++p)
            for (std::size_t i = 0; i < boxes[p].size(); ++i)
                for (std::size_t c = 0; c < 4; ++c) boxes[p][i][c] += own.boxes[p][i][c];
    }

    // The threads' whole-grid sums, those any picture went to.
    std::vector<Levels*> everywhere;
    for (Sums& own : sums)
        if (!own.everywhere.empty()) everywhere.push_back(&own.everywhere);

    // The blend a row of the result at a time: a row's sums take the
    // threads' whole-grid sums of that row and every box across it, so rows
    // may go to any thread in any order.
    std::vector<std::vector<int>> windows(points);
    for (std::size_t p = 0; p < points; ++p)
        if (weights[p] != 0) windows[p] = BoxWindowWeights(plan.points[p].size);
    std::vector<Accumulator> rows(sums.size());
    team.run(height, [&](int gy, int thread) {
        const std::size_t first = static_cast<std::size_t>(gy) * static_cast<std::size_t>(width);
        for (std::size_t t = 1; t < everywhere.size(); ++t) {
            int* target = (*everywhere.front())[first].data();
            const int* more = (*everywhere[t])[first].data();
            for (std::size_t i = 0; i < 4 * static_cast<std::size_t>(width); ++i) target[i] += more[i];
        }
        Accumulator& acc = rows[static_cast<std::size_t>(thread)];
        acc.sums.assign(static_cast<std::size_t>(width), {0, 0, 0, 0});
        acc.weights.assign(static_cast<std::size_t>(width), 0);
        for (std::size_t p = 0; p < points; ++p) {
            if (weights[p] == 0) continue;
            const AlignmentPoint& point = plan.points[p];
            const int size = point.size;
            const int y = gy - point.top;
            if (y < 0 || y >= size) continue;
            const std::vector<int>& window = windows[p];
            // The sums are of levels (0 and up) times weights, within int,
            // so the rounded quotient is taken in 32 unsigned bits.
            const unsigned divisor = static_cast<unsigned>(weights[p]);
            for (int x = 0; x < size; ++x) {
                const int gx = point.left + x;
                if (gx < 0 || gx >= width) continue;
                const int share = window[static_cast<std::size_t>(x)] * window[static_cast<std::size_t>(y)];
                std::array<int, 4> sum{0, 0, 0, 0};
                if (!everywhere.empty()) sum = (*everywhere.front())[first + static_cast<std::size_t>(gx)];
                if (!boxes.empty())
                    for (std::size_t c = 0; c < 4; ++c) sum[c] += boxes[p][static_cast<std::size_t>(y) * size + x][c];
                for (std::size_t c = 0; c < 4; ++c) {
                    const long long level = (static_cast<unsigned>(sum[c]) + divisor / 2) / divisor;
                    acc.sums[static_cast<std::size_t>(gx)][c] += share * level;
                }
                acc.weights[static_cast<std::size_t>(gx)] += share;
            }
        }
        // The global stack fills what the boxes leave; halves round up.
        PicturePixel* row = result.bitmap.row(gy);
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(x);
            const int share = acc.weights[i];
            if (share == 0) continue;
            const int rest = std::max(0, BoxOne - share);
            const long long whole = static_cast<long long>(std::max(share, BoxOne)) * Fraction;
            PicturePixel& out = row[x];
            const int global[4] = {out.chromaBlue, out.chromaGreen, out.chromaRed, out.luminance};
            int value[4];
            for (std::size_t c = 0; c < 4; ++c) {
                const long long total = acc.sums[i][c] + static_cast<long long>(rest) * Fraction * global[c];
                // A whole box's worth fits 32 unsigned bits (the division is
                // cheaper there); a pile of boxes of a plan by hand may not.
                const long long rounded = total + whole / 2;
                const long long quotient = rounded >= 0 && rounded <= 0xffffffffLL && whole <= 0xffffffffLL
                                               ? static_cast<unsigned>(rounded) / static_cast<unsigned>(whole)
                                               : rounded / whole;
                value[c] = std::clamp(static_cast<int>(quotient), 0, 255);
            }
            out = PicturePixel{static_cast<std::uint8_t>(value[0]), static_cast<std::uint8_t>(value[1]),
                               static_cast<std::uint8_t>(value[2]), static_cast<std::uint8_t>(value[3])};
        }
    });
}

}  // namespace quivane
