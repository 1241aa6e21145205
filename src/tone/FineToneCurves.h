#pragma once

#include "tone/ToneCurves.h"

namespace quivane {

// The tone curves on levels with fractions, for deep saves: the described
// formulas without their final rounding, clamped to 0..255. At a whole
// level each is within half a level of the described curve.

double BiasCurveFine(double a, int biasLevel);
double GainCurveFine(double a, int gainLevel);

// The table read between its entries: a level between i and i + 1 takes
// the straight line between entries i and i + 1.
double LookUpFine(const ToneTable& table, double v);

// 0..255 onto 15..240 without truncating.
constexpr double Map0255Fine(double v) { return v * 225.0 / 255.0 + 15.0; }

}  // namespace quivane
