#pragma once

#include "select/ObjectView.h"

namespace quivane {

// How sharp the object in a window is; larger is sharper. The energy of the
// band between smoothings of about 1.2 and 2.4 pixels: seeing blur takes
// it away first, while the smoothing keeps most pixel noise out. What noise
// gets through is estimated from the finest detail and taken off, so a
// noisier frame does not look sharper, and what is left is divided by the
// squared mean level, so a change of transparency leaves the score alone.
// Dimensionless; near zero (even a little below it) for a featureless or
// black window, and 0 for a window too small to measure (under 15 pixels a
// side).
double SharpnessScore(const LumaPlane& window);
// The same with the window's PixelNoiseVariance already known, and with its
// mean level too (the frame facts' `level`, the same double).
double SharpnessScore(const LumaPlane& window, double noiseVariance);
double SharpnessScore(const LumaPlane& window, double noiseVariance, double meanLevel);

// The two classic measures, for comparison, over the same window and without
// any normalisation: the variance of the 4-neighbour Laplacian, and the mean
// squared Sobel gradient (Tenengrad). 0 for a window under 3 pixels a side.
double LaplacianVariance(const LumaPlane& window);
double GradientEnergy(const LumaPlane& window);

}  // namespace quivane
