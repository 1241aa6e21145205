#pragma once

#include <array>
#include <cstdint>

namespace quivane {

using ToneTable = std::array<std::uint8_t, 256>;

// Bias curve for level 2..254 (128 = identity): darkens below 128, lightens
// above, and maps 128 to the level itself. Double precision, rounded half to even.
int BiasCurve(int a, int biasLevel);

// Gain curve for level 2..254 (128 = identity): contrast about the middle,
// 128 always maps to 128. Double precision, rounded half to even.
int GainCurve(int a, int gainLevel);

// The curves depend only on the input byte and one level, so display loops
// use these tables; each entry equals the formula above.
ToneTable BiasTable(int biasLevel);
ToneTable GainTable(int gainLevel);

// Applies a lookup table to any integer, clamped into the table first.
inline int LookUp(const ToneTable& table, int v)
{
    return table[static_cast<std::size_t>(v < 0 ? 0 : (v > 255 ? 255 : v))];
}

// The start-up lookup table: 255 - i, a negative.
ToneTable NegativeLookupTable();

}  // namespace quivane
