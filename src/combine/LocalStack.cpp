#include "combine/LocalStack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "combine/CombineMethods.h"

namespace quivane {
namespace {

constexpr int AxisOne = 64;               // one, along an axis
constexpr int BoxOne = AxisOne * AxisOne; // one, for a box pixel
constexpr int Fraction = 16;              // a box's stack keeps sixteenths of a level

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int Weight(const Picture& picture)
{
    return picture.quality > 0 && picture.quality < static_cast<int>(QualityWeights.size())
               ? QualityWeights[static_cast<std::size_t>(picture.quality)]
               : 0;
}

// The pictures a point keeps: the sharpest there among those that take part.
std::vector<int> KeptAt(const PictureList& pictures, const LocalPlan& plan, std::size_t point, KeepRule keep)
{
    std::vector<int> usable;
    for (int n = 1; n <= plan.count; ++n)
        if (Weight(pictures[static_cast<std::size_t>(n)]) > 0 &&
            std::isfinite(plan.sharpness[static_cast<std::size_t>(n - 1)][point]))
            usable.push_back(n);
    const auto sharper = [&](int a, int b) {
        return plan.sharpness[static_cast<std::size_t>(a - 1)][point] > plan.sharpness[static_cast<std::size_t>(b - 1)][point];
    };
    std::stable_sort(usable.begin(), usable.end(), sharper);
    usable.resize(static_cast<std::size_t>(std::max(std::min<int>(1, static_cast<int>(usable.size())),
                                                    KeptCount(keep, static_cast<int>(usable.size())))));
    return usable;
}

// Sums of the four channels over a box, and the pixel's blended share.
struct Accumulator {
    int width = 0;
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

void StackLocally(PictureList& pictures, int count, const LocalStacking& local)
{
    const LocalPlan& plan = local.plan;
    if (plan.empty() || pictures.empty()) return;
    Picture& result = pictures.front();
    const int width = result.bitmap.width(), height = result.bitmap.height();
    if (width != plan.width || height != plan.height || count < plan.count ||
        static_cast<int>(pictures.size()) <= plan.count)
        return;

    Accumulator acc;
    acc.width = width;
    acc.sums.assign(static_cast<std::size_t>(width) * height, {0, 0, 0, 0});
    acc.weights.assign(static_cast<std::size_t>(width) * height, 0);
    std::vector<std::array<int, 4>> box;
    for (std::size_t p = 0; p < plan.points.size(); ++p) {
        const AlignmentPoint& point = plan.points[p];
        const int size = point.size;
        const std::vector<int> kept = KeptAt(pictures, plan, p, local.keep);
        if (kept.empty()) continue;
        box.assign(static_cast<std::size_t>(size) * size, {0, 0, 0, 0});
        int weights = 0;
        for (const int n : kept) {
            const Picture& picture = pictures[static_cast<std::size_t>(n)];
            const LocalShift& s = plan.shifts[static_cast<std::size_t>(n - 1)][p];
            const int w = Weight(picture);
            weights += w;
            const int readX = point.left + picture.dx + FloorDiv(s.x + ShiftScale / 2, ShiftScale);
            const int readY = point.top + picture.dy + FloorDiv(s.y + ShiftScale / 2, ShiftScale);
            const Bitmap32& bitmap = picture.bitmap;
            for (int y = 0; y < size; ++y) {
                const PicturePixel* row = bitmap.row(std::clamp(readY + y, 0, bitmap.height() - 1));
                std::array<int, 4>* target = box.data() + static_cast<std::size_t>(y) * size;
                for (int x = 0; x < size; ++x) {
                    const PicturePixel& v = row[std::clamp(readX + x, 0, bitmap.width() - 1)];
                    target[x][0] += w * v.chromaBlue;
                    target[x][1] += w * v.chromaGreen;
                    target[x][2] += w * v.chromaRed;
                    target[x][3] += w * v.luminance;
                }
            }
        }
        const std::vector<int> window = BoxWindowWeights(size);
        for (int y = 0; y < size; ++y) {
            const int gy = point.top + y;
            if (gy < 0 || gy >= height) continue;
            for (int x = 0; x < size; ++x) {
                const int gx = point.left + x;
                if (gx < 0 || gx >= width) continue;
                const int share = window[static_cast<std::size_t>(x)] * window[static_cast<std::size_t>(y)];
                const std::size_t i = static_cast<std::size_t>(gy) * width + gx;
                const std::array<int, 4>& sum = box[static_cast<std::size_t>(y) * size + x];
                for (std::size_t c = 0; c < 4; ++c) {
                    const long long level = (static_cast<long long>(Fraction) * sum[c] + weights / 2) / weights;
                    acc.sums[i][c] += share * level;
                }
                acc.weights[i] += share;
            }
        }
    }
    // The global stack fills what the boxes leave; halves round up.
    for (int y = 0; y < height; ++y) {
        PicturePixel* row = result.bitmap.row(y);
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const int share = acc.weights[i];
            if (share == 0) continue;
            const int rest = std::max(0, BoxOne - share);
            const long long whole = static_cast<long long>(std::max(share, BoxOne)) * Fraction;
            PicturePixel& out = row[x];
            const int global[4] = {out.chromaBlue, out.chromaGreen, out.chromaRed, out.luminance};
            int value[4];
            for (std::size_t c = 0; c < 4; ++c) {
                const long long total = acc.sums[i][c] + static_cast<long long>(rest) * Fraction * global[c];
                value[c] = std::clamp(static_cast<int>((total + whole / 2) / whole), 0, 255);
            }
            out = PicturePixel{static_cast<std::uint8_t>(value[0]), static_cast<std::uint8_t>(value[1]),
                               static_cast<std::uint8_t>(value[2]), static_cast<std::uint8_t>(value[3])};
        }
    }
}

}  // namespace quivane
