#include "actions/KeyHandling.h"

#include "actions/ControlHandlers.h"

namespace quivane {
namespace {

void StepPictureNumber(Workspace& ws, Ui& ui, int step)
{
    SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, ws.controls.value(ControlId::DataPicNrSpinEdit) + step);
}

// A key moves the bar by one (kept in its range) and the bar's position
// becomes the offset, as when the user moves it.
void NudgeScrollBar(Workspace& ws, Ui& ui, ControlId bar, int step)
{
    SetAndApplyControl(ws, ui, bar, ws.controls.value(bar) + step);
}

// Marks the shown picture even when the group already shows that mark: a
// mark the search set is not shown until the picture is browsed to again.
void MarkShownPicture(Workspace& ws, Ui& ui, int mark) { SetAndApplyControl(ws, ui, ControlId::QualityRadioGroup, mark); }

}  // namespace

void FormKeyDown(Workspace& ws, Ui& ui, WindowKey key)
{
    switch (key) {
    case WindowKey::Escape: ws.abortRequested = true; break;
    case WindowKey::PageUp:
    case WindowKey::Pad9: StepPictureNumber(ws, ui, 1); break;
    case WindowKey::PageDown:
    case WindowKey::Pad3: StepPictureNumber(ws, ui, -1); break;
    case WindowKey::Pad8: NudgeScrollBar(ws, ui, ControlId::VerScrollBar, 1); break;
    case WindowKey::Pad2: NudgeScrollBar(ws, ui, ControlId::VerScrollBar, -1); break;
    case WindowKey::Pad6: NudgeScrollBar(ws, ui, ControlId::HorScrollBar, 1); break;
    case WindowKey::Pad4: NudgeScrollBar(ws, ui, ControlId::HorScrollBar, -1); break;
    case WindowKey::F1: MarkShownPicture(ws, ui, QualityDont); break;
    case WindowKey::F2: MarkShownPicture(ws, ui, QualityBad); break;
    case WindowKey::F3: MarkShownPicture(ws, ui, QualityAvg); break;
    case WindowKey::F4: MarkShownPicture(ws, ui, QualityGood); break;
    }
}

}  // namespace quivane
