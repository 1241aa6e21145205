#include "actions/ManualAlignment.h"

#include <algorithm>

#include "actions/PictureBrowsing.h"
#include "actions/ControlHandlers.h"

namespace quivane {
namespace {

constexpr int MethodManual = 0;

bool ManualMethod(const Workspace& ws) { return ws.controls.value(ControlId::RegisterRadioGroup) == MethodManual; }

bool LargerThanWindow(const Workspace& ws)
{
    return ws.ResultWidth > ws.InputWindowSize.x || ws.ResultHeight > ws.InputWindowSize.y;
}

// The mouse position in picture coordinates.
Point PicturePoint(const Workspace& ws, int x, int y)
{
    return Point{x * ws.ResultWidth / ws.InputWindowSize.x, y * ws.ResultHeight / ws.InputWindowSize.y};
}

// The top-left corner of the window-sized region at a picture point.
Point RegionCorner(const Workspace& ws, Point p)
{
    return Point{std::clamp(p.x, 0, std::max(0, ws.ResultWidth - ws.InputWindowSize.x)),
                 std::clamp(p.y, 0, std::max(0, ws.ResultHeight - ws.InputWindowSize.y))};
}

// Inverting twice restores the picture, so the region is drawn and erased
// by the same call.
void InvertRegion(Workspace& ws, Ui& ui, Point corner)
{
    Bitmap24& view = ws.InputView;
    const int right = std::min(view.width(), corner.x + ws.InputWindowSize.x);
    const int bottom = std::min(view.height(), corner.y + ws.InputWindowSize.y);
    for (int y = std::max(0, corner.y); y < bottom; ++y)
        for (int x = std::max(0, corner.x); x < right; ++x) {
            ColourPixel& p = view.at(x, y);
            p = ColourPixel{static_cast<std::uint8_t>(255 - p.blue), static_cast<std::uint8_t>(255 - p.green),
                            static_cast<std::uint8_t>(255 - p.red)};
        }
    ui.showInputView(view);
}

}  // namespace

void ScrollBarChanged(Workspace& ws, Ui& ui, ControlId bar)
{
    TInputImage* picture = ShownPicture(ws);
    if (!picture) return;
    (bar == ControlId::HorScrollBar ? picture->Dx : picture->Dy) = ws.controls.value(bar);
    ShowInputPicture(ws, ui, ws.DisplayedPicture);
}

void InputPicImageDoubleClick(Workspace& ws, Ui& ui)
{
    if (ws.PictureCount <= 0 || !ManualMethod(ws)) return;
    const int number = ws.controls.value(ControlId::DataPicNrSpinEdit);
    SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, number % ws.PictureCount + 1);
}

void InputPicImageMouseDown(Workspace& ws, Ui& ui, int x, int y)
{
    ws.MouseHeld = true;
    ws.ViewOrigin = Point{-1, -1};
    if (ws.Aligning) {
        if (!ManualMethod(ws)) return;
        TInputImage* picture = ShownPicture(ws);
        if (!picture) return;
        ws.DragAnchor = Point{x + picture->Dx, y + picture->Dy};
        ShowInputPicture(ws, ui, ws.DisplayedPicture);
        return;
    }
    if (ws.PictureCount == 0 || !LargerThanWindow(ws)) return;
    ws.DragAnchor = PicturePoint(ws, x, y);
    ws.ViewOrigin = RegionCorner(ws, ws.DragAnchor);
    InvertRegion(ws, ui, ws.ViewOrigin);
}

void InputPicImageMouseMove(Workspace& ws, Ui& ui, int x, int y)
{
    if (!ws.MouseHeld) return;
    if (ws.Aligning) {
        if (!ManualMethod(ws)) return;
        TInputImage* picture = ShownPicture(ws);
        if (!picture) return;
        picture->Dx = ws.DragAnchor.x - x;
        picture->Dy = ws.DragAnchor.y - y;
        ShowOffsetOnScrollBars(ws, ui, *picture);
        ShowInputPicture(ws, ui, ws.DisplayedPicture);
        return;
    }
    if (ws.PictureCount == 0 || !LargerThanWindow(ws)) return;
    InvertRegion(ws, ui, RegionCorner(ws, ws.DragAnchor));
    ws.DragAnchor = PicturePoint(ws, x, y);
    InvertRegion(ws, ui, RegionCorner(ws, ws.DragAnchor));
}

void InputPicImageMouseUp(Workspace& ws, Ui& ui, int x, int y)
{
    const bool wasHeld = ws.MouseHeld;
    ws.MouseHeld = false;
    if (ws.Aligning) {
        ws.DragAnchor = Point{0, 0};
        ws.ViewOrigin = Point{-1, -1};
        return;
    }
    // Only a region drawn by this press is erased: the one drawn last, even
    // if the mouse moved once more before the button came up.
    if (!wasHeld || ws.PictureCount == 0 || !LargerThanWindow(ws)) return;
    ws.ViewOrigin = RegionCorner(ws, PicturePoint(ws, x, y));
    InvertRegion(ws, ui, RegionCorner(ws, ws.DragAnchor));
}

}  // namespace quivane
