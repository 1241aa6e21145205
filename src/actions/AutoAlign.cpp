#include "actions/AutoAlign.h"

#include <chrono>
#include <string>

#include "actions/WorkspaceActions.h"
#include "align/ComparisonOverlay.h"
#include "align/OffsetSearch.h"
#include "tone/RenderPicture.h"

namespace quivane {
namespace {

// The input box during the search: the picture at the offset it keeps, in
// black and white, recoloured against the reference.
void ShowSearchedPicture(Workspace& ws, Ui& ui, int n)
{
    Bitmap24 view(ws.inputWindowSize.x, ws.inputWindowSize.y);
    RenderPicture(ws.pictures.at(n), view, ws.viewOrigin.x, ws.viewOrigin.y, ModeLuminance,
                  ws.tone);
    (void)DrawComparisonOverlay(ws.pictures.at(ws.referencePicture), view, ws.viewOrigin.x,
                                ws.viewOrigin.y, OverlayStyle::TwoTone);
    ui.showInputView(view);
}

}  // namespace

AlignmentSettings CurrentAlignmentSettings(const Workspace& ws)
{
    AlignmentSettings settings;
    settings.reference = ws.referencePicture;
    settings.region = ComparedRegion{ws.inputWindowSize.x, ws.inputWindowSize.y, ws.viewOrigin.x, ws.viewOrigin.y};
    settings.saturation = ws.tone.saturation;
    // The search reads the spin edit, not the enlargement the pictures were made with.
    settings.enlargement = ws.controls.value(ControlId::ResampleSpinEdit);
    return settings;
}

void AutoAlign(Workspace& ws, Ui& ui)
{
    ws.displayedPicture = ws.controls.value(ControlId::DataPicNrSpinEdit);
    const int count = InputPictureCount(ws);
    // A search takes a fraction of a millisecond; drawing the searched
    // picture takes longer. It is drawn at screen rate, and always for the
    // picture the run ends on. Status and events still go per picture.
    constexpr auto frameInterval = std::chrono::milliseconds(40);
    auto lastShown = std::chrono::steady_clock::now() - frameInterval;
    AlignSeries(ws.pictures, count, CurrentAlignmentSettings(ws),
                [&](int n, const SearchBest& best, long long score) {
                    const auto now = std::chrono::steady_clock::now();
                    const bool due = now - lastShown >= frameInterval;
                    if (due) {
                        ShowSearchedPicture(ws, ui, n);
                        lastShown = now;
                    }
                    ShowProgress(ui, n,
                                 "Automatic alignment of picture " + std::to_string(ws.referencePicture) +
                                     " with nr. " + std::to_string(n) + ", Dx,Dy= (" + std::to_string(best.x) +
                                     ", " + std::to_string(best.y) + "), Value =[" + std::to_string(score) + "]");
                    ui.processEvents();
                    // Stop, run from the pump, clears aligning.
                    const bool goOn = ws.aligning && !TakeAbortRequest(ws);
                    if (!due && (!goOn || n == count)) ShowSearchedPicture(ws, ui, n);
                    return goOn;
                });
    // A search that did not settle marked its picture Dont.
    ui.showSelection();
}

}  // namespace quivane
