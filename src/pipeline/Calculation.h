#pragma once

#include "enhance/Kernel.h"
#include "image/Picture.h"

namespace quivane {

struct LocalStacking;

enum CombineMethod : int { CombineMeanMethod = 0, CombineMedianMethod = 1, CombineMinMaxMethod = 2, CombineMultiplyMethod = 3 };
enum DeconvolutionMethod : int { DeconvolutionCit = 0, DeconvolutionLR = 1 };

// Everything a calculation run takes besides the pictures and kernels.
struct CalculationSettings {
    int combineMethod = CombineMeanMethod;
    int combineParameter = 0;
    bool unsharpOn = false;
    int unsharpStrength = 3;
    bool deconvolutionOn = false;
    int deconvolutionMethod = DeconvolutionCit;
    int deconvolutionIterations = 1;
    bool convolutionOn = false;
    // Threads the combination's rows are shared among; 0 is one a core.
    // The result is the same for any number.
    int threads = 0;
};

enum class CalculationStage { Combine, UnsharpMask, Deconvolution, Convolution };

// What a calculation run tells whoever watches it. Every method may do nothing.
class CalculationObserver {
public:
    virtual ~CalculationObserver() = default;
    // A stage begins; its progress will run from 0 to `steps`.
    virtual void stageStarted(CalculationStage /*stage*/, int /*steps*/) {}
    virtual void progressed(int /*position*/) {}
    // The result picture holds a finished stage (or deconvolution iteration).
    virtual void resultChanged(const Picture& /*result*/) {}
};

// Rebuilds the result (item 0) from input pictures 1..count with the combine
// method, then, each when switched on, unsharp-masks, deconvolves and
// convolves its luminance. An arithmetic or range error is thrown with the
// result as the last completed stage (or iteration) left it.
void Calculate(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer);

// The same run with local alignment: the combined result is finished by the
// local stack inside the alignment points' boxes before the enhancement.
void Calculate(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer, const LocalStacking& local);

}  // namespace quivane
