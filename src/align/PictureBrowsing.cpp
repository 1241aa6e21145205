#include "align/PictureBrowsing.h"

#include <algorithm>

#include "align/AlignmentScore.h"
#include "tone/RenderPicture.h"
#include "workspace/ControlHandlers.h"
#include "workspace/WorkspaceActions.h"

namespace quivane {
namespace {

void ShowOffsetOnScrollBar(Workspace& ws, Ui& ui, ControlId bar, int offset)
{
    ControlState& state = ws.controls[bar];
    state.value = ClampToRange(state, offset);
    ui.showControl(bar, state);
}

bool IsPicture(const Workspace& ws, int n)
{
    return n >= 0 && n <= ws.PictureCount && n < static_cast<int>(ws.pictures.size());
}

}  // namespace

void ShowOffsetOnScrollBars(Workspace& ws, Ui& ui, const TInputImage& picture)
{
    ShowOffsetOnScrollBar(ws, ui, ControlId::HorScrollBar, picture.Dx);
    ShowOffsetOnScrollBar(ws, ui, ControlId::VerScrollBar, picture.Dy);
}

void ShowInputPicture(Workspace& ws, Ui& ui, int n)
{
    if (!IsPicture(ws, n)) return;
    TInputImage& picture = ws.pictures[static_cast<std::size_t>(n)];
    RenderPicture(picture, ws.InputView, -1, -1, ModeFullColour, ws.tone);
    if (ws.Aligning && IsPicture(ws, ws.RegisterRef)) {
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
    ws.DisplayedPicture = std::min(ws.controls.value(ControlId::DataPicNrSpinEdit), ws.PictureCount);
    if (ws.PictureCount == 0 || ws.DisplayedPicture < 1) return;
    ShowInputPicture(ws, ui, ws.DisplayedPicture);
    const TInputImage& picture = ws.pictures[static_cast<std::size_t>(ws.DisplayedPicture)];
    LightQualityLamps(ws, ui, picture.Quality);
    ShowOffsetOnScrollBars(ws, ui, picture);
}

}  // namespace quivane
