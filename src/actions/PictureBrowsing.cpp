#include "actions/PictureBrowsing.h"

#include <algorithm>

#include "align/AlignmentScore.h"
#include "tone/RenderPicture.h"
#include "actions/ControlHandlers.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
void ShowOffsetOnScrollBars(Workspace& ws, Ui& ui, const TInputImage& picture)
{
    ShowControlValue(ws, ui, ControlId::HorScrollBar, picture.Dx);
    ShowControlValue(ws, ui, ControlId::VerScrollBar, picture.Dy);
}

TInputImage* ShownPicture(Workspace& ws)
{
    ws.DisplayedPicture = std::min(ws.controls.value(ControlId::DataPicNrSpinEdit), ws.PictureCount);
    if (ws.DisplayedPicture < 1 || !IsLoadedPicture(ws, ws.DisplayedPicture)) return nullptr;
    return &ws.pictures[static_cast<std::size_t>(ws.DisplayedPicture)];
}

void ShowInputPicture(Workspace& ws, Ui& ui, int n)
{
    if (!IsLoadedPicture(ws, n)) return;
    TInputImage& picture = ws.pictures[static_cast<std::size_t>(n)];
    RenderPicture(picture, ws.InputView, -1, -1, ModeFullColour, ws.tone);
    if (ws.Aligning && IsLoadedPicture(ws, ws.RegisterRef)) {
        const long long score = AlignmentScore(ws.pictures[static_cast<std::size_t>(ws.RegisterRef)], ws.InputView,
                                               -1, -1, ModeFullColour);
        ShowProgress(ui, score != 0 ? static_cast<int>(score) : 1,
                     "Manual alignment of picture " + std::to_string(ws.RegisterRef) + " with nr." +
                         std::to_string(n) + ", Dx,Dy= (" + std::to_string(picture.Dx) + ", " +
                         std::to_string(picture.Dy) + "), Value =[" + std::to_string(score) + "]");
    }
    ui.showInputView(ws.InputView);
}

void PictureNumberChanged(Workspace& ws, Ui& ui)
{
    const TInputImage* picture = ShownPicture(ws);
    if (!picture) return;
    ShowInputPicture(ws, ui, ws.DisplayedPicture);
    LightQualityLamps(ws, ui, picture->Quality);
    ShowOffsetOnScrollBars(ws, ui, *picture);
}

}  // namespace quivane
