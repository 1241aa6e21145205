#include "actions/ManualAlignment.h"

#include <algorithm>

#include "actions/PictureBrowsing.h"
#include "actions/ControlHandlers.h"

namespace quivane {
namespace {

bool LargerThanWindow(const Workspace& ws)
{
    return ws.resultWidth > ws.inputWindowSize.x || ws.resultHeight > ws.inputWindowSize.y;
}

// The mouse position in picture coordinates.
Point PicturePoint(const Workspace& ws, int x, int y)
{
    return Point{x * ws.resultWidth / ws.inputWindowSize.x, y * ws.resultHeight / ws.inputWindowSize.y};
}

// The top-left corner of the window-sized region at a picture point.
Point RegionCorner(const Workspace& ws, Point p)
{
    return Point{std::clamp(p.x, 0, std::max(0, ws.resultWidth - ws.inputWindowSize.x)),
                 std::clamp(p.y, 0, std::max(0, ws.resultHeight - ws.inputWindowSize.y))};
}

// Inverting twice restores the picture, so the region is drawn and erased
// by the same call.
void InvertRegion(Workspace& ws, Ui& ui, Point corner)
{
    Bitmap24& view = ws.inputView;
    const int right = std::min(view.width(), corner.x + ws.inputWindowSize.x);
    const int bottom = std::min(view.height(), corner.y + ws.inputWindowSize.y);
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
    Picture* picture = ShownPicture(ws);
    if (!picture) return;
    (bar == ControlId::HorScrollBar ? picture->dx : picture->dy) = ws.controls.value(bar);
    ShowInputPicture(ws, ui, ws.displayedPicture);
}

void InputPicImageDoubleClick(Workspace& ws, Ui& ui)
{
    if (ws.pictureCount <= 0 || !ManualAlignmentChosen(ws.controls)) return;
    const int number = ws.controls.value(ControlId::DataPicNrSpinEdit);
    SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, number % ws.pictureCount + 1);
}

void InputPicImageMouseDown(Workspace& ws, Ui& ui, int x, int y)
{
    ws.mouseHeld = true;
    ws.viewOrigin = Point{-1, -1};
    if (ws.aligning) {
        if (!ManualAlignmentChosen(ws.controls)) return;
        Picture* picture = ShownPicture(ws);
        if (!picture) return;
        ws.dragAnchor = Point{x + picture->dx, y + picture->dy};
        ShowInputPicture(ws, ui, ws.displayedPicture);
        return;
    }
    if (ws.pictureCount == 0 || !LargerThanWindow(ws)) return;
    ws.dragAnchor = PicturePoint(ws, x, y);
    ws.viewOrigin = RegionCorner(ws, ws.dragAnchor);
    InvertRegion(ws, ui, ws.viewOrigin);
}

void InputPicImageMouseMove(Workspace& ws, Ui& ui, int x, int y)
{
    if (!ws.mouseHeld) return;
    if (ws.aligning) {
        if (!ManualAlignmentChosen(ws.controls)) return;
        Picture* picture = ShownPicture(ws);
        if (!picture) return;
        picture->dx = ws.dragAnchor.x - x;
        picture->dy = ws.dragAnchor.y - y;
        ShowOffsetOnScrollBars(ws, ui, *picture);
        ShowInputPicture(ws, ui, ws.displayedPicture);
        return;
    }
    if (ws.pictureCount == 0 || !LargerThanWindow(ws)) return;
    InvertRegion(ws, ui, RegionCorner(ws, ws.dragAnchor));
    ws.dragAnchor = PicturePoint(ws, x, y);
    InvertRegion(ws, ui, RegionCorner(ws, ws.dragAnchor));
}

void InputPicImageMouseUp(Workspace& ws, Ui& ui, int x, int y)
{
    const bool wasHeld = ws.mouseHeld;
    ws.mouseHeld = false;
    if (ws.aligning) {
        ws.dragAnchor = Point{0, 0};
        ws.viewOrigin = Point{-1, -1};
        return;
    }
    // Only a region drawn by this press is erased: the one drawn last, even
    // if the mouse moved once more before the button came up.
    if (!wasHeld || ws.pictureCount == 0 || !LargerThanWindow(ws)) return;
    ws.viewOrigin = RegionCorner(ws, PicturePoint(ws, x, y));
    InvertRegion(ws, ui, RegionCorner(ws, ws.dragAnchor));
}

}  // namespace quivane
