#include "select/LevelSums.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

LevelSums SumsInOrder(const std::vector<float>& levels, float threshold)
{
    LevelSums sums;
    for (const float level : levels) {
        sums.sum += level;
        sums.squares += static_cast<double>(level) * level;
        if (level > threshold) ++sums.above;
    }
    return sums;
}

// A whole level of 0 .. 65535, as every frame of up to 16 bits gives.
bool WholeLevel(float level) { return level >= 0.0f && level <= 65535.0f && std::trunc(level) == level; }

#if QUIVANE_X86_VECTORS

// Eight levels at a time; a level that is not a number fails every test.
QUIVANE_AVX2_TARGET bool WholeLevelsAvx2(const std::vector<float>& levels)
{
    const __m256 lowest = _mm256_setzero_ps(), highest = _mm256_set1_ps(65535.0f);
    __m256 whole = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
    std::size_t i = 0;
    for (; i + 8 <= levels.size(); i += 8) {
        const __m256 v = _mm256_loadu_ps(levels.data() + i);
        const __m256 truncated = _mm256_round_ps(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        whole = _mm256_and_ps(whole, _mm256_cmp_ps(v, lowest, _CMP_GE_OQ));
        whole = _mm256_and_ps(whole, _mm256_cmp_ps(v, highest, _CMP_LE_OQ));
        whole = _mm256_and_ps(whole, _mm256_cmp_ps(truncated, v, _CMP_EQ_OQ));
    }
    bool all = _mm256_movemask_ps(whole) == 0xFF;
    for (; i < levels.size(); ++i) all = all && WholeLevel(levels[i]);
    return all;
}

#endif

// Fewer than 2^21 whole levels: each square is below 2^32 and every running
// sum below 2^53, so adding them as doubles one by one never rounds, and
// integer sums in any order give the same doubles, without a chain of
// dependent additions.
bool SumsExactly(const std::vector<float>& levels)
{
    if (levels.size() >= (std::size_t{1} << 21)) return false;
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return WholeLevelsAvx2(levels);
#endif
    return std::all_of(levels.begin(), levels.end(), WholeLevel);
}

LevelSums WholeSums(const std::vector<float>& levels, float threshold)
{
    std::uint64_t sum = 0, squares = 0;
    std::size_t above = 0;
    for (const float level : levels) {
        const auto v = static_cast<std::uint64_t>(static_cast<std::uint32_t>(level));
        sum += v;
        squares += v * v;
        above += level > threshold;
    }
    return {static_cast<double>(sum), static_cast<double>(squares), above};
}

}  // namespace


LevelSums SumLevels(const std::vector<float>& levels, float threshold)
{
    return SumsExactly(levels) ? WholeSums(levels, threshold) : SumsInOrder(levels, threshold);
}

}  // namespace quivane
