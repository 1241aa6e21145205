#include "actions/BitmapSequenceLoad.h"

#include <algorithm>

#include "actions/BitmapDialog.h"
#include "actions/DialogFolders.h"
#include "prepare/FrameCorrection.h"
#include "actions/SeriesLoad.h"
#include "actions/ScopedFlag.h"
#include "acquire/SequenceNames.h"
#include "files/FileNames.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
namespace {

void AskForTheTwoFiles(Workspace& ws, Ui& ui)
{
    if (auto first = AskBitmapFile(ws, ui, BitmapDialogUse::Sequence, "The name of the FIRST bitmap in the sequence",
                                   FileDialogKind::Bitmaps)) {
        FollowDialogChoice(ws, FileDialogKind::Bitmaps, *first);
        ws.loadNames.chosenFile = NameOf(*first);
        ws.loadNames.chosenExtension = UpperCaseExtension(*first);
    } else {
        ws.picturesLoaded = false;
    }
    // An earlier load's extension still counts when this dialog was cancelled.
    if (!IsPictureExtension(ws.loadNames.chosenExtension)) return;
    if (auto last = AskBitmapFile(ws, ui, BitmapDialogUse::Sequence, "The name of the LAST bitmap in the sequence",
                                  FileDialogKind::Bitmaps)) {
        ws.loadNames.lastFile = NameOf(*last);
    } else {
        ws.picturesLoaded = false;
    }
}

// Returns the load's warnings for the status line.
std::string ReadSequence(Workspace& ws, Ui& ui, const SequenceNames& names)
{
    const std::string extension = ws.loadNames.chosenExtension;
    ClearPictureList(ws);
    ResetWorkspaceSize(ws, ui);
    ws.framesRead = 0;
    if (ws.correction.flags & ShiftFixChosen) ws.correction.flags &= ~ShiftFixActive;  // the fix is for videos only
    InitProgress(ui, 0, ws.maxPictures, 0, "Loading BMP pictures");
    (void)TakeAbortRequest(ws);  // an Escape pressed before the load does not count

    WindowLoadObserver observer(ws, ui);
    const SeriesSettings settings = CurrentSeriesSettings(ws);
    ws.loadedSource = LoadedSource{LoadedSource::Kind::Bitmaps, ws.folders.picture, names, extension, {}, settings};
    ws.selection.keepApplied = false;
    const SeriesLoadReport report =
        LoadBitmapSeries(ws.folders.picture, names, extension, settings, ws.pictures, observer);
    observer.ShowLast();
    if (report.failure) ui.showError(*report.failure);
    return JoinedWarnings(report);
}

}  // namespace

void LoadBMPButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    const ScopedFlag running(ws.loadRunning);

    ws.picturesLoaded = true;
    ws.loadNames.chosenFile.clear();
    ws.loadNames.lastFile.clear();
    if (ws.firstLoadPending) SyncSettingsFromControls(ws, ui);

    AskForTheTwoFiles(ws, ui);
    const std::string& held = ws.bitmapDialog.heldFile;
    const BitmapPairCheck check =
        CheckBitmapPair(BitmapPair{ws.folders.picture, held.empty() ? std::string() : FolderOf(held),
                                   ws.loadNames.chosenFile, ws.loadNames.lastFile, ws.loadNames.chosenExtension});
    for (const std::string& message : check.messages) ui.showError(message);
    if (!check.accepted) ws.picturesLoaded = false;
    std::string warnings;
    if (ws.picturesLoaded && check.names) warnings = ReadSequence(ws, ui, *check.names);

    ShowPictureCountCaption(ui, ws.pictureCount, ws.maxPictures);
    InitProgress(ui, 0, 1, 0, "Ready loading pictures");
    if (!warnings.empty()) ui.setStatusText(warnings);
    FinishLoad(ws, ui);
}

}  // namespace quivane
