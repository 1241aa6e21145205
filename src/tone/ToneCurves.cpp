#include "tone/ToneCurves.h"

#include <cmath>

#include "image/PixelHelpers.h"

namespace quivane {
namespace {

// Rounds to nearest with ties to even (the default floating-point mode) and
// clamps before converting, so a huge quotient never overflows an int.
int RoundToByte(double v)
{
    const double rounded = std::nearbyint(v);
    if (rounded <= 0.0) return 0;
    if (rounded >= 255.0) return 255;
    return ClampByte(static_cast<int>(rounded));
}

template <class Curve>
ToneTable Tabulate(Curve curve)
{
    ToneTable table{};
    for (int a = 0; a < 256; ++a) table[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(curve(a));
    return table;
}

}  // namespace

int BiasCurve(int a, int biasLevel)
{
    const double x = (256.0 / biasLevel - 2.0) * (1.0 - a / 256.0);
    return RoundToByte(a / (x + 1.0));
}

int GainCurve(int a, int gainLevel)
{
    const double d = (256.0 / (256 - gainLevel) - 2.0) * (1.0 - a / 128.0);
    if (a < 128) return RoundToByte(a / (d + 1.0));
    return RoundToByte((256.0 * d - a) / (d - 1.0));
}

ToneTable BiasTable(int biasLevel)
{
    return Tabulate([biasLevel](int a) { return BiasCurve(a, biasLevel); });
}

ToneTable GainTable(int gainLevel)
{
    return Tabulate([gainLevel](int a) { return GainCurve(a, gainLevel); });
}

ToneTable NegativeLookupTable()
{
    return Tabulate([](int a) { return 255 - a; });
}

}  // namespace quivane
