#include <string>

#include "enhance/Convolution.h"
#include "enhance/FineEnhancement.h"

namespace quivane {
namespace {

std::string Describe(const StageSettings&, const Kernel& kernel) { return KernelSizeText(kernel); }

void RunBytes(const StageSettings&, StagePlanes& p)
{
    p.load(p.a);
    ConvolveWithFilter(p.a, p.b, p.kernels.convolution());
    p.store(p.b);
}

void RunFine(const StageSettings&, FineStagePlanes& p)
{
    p.load(p.a);
    ConvolveWithFilterFine(p.a, p.b, p.kernels.convolution());
    p.store(p.b);
}

}  // namespace

constinit const EnhancementStage ConvolutionStage{
    .id = EnhancementStageId::Convolution,
    .title = "Convolution",
    .noteKey = "CONVOLVE",
    .progressText = "Convolve with matrix",
    .switchOption = "--convolve",
    .switchDescription = "filters the result with the convolution kernel (its weights the bytes minus 128)",
    .kernel = ConvolutionKernel,
    .kernelOption = "--filter",
    .parameters = {},
    .progressSteps = HundredSteps,
    .writeBacks = OneWriteBack,
    .describe = Describe,
    .runBytes = RunBytes,
    .runFine = RunFine,
};

}  // namespace quivane
