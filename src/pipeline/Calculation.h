#pragma once

#include <string_view>

#include "combine/CombineMethodList.h"
#include "enhance/EnhancementStages.h"
#include "enhance/Kernel.h"
#include "image/Picture.h"

namespace quivane {

struct LocalStacking;

// Everything a calculation run takes besides the pictures and kernels.
struct CalculationSettings {
    CombineMethod combineMethod = CombineMethod::Mean;
    int combineParameter = 0;
    EnhancementSettings enhancement;
    // Threads the combination's rows are shared among; 0 is one a core.
    // The result is the same for any number.
    int threads = 0;
};

// The status text while the pictures are combined.
inline constexpr std::string_view CombineProgressText = "Combine pictures";

// What a calculation run tells whoever watches it. Every method may do nothing.
class CalculationObserver {
public:
    virtual ~CalculationObserver() = default;
    // A stage begins (the combination, then each enhancement stage switched
    // on), named by its progress text; its progress will run from 0 to `steps`.
    virtual void stageStarted(std::string_view /*text*/, int /*steps*/) {}
    virtual void progressed(int /*position*/) {}
    // The result picture holds a finished stage (or deconvolution iteration).
    virtual void resultChanged(const Picture& /*result*/) {}
};

// Rebuilds the result picture from input pictures 1..count with the combine
// method, then applies each enhancement stage switched on to its luminance,
// in the stages' order. An arithmetic or range error is thrown with the
// result as the last completed stage (or iteration) left it.
void Calculate(PictureSeries& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer);

// The same run with local alignment: the combined result is finished by the
// local stack inside the alignment points' boxes before the enhancement.
void Calculate(PictureSeries& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer, const LocalStacking& local);

}  // namespace quivane
