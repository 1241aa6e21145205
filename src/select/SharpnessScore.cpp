#include "select/SharpnessScore.h"

#include <limits>
#include <vector>

#include "select/LevelSums.h"
#include "select/PixelNoise.h"

namespace quivane {
namespace {

// The two smoothings are runs of box filters, each pass a few additions a
// pixel, which keeps the score to a small part of a load's time. Box
// variances add up, (w * w - 1) / 12 each: the inner smoothing ([1 2 3 2 1] / 9
// each way) is close to a Gaussian of 1.15 pixels, and the inner one taken on
// by boxes of 3, 5 and 5 to one of 2.45 pixels.
constexpr int InnerBoxes[] = {3, 3};
constexpr int OnwardBoxes[] = {3, 5, 5};

template <std::size_t N>
constexpr int Shrinkage(const int (&boxes)[N])
{
    int total = 0;
    for (const int box : boxes) total += box - 1;
    return total;
}

template <std::size_t N>
constexpr float BoxScale(const int (&boxes)[N])
{
    float scale = 1.0f;
    for (const int box : boxes) scale /= static_cast<float>(box * box);
    return scale;
}

// A plane whose valid part (the top-left width x height) shrinks as boxes
// are summed in place; the row length stays the stride.
struct Plane {
    int stride = 0;
    int width = 0;
    int height = 0;
    std::vector<float> v;
    const float* row(int y) const { return v.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride); }
    float* row(int y) { return v.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride); }
};

// Box sums only where the box fits, so that no pixel is made up beyond the
// window. Every loop runs along a row and becomes vector code, each sum's
// additions in the same order at any width.
template <int Box>
void BoxSums(Plane& plane)
{
    for (int y = 0; y < plane.height; ++y) {
        float* row = plane.row(y);
        for (int x = 0; x + Box <= plane.width; ++x) {
            float sum = row[x];
            for (int i = 1; i < Box; ++i) sum += row[x + i];
            row[x] = sum;
        }
    }
    plane.width -= Box - 1;
    plane.height -= Box - 1;
    // Down the columns each sum takes the rows below in the same order as
    // adding one row at a time would, but is stored once.
    for (int y = 0; y < plane.height; ++y) {
        float* target = plane.row(y);
        const float* below[Box];
        for (int i = 1; i < Box; ++i) below[i] = plane.row(y + i);
        for (int x = 0; x < plane.width; ++x) {
            float sum = target[x];
            for (int i = 1; i < Box; ++i) sum += below[i][x];
            target[x] = sum;
        }
    }
}

void Scale(Plane& plane, float scale)
{
    for (int y = 0; y < plane.height; ++y) {
        float* row = plane.row(y);
        for (int x = 0; x < plane.width; ++x) row[x] *= scale;
    }
}

template <std::size_t N>
void Smooth(Plane& plane, const int (&boxes)[N])
{
    for (const int box : boxes) {
        if (box == 3)
            BoxSums<3>(plane);
        else
            BoxSums<5>(plane);
    }
    Scale(plane, BoxScale(boxes));
}

// The one-dimensional kernel of a run of boxes.
template <std::size_t N>
std::vector<double> KernelOf(std::vector<double> kernel, const int (&boxes)[N])
{
    for (const int box : boxes) {
        std::vector<double> wider(kernel.size() + static_cast<std::size_t>(box) - 1, 0.0);
        for (std::size_t i = 0; i < kernel.size(); ++i)
            for (std::size_t j = 0; j < static_cast<std::size_t>(box); ++j) wider[i + j] += kernel[i] / box;
        kernel = std::move(wider);
    }
    return kernel;
}

// How much of white noise's variance reaches the band energy: the sum of
// squares of the two-dimensional difference kernel. Both smoothings are
// separable, with one-dimensional kernels a and b, so the sum of
// (a(x) a(y) - b(x) b(y))^2 is (a.a)^2 - 2 (a.b)^2 + (b.b)^2.
double BandNoiseGain()
{
    static const double gain = [] {
        const std::vector<double> inner = KernelOf({1.0}, InnerBoxes);
        const std::vector<double> outer = KernelOf(inner, OnwardBoxes);
        const std::size_t shift = Shrinkage(OnwardBoxes) / 2;
        double aa = 0.0, ab = 0.0, bb = 0.0;
        for (std::size_t k = 0; k < outer.size(); ++k) {
            const double a = k >= shift && k - shift < inner.size() ? inner[k - shift] : 0.0;
            aa += a * a;
            ab += a * outer[k];
            bb += outer[k] * outer[k];
        }
        return aa * aa - 2.0 * ab * ab + bb * bb;
    }();
    return gain;
}

