#include "actions/VideoLoad.h"

#include <algorithm>

#include "prepare/FrameCorrection.h"
#include "actions/SeriesLoad.h"
#include "actions/ScopedFlag.h"
#include "acquire/VideoSource.h"
#include "files/FileNames.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
namespace {

void AskForTheVideo(Workspace& ws, Ui& ui)
{
    FileDialogRequest request;
    request.title = "The name of AVI file";
    request.defaultExtension = "avi";
    request.filter = "AVI video (*.avi)|*.AVI";
    request.initialFolder = ws.folders.video;
    const auto path = ui.askOpenFileName(request);
    if (!path) {
        ws.picturesLoaded = false;
        return;
    }
    ws.folders.video = FolderOf(*path);
    ws.loadNames.chosenFile = NameOf(*path);
    ws.loadNames.chosenExtension = UpperCaseExtension(ws.loadNames.chosenFile);
}

// Reads the frames in order; returns a note for the status line when the
// file did not hold what it announced.
std::string ReadVideo(Workspace& ws, Ui& ui, const std::string& path, int count, const std::string& note)
{
    WindowLoadObserver observer(ws, ui);
    (void)TakeAbortRequest(ws);  // an Escape pressed before the load does not count
    SeriesLoadReport report = LoadVideoSeries(path, count, CurrentSeriesSettings(ws), ws.pictures, observer);
    if (report.failure) return ws.loadNames.chosenFile + ": " + *report.failure;
    if (!note.empty()) report.warnings.insert(report.warnings.begin(), note);
    return report.warnings.empty() ? std::string() : ws.loadNames.chosenFile + ": " + JoinedWarnings(report);
}

}  // namespace

void LoadAVIButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    const ScopedFlag running(ws.loadRunning);

    ws.picturesLoaded = true;
    if (ws.firstLoadPending) SyncSettingsFromControls(ws, ui);
    AskForTheVideo(ws, ui);
    if (ws.loadNames.chosenExtension != ".AVI") ws.picturesLoaded = false;

    int progressEnd = 1;
    std::string note;
    if (ws.picturesLoaded) {
        const std::string path = ws.folders.video + ws.loadNames.chosenFile;
        std::string countNote;
        const int count = VideoSource::VideoFrameCount(path, countNote);
        if (count > 0) {
            ClearPictureList(ws);
            ResetWorkspaceSize(ws, ui);
            ws.framesRead = 0;
            if (ws.correction.flags & ShiftFixChosen) ws.correction.flags |= ShiftFixActive;
            progressEnd = count;
            InitProgress(ui, 0, count, 0, "Loading AVI pictures");
            note = ReadVideo(ws, ui, path, count, countNote);
        } else {
            // Refused before anything is destroyed: the series loaded before
            // stays as it was, and the user learns why.
            ws.picturesLoaded = false;
            note = ws.loadNames.chosenFile + " holds no readable video (" + countNote + ")";
        }
    }

    ShowPictureCountCaption(ui, ws.pictureCount, ws.maxPictures);
    InitProgress(ui, 0, progressEnd, 0, "Ready loading pictures");
    if (!note.empty()) ui.setStatusText(note);
    FinishLoad(ws, ui);
}

}  // namespace quivane
