#include "actions/CalculationRun.h"

#include "combine/CombineMethods.h"
#include "enhance/Convolution.h"
#include "enhance/Deconvolution.h"
#include "image/Plane.h"
#include "actions/ResultViewActions.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
namespace {

enum CombineMethodIndex { MethodMean = 0, MethodMedian = 1, MethodMinMax = 2, MethodMultiply = 3 };
enum DeconvolutionMethod { DeconvolutionCit = 0, DeconvolutionLR = 1 };

void Combine(Workspace& ws, Ui& ui)
{
    Picture& result = ws.pictures.front();
    const int width = result.bitmap.width();
    const int height = result.bitmap.height();
    const int count = InputPictureCount(ws);
    InitProgress(ui, 0, height, 0, "Combine pictures");
    for (int y = 0; y < height; ++y) {
        ShowProgress(ui, y, "");
        PicturePixel* row = result.bitmap.row(y);
        for (int x = 0; x < width; ++x) {
            switch (ws.combineMethod) {
            case MethodMean: row[x] = CombineMean(ws.pictures, count, x, y); break;
            case MethodMedian: row[x] = CombineMedian(ws.pictures, count, x, y, ws.combineParameter); break;
            case MethodMinMax: row[x] = CombineMinMax(ws.pictures, count, x, y, ws.combineParameter); break;
            case MethodMultiply: row[x] = CombineMultiply(ws.pictures, count, x, y, ws.combineParameter); break;
            default: break;
            }
        }
    }
}

void UnsharpMaskStage(Workspace& ws, Ui& ui, Plane& a, Plane& b)
{
    Picture& result = ws.pictures.front();
    InitProgress(ui, 0, 100, 0, "Unsharp Masking");
    PictureToScratch(result, a);
    UnsharpMask(a, b, ws.unsharpStrength, ws.kernels.unsharpMask());
    ScratchToPicture(result, b, 1);
    RefreshResultView(ws, ui);
    CopyScratch(b, a);
}

void DeconvolutionStage(Workspace& ws, Ui& ui, Plane& observed, Plane& estimate)
{
    Picture& result = ws.pictures.front();
    InitProgress(ui, 0, ws.deconvolutionIterations, 0, "Deconvolution");
    PictureToScratch(result, observed);
    CopyScratch(observed, estimate);
    for (int d = 1; d <= ws.deconvolutionIterations; ++d) {
        ShowProgress(ui, d, "");
        if (ws.deconvolutionMethod == DeconvolutionLR) DeconvolveLR(observed, estimate, ws.kernels.deconvolution());
        if (ws.deconvolutionMethod == DeconvolutionCit) DeconvolveCit(observed, estimate, ws.kernels.deconvolution());
        // Only a completed iteration reaches the picture.
        ScratchToPicture(result, estimate, 1);
        RefreshResultView(ws, ui);
    }
    CopyScratch(estimate, observed);
}

void ConvolutionStage(Workspace& ws, Ui& ui, Plane& a, Plane& b)
{
    Picture& result = ws.pictures.front();
    InitProgress(ui, 0, 100, 0, "Convolve with matrix");
    PictureToScratch(result, a);
    ConvolveWithFilter(a, b, ws.kernels.convolution());
    ScratchToPicture(result, b, 1);
    RefreshResultView(ws, ui);
}

}  // namespace

void CalculationRun(Workspace& ws, Ui& ui)
{
    if (!ws.picturesLoaded || ws.loadRunning || ws.pictures.empty()) return;
    Plane a, b;
    ws.combineMethod = ws.controls.value(ControlId::CombineRadioGroup);
    Combine(ws, ui);
    RefreshResultView(ws, ui);
    if (ws.unsharpOn) UnsharpMaskStage(ws, ui, a, b);
    if (ws.deconvolutionOn) DeconvolutionStage(ws, ui, a, b);
    if (ws.convolutionOn) ConvolutionStage(ws, ui, a, b);
    InitProgress(ui, 0, 100, 0, "Ready!");
}

}  // namespace quivane
