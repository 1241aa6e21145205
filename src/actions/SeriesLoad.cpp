#include "actions/SeriesLoad.h"

#include <algorithm>

#include "prepare/FrameCorrection.h"
#include "actions/PictureBrowsing.h"
#include "prepare/FramePreparation.h"
#include "tone/RenderPicture.h"
#include "actions/ControlHandlers.h"
#include "actions/WorkspaceActions.h"

namespace quivane {

void AddFrame(Workspace& ws, Ui& ui, int index, const Bitmap24& frame)
{
    ui.showInputView(frame);
    if (ws.correction.flags == 0) {
        AddPicture(ws.pictures, frame, ws.Enlargement, ws.FullPicture, ws.ResultWidth, ws.ResultHeight);
    } else {
        // The frame as read stays untouched, so it can be prepared again.
        Bitmap24 corrected = frame;
        CorrectFrame(ws.correction, corrected);
        AddPicture(ws.pictures, corrected, ws.Enlargement, ws.FullPicture, ws.ResultWidth, ws.ResultHeight);
    }
    RenderPicture(ws.pictures.back(), ws.ResultView, -1, -1, ModeFullColour, ws.tone);
    ui.showResultView(ws.ResultView);
    ShowProgress(ui, index,
                 "Loading pictures [Nr: " + std::to_string(index) + " / Size: " + std::to_string(frame.width()) +
                     " x " + std::to_string(frame.height()) + "]");
}

void AddLoadedFrame(Workspace& ws, Ui& ui, const Bitmap24& frame)
{
    // Preparation never changes the frame it is given, so the first frame is
    // prepared twice from the one read.
    if (ws.FramesRead == 0) AddFrame(ws, ui, 0, frame);
    ws.FramesRead += 1;
    AddFrame(ws, ui, ws.FramesRead, frame);
    ws.PictureCount += 1;
    SetControlRange(ws, ui, ControlId::RegisterSpinEdit, 0, ws.PictureCount);
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, ws.PictureCount);
}

void FinishLoad(Workspace& ws, Ui& ui)
{
    // A load that found no frame leaves an empty list: nothing may act on it.
    if (ws.PictureCount == 0 || ws.pictures.empty()) ws.PicturesLoaded = false;
    if (!ws.PicturesLoaded) {
        SetBusyControls(ui);
        return;
    }
    SetReadyControls(ui);
    SetAndApplyControl(ws, ui, ControlId::RegisterSpinEdit, 1);
    SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, 1);
}

}  // namespace quivane
