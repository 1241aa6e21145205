#include "tone/FineToneCurves.h"

#include <cmath>

namespace quivane {
namespace {

double ClampLevel(double v) { return v > 255.0 ? 255.0 : (v > 0.0 ? v : 0.0); }

}  // namespace

double BiasCurveFine(double a, int biasLevel)
{
    const double x = (256.0 / biasLevel - 2.0) * (1.0 - a / 256.0);
    return ClampLevel(a / (x + 1.0));
}

double GainCurveFine(double a, int gainLevel)
{
    const double d = (256.0 / (256 - gainLevel) - 2.0) * (1.0 - a / 128.0);
    if (a < 128) return ClampLevel(a / (d + 1.0));
    return ClampLevel((256.0 * d - a) / (d - 1.0));
}

double LookUpFine(const ToneTable& table, double v)
{
    const double level = ClampLevel(v);
    const int below = static_cast<int>(std::floor(level));
    if (below >= 255) return table[255];
    const double share = level - below;
    const double low = table[static_cast<std::size_t>(below)];
    const double high = table[static_cast<std::size_t>(below + 1)];
    return low + (high - low) * share;
}

}  // namespace quivane
