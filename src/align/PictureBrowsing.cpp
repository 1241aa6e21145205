#include "align/PictureBrowsing.h"

#include <algorithm>

#include "tone/RenderPicture.h"
#include "workspace/ControlHandlers.h"

namespace quivane {
namespace {

// A scroll bar covers only -64..64: it shows the nearest position, and
// showing an offset never writes it back, so a larger offset found by the
// search or by dragging survives browsing.
void ShowOffsetOnScrollBar(Workspace& ws, Ui& ui, ControlId bar, int offset)
{
    ControlState& state = ws.controls[bar];
    state.value = ClampToRange(state, offset);
    ui.showControl(bar, state);
}

}  // namespace

void ShowInputPicture(Workspace& ws, Ui& ui, int n)
{
    if (n < 0 || n > ws.PictureCount || n >= static_cast<int>(ws.pictures.size())) return;
    RenderPicture(ws.pictures[static_cast<std::size_t>(n)], ws.InputView, -1, -1, ModeFullColour, ws.tone);
    ui.showInputView(ws.InputView);
}

void PictureNumberChanged(Workspace& ws, Ui& ui)
{
    ws.DisplayedPicture = std::min(ws.controls.value(ControlId::DataPicNrSpinEdit), ws.PictureCount);
    if (ws.PictureCount == 0 || ws.DisplayedPicture < 1) return;
    ShowInputPicture(ws, ui, ws.DisplayedPicture);
    const TInputImage& picture = ws.pictures[static_cast<std::size_t>(ws.DisplayedPicture)];
    LightQualityLamps(ws, ui, picture.Quality);
    ShowOffsetOnScrollBar(ws, ui, ControlId::HorScrollBar, picture.Dx);
    ShowOffsetOnScrollBar(ws, ui, ControlId::VerScrollBar, picture.Dy);
}

}  // namespace quivane
