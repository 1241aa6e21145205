#include "actions/PictureBrowsing.h"

#include <algorithm>

#include "align/ComparisonOverlay.h"
#include "tone/RenderPicture.h"
#include "actions/ControlHandlers.h"
#include "actions/FrameSelection.h"
#include "actions/WorkspaceActions.h"
#include "select/BadFrames.h"

namespace quivane {
void ShowOffsetOnScrollBars(Workspace& ws, Ui& ui, const Picture& picture)
{
    ShowControlValue(ws, ui, ControlId::HorScrollBar, picture.dx);
    ShowControlValue(ws, ui, ControlId::VerScrollBar, picture.dy);
}

Picture* ShownPicture(Workspace& ws)
{
    ws.displayedPicture = std::min(ws.controls.value(ControlId::DataPicNrSpinEdit), ws.pictureCount);
    if (ws.displayedPicture < 1 || !IsLoadedPicture(ws, ws.displayedPicture)) return nullptr;
    return &ws.pictures.at(ws.displayedPicture);
}

void ShowInputPicture(Workspace& ws, Ui& ui, int n)
{
    if (!IsLoadedPicture(ws, n)) return;
    Picture& picture = ws.pictures.at(n);
    RenderPicture(picture, ws.inputView, -1, -1, ModeFullColour, ws.tone);
    if (ws.aligning && IsLoadedPicture(ws, ws.referencePicture)) {
        const long long score = DrawComparisonOverlay(ws.pictures.at(ws.referencePicture),
                                                      ws.inputView, -1, -1, OverlayStyle::FullColour);
        ShowProgress(ui, score != 0 ? static_cast<int>(score) : 1,
                     "Manual alignment of picture " + std::to_string(ws.referencePicture) + " with nr." +
                         std::to_string(n) + ", Dx,Dy= (" + std::to_string(picture.dx) + ", " +
                         std::to_string(picture.dy) + "), Value =[" + std::to_string(score) + "]" +
                         (picture.fault == FrameFault::None
                              ? std::string()
                              : " bad frame: " + std::string(FaultWord(picture.fault))));
    }
    ui.showInputView(ws.inputView);
}

void PictureNumberChanged(Workspace& ws, Ui& ui)
{
    const Picture* picture = ShownPicture(ws);
    if (!picture) return;
    ShowInputPicture(ws, ui, ws.displayedPicture);
    LightQualityLamps(ws, ui, picture->quality);
    ShowOffsetOnScrollBars(ws, ui, *picture);
    ShowPictureFault(ws, ui, ws.displayedPicture);
    ui.showSelection();
}

void BrowseToPicture(Workspace& ws, Ui& ui, int n) { SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, n); }

}  // namespace quivane
