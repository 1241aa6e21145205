#include "actions/SeriesLoad.h"

#include "actions/ControlHandlers.h"
#include "actions/WorkspaceActions.h"
#include "tone/RenderPicture.h"

namespace quivane {

SeriesSettings CurrentSeriesSettings(const Workspace& ws)
{
    SeriesSettings s;
    s.enlargement = ws.enlargement;
    s.fullPicture = ws.fullPicture;
    s.width = ws.resultWidth;
    s.height = ws.resultHeight;
    s.maxPictures = ws.maxPictures;
    s.correction = ws.correction;
    s.bayer = ws.bayer;
    s.work = ws.selection.scoreWhileLoading ? SeriesWork::PicturesAndScores : SeriesWork::Pictures;
    return s;
}

bool WindowLoadObserver::Due()
{
    const auto now = std::chrono::steady_clock::now();
    drawing_ = !lastDrawn_ || now - *lastDrawn_ >= interval_;
    if (drawing_) {
        lastDrawn_ = now;
        held_ = Held::Nothing;
    }
    return drawing_;
}

void WindowLoadObserver::preparing(int, const ColourRows& frame)
{
    if (Due()) {
        ShowColour(frame);
        return;
    }
    loadColour_ = frame;
    held_ = Held::Colour;
    copied_ = false;
}

void WindowLoadObserver::prepared(int index, const ColourRows& frame, const Picture& picture)
{
    ShowPrepared(index, frame.width(), frame.height(), picture);
}

// The rows may lie in a decoder's memory, padded or bottom-up: the window is
// given a bitmap of them.
void WindowLoadObserver::ShowColour(const ColourRows& frame)
{
    frame.copyInto(heldColour_);
    ui_.showInputView(heldColour_);
}

void WindowLoadObserver::ShowGrey(const GreyRows& frame)
{
    GreyAsColourInto(frame, heldColour_);
    ui_.showInputView(heldColour_);
}

void WindowLoadObserver::preparingGrey(int, const GreyRows& frame)
{
    if (Due()) {
        ShowGrey(frame);
        return;
    }
    loadGrey_ = frame;
    held_ = Held::Grey;
    copied_ = false;
}

void WindowLoadObserver::preparedGrey(int index, const GreyRows& frame, const Picture& picture)
{
    ShowPrepared(index, frame.width(), frame.height(), picture);
}

void WindowLoadObserver::ShowPrepared(int index, int frameWidth, int frameHeight, const Picture& picture)
{
    if (drawing_) {
        RenderPicture(picture, ws_.resultView, -1, -1, ModeFullColour, ws_.tone);
        ui_.showResultView(ws_.resultView);
    }
    ShowProgress(ui_, index,
                 "Loading pictures [Nr: " + std::to_string(index) + " / Size: " + std::to_string(frameWidth) + " x " +
                     std::to_string(frameHeight) + "]");
}

void WindowLoadObserver::ending()
{
    // The storage is reused from load to load: a copy, not a drawing.
    if (held_ == Held::Colour) loadColour_.copyInto(heldColour_);
    if (held_ == Held::Grey) loadGrey_.copyInto(heldGrey_);
    copied_ = true;
}

void WindowLoadObserver::ShowLast()
{
    // A load that ended by an exception never said so, and its frames are gone.
    if (held_ == Held::Nothing || !copied_) return;
    if (held_ == Held::Colour) ui_.showInputView(heldColour_);
    if (held_ == Held::Grey) ShowGrey(heldGrey_);
    // The series only grows during a load, so the picture is its last input
    // (or the result, before the first input).
    if (!ws_.pictures.empty()) {
        RenderPicture(ws_.pictures.at(ws_.pictures.inputCount()), ws_.resultView, -1, -1, ModeFullColour, ws_.tone);
        ui_.showResultView(ws_.resultView);
    }
    held_ = Held::Nothing;
}

void WindowLoadObserver::counted(int count)
{
    ws_.framesRead = count;
    ws_.pictureCount = count;
    SetControlRange(ws_, ui_, ControlId::RegisterSpinEdit, 0, ws_.pictureCount);
    SetControlRange(ws_, ui_, ControlId::DataPicNrSpinEdit, 1, ws_.pictureCount);
}

void WindowLoadObserver::paused() { ui_.processEvents(); }

bool WindowLoadObserver::stopRequested() { return TakeAbortRequest(ws_); }

void FinishLoad(Workspace& ws, Ui& ui)
{
    // A load that found no frame leaves an empty list: nothing may act on it.
    if (ws.pictureCount == 0 || ws.pictures.empty()) ws.picturesLoaded = false;
    ui.showSelection();
    if (!ws.picturesLoaded) {
        SetBusyControls(ui);
        return;
    }
    SetReadyControls(ui);
    SetAndApplyControl(ws, ui, ControlId::RegisterSpinEdit, 1);
    SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, 1);
}

}  // namespace quivane
