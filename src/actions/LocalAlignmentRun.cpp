#include "actions/LocalAlignmentRun.h"

#include <algorithm>
#include <string>

#include "actions/WorkspaceActions.h"
#include "align/PointOverlay.h"

namespace quivane {

void SetLocalAlignment(Workspace& ws, Ui& ui, bool on)
{
    ws.localAlignment = on;
    ui.setStatusText(on ? "Local alignment on: alignment points follow the next automatic alignment"
                        : "Local alignment off");
}

void SetLocalBoxSize(Workspace& ws, Ui& ui, int size)
{
    ws.localBoxSize = size <= 0 ? 0 : std::clamp(size, MinimumBoxSize, MaximumBoxSize) / 2 * 2;
    ui.setStatusText(ws.localBoxSize == 0 ? std::string("Alignment point boxes: by the picture size")
                                          : "Alignment point boxes: " + std::to_string(ws.localBoxSize) + " pixels");
}

void SetLocalKeep(Workspace& ws, Ui& ui, int percent)
{
    ws.localKeepPercent = std::clamp(percent, 1, 100);
    ui.setStatusText("Each alignment point stacks its sharpest " + std::to_string(ws.localKeepPercent) + " %");
}

bool AlignLocallyAfterSearch(Workspace& ws, Ui& ui)
{
    ws.localPlan = LocalPlan{};
    const int count = InputPictureCount(ws);
    InitProgress(ui, 0, count, 0, "Local alignment ");
    LocalSettings settings;
    settings.boxSize = ws.localBoxSize;
    settings.enlargement = ws.controls.value(ControlId::ResampleSpinEdit);
    bool completed = true;
    ws.localPlan = PlanLocalAlignment(ws.pictures, count, settings, [&](int n) {
        ShowProgress(ui, n, "Local alignment of picture " + std::to_string(n));
        ui.processEvents();
        completed = ws.aligning && !TakeAbortRequest(ws);
        return completed;
    });
    return completed;
}

void ShowAlignmentPoints(Workspace& ws, Ui& ui)
{
    const LocalPlan& plan = ws.localPlan;
    if (plan.empty()) {
        ui.setStatusText("Local alignment: too few alignment points, the global offsets are kept");
        return;
    }
    ws.inputView = DrawAlignmentPoints(plan.reference, plan.points, ws.inputWindowSize.x, ws.inputWindowSize.y);
    ui.showInputView(ws.inputView);
    ui.setStatusText("Local alignment: " + std::to_string(plan.points.size()) + " alignment points");
}

}  // namespace quivane
