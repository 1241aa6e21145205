#include "enhance/UnsharpMask.h"

#include <cstdint>

#include "enhance/Convolution.h"
#include "enhance/FineEnhancement.h"
#include "image/ArithmeticErrors.h"

namespace quivane {

void UnsharpMask(const Plane& source, Plane& destination, int strength, const Kernel& umaPSF)
{
    ConvolveScratch(source, destination, umaPSF, true);
    const int hr = (umaPSF.rows() - 1) / 2;
    const int hc = (umaPSF.columns() - 1) / 2;
    for (int y = hr; y <= source.height - 1 - hr; ++y) {
        const std::int16_t* o = source.row(y);
        std::int16_t* b = destination.row(y);
        for (int x = hc; x <= source.width - 1 - hc; ++x) {
            int scaled = 0;
            int sharpened = 0;
            if (__builtin_mul_overflow(strength, o[x] - b[x], &scaled) ||
                __builtin_add_overflow(static_cast<int>(b[x]), scaled / 2, &sharpened)) {
                throw IntegerOverflowError();
            }
            if (sharpened < -32768 || sharpened > 32767) throw RangeCheckError();
            b[x] = static_cast<std::int16_t>(sharpened);
        }
    }
}

void UnsharpMaskFine(const FinePlane& source, FinePlane& destination, int strength, const Kernel& umaPSF)
{
    ConvolveFine(source, destination, umaPSF, true);
    const int hr = (umaPSF.rows() - 1) / 2;
    const int hc = (umaPSF.columns() - 1) / 2;
    for (int y = hr; y <= source.height - 1 - hr; ++y)
        for (int x = hc; x <= source.width - 1 - hc; ++x) {
            const double o = source.row(y)[x];
            double& b = destination.row(y)[x];
            b = b + strength * (o - b) / 2.0;
        }
}

namespace {

constexpr StageParameter Parameters[] = {
    {.name = "strength",
     .range = {0, 16, 1, 3},
     .option = "--unsharp",
     .valueName = "S",
     .description = "0 the blur itself, 2 the picture back, each step above 2 adds half the detail again",
     .switchesOn = true},
};

std::string Describe(const StageSettings& s, const Kernel& kernel)
{
    return "strength " + std::to_string(s.values[0]) + ", " + KernelSizeText(kernel);
}

void RunBytes(const StageSettings& s, StagePlanes& p)
{
    p.load(p.a);
    UnsharpMask(p.a, p.b, s.values[0], p.kernels.unsharpMask());
    p.store(p.b);
    CopyScratch(p.b, p.a);
}

void RunFine(const StageSettings& s, FineStagePlanes& p)
{
    p.load(p.a);
    UnsharpMaskFine(p.a, p.b, s.values[0], p.kernels.unsharpMask());
    p.store(p.b);
    CopyFineScratch(p.b, p.a);
}

}  // namespace

constinit const EnhancementStage UnsharpMaskStage{
    .id = EnhancementStageId::UnsharpMask,
    .title = "Unsharp mask",
    .noteKey = "UNSHARP",
    .progressText = "Unsharp Masking",
    .switchOption = {},
    .switchDescription = {},
    .kernel = UnsharpMaskKernel,
    .kernelOption = "--uma-psf",
    .parameters = Parameters,
    .progressSteps = HundredSteps,
    .writeBacks = OneWriteBack,
    .describe = Describe,
    .runBytes = RunBytes,
    .runFine = RunFine,
};

}  // namespace quivane
