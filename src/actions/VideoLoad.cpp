#include "actions/VideoLoad.h"

#include <algorithm>

#include "prepare/FrameCorrection.h"
#include "actions/DialogFolders.h"
#include "actions/SeriesLoad.h"
#include "actions/ScopedFlag.h"
#include "acquire/CaptureFile.h"
#include "pipeline/SeriesLoading.h"
#include "files/FileNames.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
namespace {

void AskForTheVideo(Workspace& ws, Ui& ui)
{
    FileDialogRequest request;
    request.title = "The name of AVI file";
    request.defaultExtension = "avi";
    // Opened by content: any of these, or a file of another name.
    request.filter = "Videos (*.avi;*.ser;*.mp4;*.mov;*.mkv)|*.avi;*.ser;*.mp4;*.mov;*.mkv|All files (*)|*";
    request.initialFolder = DialogStartFolder(ws, FileDialogKind::Video);
    request.kind = FileDialogKind::Video;
    const auto path = ui.askOpenFileName(request);
    if (!path) {
        ws.picturesLoaded = false;
        return;
    }
    FollowDialogChoice(ws, FileDialogKind::Video, *path);
    ws.loadNames.chosenFile = NameOf(*path);
    ws.loadNames.chosenExtension = UpperCaseExtension(ws.loadNames.chosenFile);
}

// Reads the frames in order; returns a note for the status line when the
// file did not hold what it announced or frames were left out.
std::string ReadVideo(Workspace& ws, Ui& ui, CaptureFile& capture)
{
    WindowLoadObserver observer(ws, ui);
    (void)TakeAbortRequest(ws);  // an Escape pressed before the load does not count
    const SeriesSettings settings = CurrentSeriesSettings(ws);
    ws.loadedSource =
        LoadedSource{LoadedSource::Kind::Capture, {}, {}, {}, ws.folders.video + ws.loadNames.chosenFile, settings};
    ws.selection.keepApplied = false;
    SeriesLoadReport report = LoadCaptureSeries(capture, settings, ws.pictures, observer);
    observer.ShowLast();
    if (report.failure) return ws.loadNames.chosenFile + ": " + *report.failure;
    if (!capture.note().empty()) report.warnings.insert(report.warnings.begin(), capture.note());
    return report.warnings.empty() ? std::string() : ws.loadNames.chosenFile + ": " + JoinedWarnings(report);
}

}  // namespace

void LoadAVIButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    const ScopedFlag running(ws.loadRunning);

    const bool seriesBefore = ws.picturesLoaded;
    ws.picturesLoaded = true;
    if (ws.firstLoadPending) SyncSettingsFromControls(ws, ui);
    AskForTheVideo(ws, ui);

    int progressEnd = 1;
    std::string note;
    bool refused = false;
    if (ws.picturesLoaded) {
        const std::string path = ws.folders.video + ws.loadNames.chosenFile;
        auto opened = CaptureFile::Open(path);
        if (auto* capture = std::get_if<CaptureFile>(&opened)) {
            ClearPictureList(ws);
            ResetWorkspaceSize(ws, ui);
            ws.framesRead = 0;
            if (ws.correction.flags & ShiftFixChosen) ws.correction.flags |= ShiftFixActive;
            progressEnd = capture->frameCount();
            InitProgress(ui, 0, progressEnd, 0, "Loading AVI pictures");
            note = ReadVideo(ws, ui, *capture);
        } else {
            // Refused before anything is destroyed: the series loaded before
            // stays, usable as it was, and the user learns why.
            ws.picturesLoaded = seriesBefore;
            note = ws.loadNames.chosenFile + " holds no readable video (" + std::get<std::string>(opened) + ")";
            refused = true;
        }
    }

    ShowPictureCountCaption(ui, ws.pictureCount, ws.maxPictures);
    InitProgress(ui, 0, progressEnd, 0, "Ready loading pictures");
    if (!note.empty()) ui.setStatusText(note);
    FinishLoad(ws, ui);
    // Said in a message too: a refusal must not pass unseen in the status line.
    if (refused) ui.showError(note);
}

}  // namespace quivane
