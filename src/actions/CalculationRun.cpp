#include "actions/CalculationRun.h"

#include <optional>
#include <string>
#include <string_view>

#include "actions/ResultViewActions.h"
#include "actions/WorkspaceActions.h"
#include "pipeline/Calculation.h"
#include "pipeline/CalculationRecord.h"
#include "combine/LocalStack.h"

namespace quivane {
namespace {

// Shows the run in the progress bar and the result box after every stage.
class WindowCalculationObserver : public CalculationObserver {
public:
    WindowCalculationObserver(Workspace& ws, Ui& ui) : ws_(ws), ui_(ui) {}
    void stageStarted(std::string_view text, int steps) override { InitProgress(ui_, 0, steps, 0, std::string(text)); }
    void progressed(int position) override { ShowProgress(ui_, position, ""); }
    void resultChanged(const Picture&) override { RefreshResultView(ws_, ui_); }

private:
    Workspace& ws_;
    Ui& ui_;
};

}  // namespace

void CalculationRun(Workspace& ws, Ui& ui)
{
    if (!ws.picturesLoaded || ws.loadRunning || ws.pictures.empty()) return;
    if (const auto method = CombineMethodAt(ws.controls.value(ControlId::CombineRadioGroup)))
        ws.calculation.combineMethod = *method;
    WindowCalculationObserver observer(ws, ui);
    // A new run rebuilds the result; earlier equalisations went with it.
    ws.equalisedSinceRun.clear();
    std::optional<LocalStacking> local;
    if (ws.localAlignment && !ws.localPlan.empty())
        local.emplace(LocalStacking{ws.localPlan, KeepRule::Percent(ws.localKeepPercent)});
    CalculateAndRecord(ws.pictures, InputPictureCount(ws), ws.calculation, ws.kernels, observer,
                       ws.lastRun, local ? &*local : nullptr);
    InitProgress(ui, 0, 100, 0, "Ready!");
}

}  // namespace quivane
