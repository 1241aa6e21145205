#include "combine/Calculation.h"

#include "combine/CombineMethods.h"
#include "combine/LocalStack.h"
#include "enhance/Convolution.h"
#include "enhance/Deconvolution.h"
#include "image/Plane.h"

namespace quivane {
namespace {

void Combine(PictureList& pictures, int count, const CalculationSettings& s, CalculationObserver& observer,
             const LocalStacking* local)
{
    Picture& result = pictures.front();
    const int width = result.bitmap.width();
    const int height = result.bitmap.height();
    observer.stageStarted(CalculationStage::Combine, height);
    for (int y = 0; y < height; ++y) {
        observer.progressed(y);
        PicturePixel* row = result.bitmap.row(y);
        for (int x = 0; x < width; ++x) {
            switch (s.combineMethod) {
            case CombineMeanMethod: row[x] = CombineMean(pictures, count, x, y); break;
            case CombineMedianMethod: row[x] = CombineMedian(pictures, count, x, y, s.combineParameter); break;
            case CombineMinMaxMethod: row[x] = CombineMinMax(pictures, count, x, y, s.combineParameter); break;
            case CombineMultiplyMethod: row[x] = CombineMultiply(pictures, count, x, y, s.combineParameter); break;
            default: break;
            }
        }
    }
    if (local) StackLocally(pictures, count, *local);
    observer.resultChanged(result);
}

void UnsharpMaskStage(Picture& result, const CalculationSettings& s, const KernelSlots& kernels,
                      CalculationObserver& observer, Plane& a, Plane& b)
{
    observer.stageStarted(CalculationStage::UnsharpMask, 100);
    PictureToScratch(result, a);
    UnsharpMask(a, b, s.unsharpStrength, kernels.unsharpMask());
    ScratchToPicture(result, b, 1);
    observer.resultChanged(result);
    CopyScratch(b, a);
}

void DeconvolutionStage(Picture& result, const CalculationSettings& s, const KernelSlots& kernels,
                        CalculationObserver& observer, Plane& observed, Plane& estimate)
{
    observer.stageStarted(CalculationStage::Deconvolution, s.deconvolutionIterations);
    PictureToScratch(result, observed);
    CopyScratch(observed, estimate);
    for (int d = 1; d <= s.deconvolutionIterations; ++d) {
        observer.progressed(d);
        if (s.deconvolutionMethod == DeconvolutionLR) DeconvolveLR(observed, estimate, kernels.deconvolution());
        if (s.deconvolutionMethod == DeconvolutionCit) DeconvolveCit(observed, estimate, kernels.deconvolution());
        // Only a completed iteration reaches the picture.
        ScratchToPicture(result, estimate, 1);
        observer.resultChanged(result);
    }
    CopyScratch(estimate, observed);
}

void ConvolutionStage(Picture& result, const KernelSlots& kernels, CalculationObserver& observer, Plane& a, Plane& b)
{
    observer.stageStarted(CalculationStage::Convolution, 100);
    PictureToScratch(result, a);
    ConvolveWithFilter(a, b, kernels.convolution());
    ScratchToPicture(result, b, 1);
    observer.resultChanged(result);
}

void Run(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
         CalculationObserver& observer, const LocalStacking* local)
{
    if (pictures.empty()) return;
    Plane a, b;
    Picture& result = pictures.front();
    Combine(pictures, count, settings, observer, local);
    if (settings.unsharpOn) UnsharpMaskStage(result, settings, kernels, observer, a, b);
    if (settings.deconvolutionOn) DeconvolutionStage(result, settings, kernels, observer, a, b);
    if (settings.convolutionOn) ConvolutionStage(result, kernels, observer, a, b);
}

}  // namespace

void Calculate(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer)
{
    Run(pictures, count, settings, kernels, observer, nullptr);
}

void Calculate(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer, const LocalStacking& local)
{
    Run(pictures, count, settings, kernels, observer, &local);
}

}  // namespace quivane
