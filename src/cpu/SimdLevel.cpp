#include "cpu/SimdLevel.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

SimdLevel DetectProcessor()
{
#if QUIVANE_X86_VECTORS
    // The compiler's check also asks the system whether it saves the wide
    // registers, which a processor with AVX2 may not have switched on.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
#endif
    return SimdLevel::Plain;
}

// The level without a forced one: the processor's, lowered by the
// environment, decided once.
SimdLevel ChosenLevel()
{
    static const SimdLevel chosen = [] {
        const SimdLevel widest = ProcessorSimdLevel();
        std::string complaint;
        const std::optional<SimdLevel> asked = SimdLevelSetting(std::getenv("QUIVANE_SIMD"), widest, complaint);
        if (!complaint.empty()) std::fprintf(stderr, "%s\n", complaint.c_str());
        return asked.value_or(widest);
    }();
    return chosen;
}

constexpr int NotForced = -1;
std::atomic<int> forced{NotForced};

}  // namespace

SimdLevel ProcessorSimdLevel()
{
    static const SimdLevel widest = DetectProcessor();
    return widest;
}

SimdLevel ActiveSimdLevel()
{
    const int level = forced.load(std::memory_order_relaxed);
    return level == NotForced ? ChosenLevel() : static_cast<SimdLevel>(level);
}

std::vector<SimdLevel> ProcessorSimdLevels()
{
    std::vector<SimdLevel> levels{SimdLevel::Plain};
    if (ProcessorSimdLevel() >= SimdLevel::Avx2) levels.push_back(SimdLevel::Avx2);
    return levels;
}

const char* SimdLevelName(SimdLevel level) { return level == SimdLevel::Avx2 ? "avx2" : "plain"; }

std::optional<SimdLevel> SimdLevelSetting(const char* value, SimdLevel widest, std::string& complaint)
{
    complaint.clear();
    if (value == nullptr || *value == '\0') return std::nullopt;
    const std::string_view name(value);
    if (name == "plain") return SimdLevel::Plain;
    if (name == "avx2") return std::min(SimdLevel::Avx2, widest);
    if (name == "avx512") return widest;
    complaint = "QUIVANE_SIMD=" + std::string(name) + " is not plain, avx2 or avx512; running " +
                SimdLevelName(widest) + " vector code";
    return widest;
}

ScopedSimdLevel::ScopedSimdLevel(SimdLevel level)
    : previous_(forced.exchange(static_cast<int>(std::min(level, ProcessorSimdLevel())), std::memory_order_relaxed))
{
}

ScopedSimdLevel::~ScopedSimdLevel() { forced.store(previous_, std::memory_order_relaxed); }

}  // namespace quivane
