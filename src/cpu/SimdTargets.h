#pragma once

// The x86 vector code's switches. QUIVANE_X86_VECTORS is 1 where the build
// has x86 vector paths at all: an x86 processor, a compiler that takes
// per-function targets, and the build's QUIVANE_SIMD option on. Everything
// x86 (the intrinsics' header, the intrinsics, the target attributes) sits
// behind it, so that the plain paths alone build for any processor.

#include <utility>

#include "cpu/SimdLevel.h"

#if !defined(QUIVANE_NO_X86_VECTORS) && (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define QUIVANE_X86_VECTORS 1
#else
#define QUIVANE_X86_VECTORS 0
#endif

#if QUIVANE_X86_VECTORS

#include <immintrin.h>

// A function built for AVX2 whatever the build's own target; it may only
// run where ActiveSimdLevel() is Avx2.
#define QUIVANE_AVX2_TARGET __attribute__((target("avx2")))

namespace quivane {

// `Body` built for AVX2: the plain C++ of an always-inline function, which
// the compiler turns into wider vector code here.
template <auto Body, class... Args>
QUIVANE_AVX2_TARGET decltype(auto) BuiltForAvx2(Args&&... args)
{
    return Body(std::forward<Args>(args)...);
}

}  // namespace quivane

#endif

namespace quivane {

// Runs `Body`, a function of plain C++ marked always-inline, built for the
// active level: the same code for every level, so the same results, only
// vectorised more widely where the processor allows.
template <auto Body, class... Args>
inline decltype(auto) OnActiveSimdLevel(Args&&... args)
{
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return BuiltForAvx2<Body>(std::forward<Args>(args)...);
#endif
    return Body(std::forward<Args>(args)...);
}

}  // namespace quivane
