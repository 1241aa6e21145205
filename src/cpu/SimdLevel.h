#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quivane {

// How wide the vector code is that the kernels with a hand-made vector path
// run. Every level gives the same bytes as Plain, the portable C++ that
// builds on any processor; a level only decides how fast they come.
//
// There is no AVX-512 level: the few AVX-512 paths there were saved too
// little of a whole load to keep. QUIVANE_SIMD=avx512 is still taken and
// means the widest level there is.
enum class SimdLevel { Plain, Avx2 };

// The widest level this processor runs and this build has code for: Plain
// where the program is built without the x86 paths.
SimdLevel ProcessorSimdLevel();

// The level the kernels run now: the processor's widest, or lower where the
// environment variable QUIVANE_SIMD (plain, avx2, avx512) asks for less, or
// what a ScopedSimdLevel forces. Never above what the processor has. The
// processor and the environment are read once, at the first call; after
// that a call costs one atomic load, so kernels read it every call.
SimdLevel ActiveSimdLevel();

// Every level from Plain up to the processor's widest, for tests that hold
// each one to Plain.
std::vector<SimdLevel> ProcessorSimdLevels();

// "plain", "avx2".
const char* SimdLevelName(SimdLevel level);

// What a QUIVANE_SIMD value asks for, capped at `widest`: nothing for an
// empty or missing value. An unknown value gives `widest` and sets
// `complaint` to a one-line message saying so.
std::optional<SimdLevel> SimdLevelSetting(const char* value, SimdLevel widest, std::string& complaint);

// Forces a level for its lifetime, on every thread (capped at the
// processor's widest), and puts back the one before when it ends. For tests
// and benchmarks; scopes nest, but must not overlap across threads.
class ScopedSimdLevel {
public:
    explicit ScopedSimdLevel(SimdLevel level);
    ~ScopedSimdLevel();
    ScopedSimdLevel(const ScopedSimdLevel&) = delete;
    ScopedSimdLevel& operator=(const ScopedSimdLevel&) = delete;

private:
    int previous_;
};

}  // namespace quivane
