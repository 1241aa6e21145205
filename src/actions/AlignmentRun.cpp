#include "actions/AlignmentRun.h"

#include "actions/AutoAlign.h"
#include "actions/PictureBrowsing.h"
#include "actions/ControlHandlers.h"
#include "actions/LocalAlignmentRun.h"
#include "actions/ScopedFlag.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
void GoButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    ws.aligning = true;
    // Offsets are about to change: points measured against the old ones are void.
    ws.localPlan = LocalPlan{};
    SetBusyControls(ui);
    ui.setActionEnabled(ActionButton::Stop, true);
    if (ManualAlignmentChosen(ws.controls)) {
        InitProgress(ui, 0, ws.inputWindowSize.x * ws.inputWindowSize.y * 4, 0, "Manual alignment ");
        return;
    }
    InitProgress(ui, 0, ws.pictureCount, 0, "Automatic alignment ");
    bool local = false;
    {
        const ScopedFlag running(ws.autoAligning);  // keeps loads out of the search's event pump
        AutoAlign(ws, ui);
        local = ws.localAlignment && ws.aligning && ws.pictureCount > 0 && AlignLocallyAfterSearch(ws, ui);
    }
    StopButtonClick(ws, ui);
    if (local) ShowAlignmentPoints(ws, ui);
}

void StopButtonClick(Workspace& ws, Ui& ui)
{
    ws.aligning = false;
    ws.viewOrigin = Point{-1, -1};
    // Without pictures there is nothing to calculate or save.
    if (ws.pictureCount > 0) {
        SetReadyControls(ui);
    } else {
        SetBusyControls(ui);
    }
    InitProgress(ui, 0, 1, 0, "Alignment ready");
    SetControlValue(ws, ui, ControlId::RegisterRadioGroup, static_cast<int>(AlignmentMethod::Manual));
    ShowInputPicture(ws, ui, ws.displayedPicture);
}

}  // namespace quivane
