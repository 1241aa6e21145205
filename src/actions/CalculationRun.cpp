#include "actions/CalculationRun.h"

#include <optional>

#include "actions/ResultViewActions.h"
#include "actions/WorkspaceActions.h"
#include "pipeline/Calculation.h"
#include "pipeline/CalculationRecord.h"
#include "combine/LocalStack.h"

namespace quivane {
namespace {

const char* StageText(CalculationStage stage)
{
    switch (stage) {
    case CalculationStage::Combine: return "Combine pictures";
    case CalculationStage::UnsharpMask: return "Unsharp Masking";
    case CalculationStage::Deconvolution: return "Deconvolution";
    case CalculationStage::Convolution: return "Convolve with matrix";
    }
    return "";
}

// Shows the run in the progress bar and the result box after every stage.
class WindowCalculationObserver : public CalculationObserver {
public:
    WindowCalculationObserver(Workspace& ws, Ui& ui) : ws_(ws), ui_(ui) {}
    void stageStarted(CalculationStage stage, int steps) override { InitProgress(ui_, 0, steps, 0, StageText(stage)); }
    void progressed(int position) override { ShowProgress(ui_, position, ""); }
    void resultChanged(const Picture&) override { RefreshResultView(ws_, ui_); }

private:
    Workspace& ws_;
    Ui& ui_;
};

}  // namespace

CalculationSettings CurrentCalculationSettings(const Workspace& ws)
{
    CalculationSettings s;
    s.combineMethod = ws.combineMethod;
    s.combineParameter = ws.combineParameter;
    s.unsharpOn = ws.unsharpOn;
    s.unsharpStrength = ws.unsharpStrength;
    s.deconvolutionOn = ws.deconvolutionOn;
    s.deconvolutionMethod = ws.deconvolutionMethod;
    s.deconvolutionIterations = ws.deconvolutionIterations;
    s.convolutionOn = ws.convolutionOn;
    return s;
}

void CalculationRun(Workspace& ws, Ui& ui)
{
    if (!ws.picturesLoaded || ws.loadRunning || ws.pictures.empty()) return;
    ws.combineMethod = ws.controls.value(ControlId::CombineRadioGroup);
    WindowCalculationObserver observer(ws, ui);
    // A new run rebuilds the result; earlier equalisations went with it.
    ws.equalisedSinceRun.clear();
    std::optional<LocalStacking> local;
    if (ws.localAlignment && !ws.localPlan.empty())
        local.emplace(LocalStacking{ws.localPlan, KeepRule::Percent(ws.localKeepPercent)});
    CalculateAndRecord(ws.pictures, InputPictureCount(ws), CurrentCalculationSettings(ws), ws.kernels, observer,
                       ws.lastRun, local ? &*local : nullptr);
    InitProgress(ui, 0, 100, 0, "Ready!");
}

}  // namespace quivane
