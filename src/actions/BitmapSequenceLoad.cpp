#include "actions/BitmapSequenceLoad.h"

#include <algorithm>

#include "actions/BitmapDialog.h"
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
                                   ws.folders.picture)) {
        ws.folders.picture = FolderOf(*first);
        ws.loadNames.chosenFile = NameOf(*first);
        ws.loadNames.chosenExtension = UpperCaseExtension(*first);
    } else {
        ws.picturesLoaded = false;
    }
    // An earlier load's extension still counts when this dialog was cancelled.
    if (ws.loadNames.chosenExtension != ".BMP") return;
    if (auto last = AskBitmapFile(ws, ui, BitmapDialogUse::Sequence, "The name of the LAST bitmap in the sequence",
                                  ws.folders.picture)) {
        ws.loadNames.lastFile = NameOf(*last);
    } else {
        ws.picturesLoaded = false;
    }
}

// Every failing check is shown, one after the other.
void CheckTheTwoFiles(Workspace& ws, Ui& ui)
{
    auto refuse = [&](const char* message) {
        ui.showError(message);
        ws.picturesLoaded = false;
    };
    const std::string& held = ws.bitmapDialog.heldFile;
    if (!held.empty() && FolderOf(held) != ws.folders.picture)
        refuse("The directory of both first and last picture must match");
    if (ws.loadNames.chosenFile.empty() || ws.loadNames.lastFile.empty()) refuse("You have to supply two pictures");
    if (UpperCase(ws.loadNames.chosenFile) == UpperCase(ws.loadNames.lastFile))
        refuse("The names of first and last picture cannot be the same");
    if (ws.loadNames.chosenExtension != ".AVI" && ws.loadNames.chosenExtension != ".BMP") ws.picturesLoaded = false;
}

void ReadSequence(Workspace& ws, Ui& ui, const SequenceNames& names)
{
    const std::string extension = ws.loadNames.chosenExtension;
    ClearPictureList(ws);
    ResetWorkspaceSize(ws, ui);
    ws.framesRead = 0;
    if (ws.correction.flags & ShiftFixChosen) ws.correction.flags &= ~ShiftFixActive;  // the fix is for videos only
    InitProgress(ui, 0, ws.maxPictures, 0, "Loading BMP pictures");
    (void)TakeAbortRequest(ws);  // an Escape pressed before the load does not count

    WindowLoadObserver observer(ws, ui);
    if (const auto failure = LoadBitmapSeries(ws.folders.picture, names, extension, CurrentSeriesSettings(ws),
                                              ws.pictures, observer)) {
        ui.showError(*failure);
    }
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
    CheckTheTwoFiles(ws, ui);

    if (ws.picturesLoaded && ws.loadNames.chosenExtension == ".BMP") {
        const auto names = SplitSequenceNames(ws.loadNames.chosenFile, ws.loadNames.lastFile);
        if (!names) {
            ws.picturesLoaded = false;
        } else if (names->numberText.empty()) {
            // Without a number the name never changes: the same file would be read over and over.
            ui.showError("The names of first and last picture must differ in a number before the extension");
            ws.picturesLoaded = false;
        } else {
            ReadSequence(ws, ui, *names);
        }
    }

    ShowPictureCountCaption(ui, ws.pictureCount, ws.maxPictures);
    InitProgress(ui, 0, 1, 0, "Ready loading pictures");
    FinishLoad(ws, ui);
}

}  // namespace quivane
