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
        AddPicture(ws.pictures, frame, ws.enlargement, ws.fullPicture, ws.resultWidth, ws.resultHeight);
    } else {
        // The frame as read stays untouched, so it can be prepared again.
        Bitmap24 corrected = frame;
        CorrectFrame(ws.correction, corrected);
        AddPicture(ws.pictures, corrected, ws.enlargement, ws.fullPicture, ws.resultWidth, ws.resultHeight);
    }
    RenderPicture(ws.pictures.back(), ws.resultView, -1, -1, ModeFullColour, ws.tone);
    ui.showResultView(ws.resultView);
    ShowProgress(ui, index,
                 "Loading pictures [Nr: " + std::to_string(index) + " / Size: " + std::to_string(frame.width()) +
                     " x " + std::to_string(frame.height()) + "]");
}

void AddLoadedFrame(Workspace& ws, Ui& ui, const Bitmap24& frame)
{
    // Preparation never changes the frame it is given, so the first frame is
    // prepared twice from the one read.
    if (ws.framesRead == 0) AddFrame(ws, ui, 0, frame);
    ws.framesRead += 1;
    AddFrame(ws, ui, ws.framesRead, frame);
    ws.pictureCount += 1;
    SetControlRange(ws, ui, ControlId::RegisterSpinEdit, 0, ws.pictureCount);
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, ws.pictureCount);
}

void FinishLoad(Workspace& ws, Ui& ui)
{
    // A load that found no frame leaves an empty list: nothing may act on it.
    if (ws.pictureCount == 0 || ws.pictures.empty()) ws.picturesLoaded = false;
    if (!ws.picturesLoaded) {
        SetBusyControls(ui);
        return;
    }
    SetReadyControls(ui);
    SetAndApplyControl(ws, ui, ControlId::RegisterSpinEdit, 1);
    SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, 1);
}

}  // namespace quivane
