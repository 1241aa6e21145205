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
    TInputImage& result = ws.pictures.front();
    const int width = result.Bitmap.width();
    const int height = result.Bitmap.height();
    const int count = InputPictureCount(ws);
    InitProgress(ui, 0, height, 0, "Combine pictures");
    for (int y = 0; y < height; ++y) {
        ShowProgress(ui, y, "");
        PicturePixel* row = result.Bitmap.row(y);
        for (int x = 0; x < width; ++x) {
            switch (ws.CombineMethod) {
            case MethodMean: row[x] = CombineMean(ws.pictures, count, x, y); break;
            case MethodMedian: row[x] = CombineMedian(ws.pictures, count, x, y, ws.CombineParam); break;
            case MethodMinMax: row[x] = CombineMinMax(ws.pictures, count, x, y, ws.CombineParam); break;
            case MethodMultiply: row[x] = CombineMultiply(ws.pictures, count, x, y, ws.CombineParam); break;
            default: break;
            }
        }
    }
}

void UnsharpMaskStage(Workspace& ws, Ui& ui, Tscratch& a, Tscratch& b)
{
    TInputImage& result = ws.pictures.front();
    InitProgress(ui, 0, 100, 0, "Unsharp Masking");
    PictureToScratch(result, a);
    UnsharpMask(a, b, ws.UmaStrength, ws.kernels.UmaPSF());
    ScratchToPicture(result, b, 1);
    RefreshResultView(ws, ui);
    CopyScratch(b, a);
}

void DeconvolutionStage(Workspace& ws, Ui& ui, Tscratch& observed, Tscratch& estimate)
{
    TInputImage& result = ws.pictures.front();
    InitProgress(ui, 0, ws.DecIterations, 0, "Deconvolution");
    PictureToScratch(result, observed);
    CopyScratch(observed, estimate);
    for (int d = 1; d <= ws.DecIterations; ++d) {
        ShowProgress(ui, d, "");
        if (ws.DecMethod == DeconvolutionLR) DeconvolveLR(observed, estimate, ws.kernels.DecPSF());
        if (ws.DecMethod == DeconvolutionCit) DeconvolveCit(observed, estimate, ws.kernels.DecPSF());
        // Only a completed iteration reaches the picture.
        ScratchToPicture(result, estimate, 1);
        RefreshResultView(ws, ui);
    }
    CopyScratch(estimate, observed);
}

void ConvolutionStage(Workspace& ws, Ui& ui, Tscratch& a, Tscratch& b)
{
    TInputImage& result = ws.pictures.front();
    InitProgress(ui, 0, 100, 0, "Convolve with matrix");
    PictureToScratch(result, a);
    ConvolveWithFilter(a, b, ws.kernels.ConPSF());
    ScratchToPicture(result, b, 1);
    RefreshResultView(ws, ui);
}

}  // namespace

void CalculationRun(Workspace& ws, Ui& ui)
{
    if (!ws.PicturesLoaded || ws.LoadRunning || ws.pictures.empty()) return;
    Tscratch a, b;
    ws.CombineMethod = ws.controls.value(ControlId::CombineRadioGroup);
    Combine(ws, ui);
    RefreshResultView(ws, ui);
    if (ws.UmaOn) UnsharpMaskStage(ws, ui, a, b);
    if (ws.DecOn) DeconvolutionStage(ws, ui, a, b);
    if (ws.ConOn) ConvolutionStage(ws, ui, a, b);
    InitProgress(ui, 0, 100, 0, "Ready!");
}

}  // namespace quivane
