#include <string>

#include "enhance/Deconvolution.h"
#include "enhance/FineEnhancement.h"

namespace quivane {
namespace {

constexpr std::string_view MethodNames[] = {"cit", "lr"};

constexpr StageParameter Parameters[] = {
    {.name = "method",
     .range = {0, 1, 1, 0},
     .option = "--deconvolve",
     .valueName = "M",
     .description = "cit adds what the blurred estimate misses; lr (Lucy-Richardson) scales by the ratio",
     .choices = MethodNames,
     .switchesOn = true},
    {.name = "iterations",
     .range = {1, 16, 1, 1},
     .option = "--iterations",
     .valueName = "N",
     .description = "how often the estimate is refined; each iteration reaches the result"},
};

DeconvolutionMethod Method(const StageSettings& s) { return static_cast<DeconvolutionMethod>(s.values[0]); }
int Iterations(const StageSettings& s) { return s.values[1]; }

std::string Describe(const StageSettings& s, const Kernel& kernel)
{
    const int n = Iterations(s);
    return std::string(Method(s) == DeconvolutionMethod::LR ? "LR" : "Cit") + ", " + std::to_string(n) +
           (n == 1 ? " iteration, " : " iterations, ") + KernelSizeText(kernel);
}

void RunBytes(const StageSettings& s, StagePlanes& p)
{
    Plane& observed = p.a;
    Plane& estimate = p.b;
    p.load(observed);
    CopyScratch(observed, estimate);
    // Made once for all the iterations, not once per iteration.
    DeconvolutionPlanes temporary;
    for (int d = 1; d <= Iterations(s); ++d) {
        p.progressed(d);
        if (Method(s) == DeconvolutionMethod::LR)
            DeconvolveLR(observed, estimate, p.kernels.deconvolution(), temporary);
        else
            DeconvolveCit(observed, estimate, p.kernels.deconvolution(), temporary);
        // Only a completed iteration reaches the picture.
        p.store(estimate);
    }
    CopyScratch(estimate, observed);
}

void RunFine(const StageSettings& s, FineStagePlanes& p)
{
    p.load(p.a);
    CopyFineScratch(p.a, p.b);
    for (int d = 1; d <= Iterations(s) && p.more(); ++d) {
        if (Method(s) == DeconvolutionMethod::LR)
            DeconvolveLRFine(p.a, p.b, p.kernels.deconvolution());
        else
            DeconvolveCitFine(p.a, p.b, p.kernels.deconvolution());
        p.store(p.b);
    }
    CopyFineScratch(p.b, p.a);
}

}  // namespace

constinit const EnhancementStage DeconvolutionStage{
    .id = EnhancementStageId::Deconvolution,
    .title = "Deconvolution",
    .noteKey = "DECONV",
    .progressText = "Deconvolution",
    .switchOption = {},
    .switchDescription = {},
    .kernel = DeconvolutionKernel,
    .kernelOption = "--dec-psf",
    .parameters = Parameters,
    .progressSteps = Iterations,
    .writeBacks = Iterations,
    .describe = Describe,
    .runBytes = RunBytes,
    .runFine = RunFine,
};

}  // namespace quivane