double MeanLevel(const LumaPlane& window)
{
    if (window.levels.empty()) return 0.0;
    const double total = SumLevels(window.levels, std::numeric_limits<float>::infinity()).sum;
    return total / static_cast<double>(window.levels.size());
}

// The mean squared difference of the two smoothings where both are known.
// Eight running sums keep the additions apart, so they run side by side.
double BandEnergy(const Plane& inner, const Plane& outer)
{
    const int offset = Shrinkage(OnwardBoxes) / 2;
    double energy = 0.0;
    for (int y = 0; y < outer.height; ++y) {
        const float* wide = outer.row(y);
        const float* narrow = inner.row(y + offset) + offset;
        float lanes[8] = {};
        int x = 0;
        for (; x + 8 <= outer.width; x += 8)
            for (int k = 0; k < 8; ++k) {
                const float band = narrow[x + k] - wide[x + k];
                lanes[k] += band * band;
            }
        for (; x < outer.width; ++x) {
            const float band = narrow[x] - wide[x];
            lanes[0] += band * band;
        }
        for (const float lane : lanes) energy += lane;
    }
    return energy / (static_cast<double>(outer.width) * static_cast<double>(outer.height));
}

// Below a hundredth of a level the window is black: nothing to normalise by.
constexpr double BlackMean = 0.01;

}  // namespace

double SharpnessScore(const LumaPlane& window) { return SharpnessScore(window, PixelNoiseVariance(window)); }

double SharpnessScore(const LumaPlane& window, double noiseVariance)
{
    return SharpnessScore(window, noiseVariance, MeanLevel(window));
}

double SharpnessScore(const LumaPlane& window, double noiseVariance, double mean)
{
    constexpr int margin = Shrinkage(InnerBoxes) + Shrinkage(OnwardBoxes);
    if (window.width <= margin || window.height <= margin) return 0.0;
    if (mean < BlackMean) return 0.0;

    Plane inner{window.width, window.width, window.height, window.levels};
    Smooth(inner, InnerBoxes);
    Plane outer = inner;
    Smooth(outer, OnwardBoxes);
    const double energy = BandEnergy(inner, outer) - BandNoiseGain() * noiseVariance;
    return energy / (mean * mean);
}

double LaplacianVariance(const LumaPlane& w)
{
    if (w.width < 3 || w.height < 3) return 0.0;
    double sum = 0.0, squares = 0.0;
    for (int y = 1; y + 1 < w.height; ++y)
        for (int x = 1; x + 1 < w.width; ++x) {
            const double l = w.at(x - 1, y) + w.at(x + 1, y) + w.at(x, y - 1) + w.at(x, y + 1) - 4.0 * w.at(x, y);
            sum += l;
            squares += l * l;
        }
    const double n = static_cast<double>(w.width - 2) * static_cast<double>(w.height - 2);
    return squares / n - (sum / n) * (sum / n);
}

double GradientEnergy(const LumaPlane& w)
{
    if (w.width < 3 || w.height < 3) return 0.0;
    double energy = 0.0;
    for (int y = 1; y + 1 < w.height; ++y)
        for (int x = 1; x + 1 < w.width; ++x) {
            const double gx = w.at(x + 1, y - 1) + 2.0 * w.at(x + 1, y) + w.at(x + 1, y + 1) - w.at(x - 1, y - 1) -
                              2.0 * w.at(x - 1, y) - w.at(x - 1, y + 1);
            const double gy = w.at(x - 1, y + 1) + 2.0 * w.at(x, y + 1) + w.at(x + 1, y + 1) - w.at(x - 1, y - 1) -
                              2.0 * w.at(x, y - 1) - w.at(x + 1, y - 1);
            energy += gx * gx + gy * gy;
        }
    return energy / (static_cast<double>(w.width - 2) * static_cast<double>(w.height - 2));
}

}  // namespace quivane
