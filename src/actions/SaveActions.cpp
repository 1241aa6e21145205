#include "actions/SaveActions.h"

#include "actions/DialogFolders.h"
#include "actions/ResultViewActions.h"
#include "actions/SaveOptions.h"
#include "pipeline/FineCalculation.h"
#include "pipeline/RunNotes.h"
#include "files/FileNames.h"
#include "image/LevelPicture.h"
#include "output/BmpWriter.h"
#include "output/PictureWriter.h"
#include "output/ResultName.h"
#include "tone/DisplayNotes.h"
#include "tone/FineRender.h"
#include "tone/RenderPicture.h"

namespace quivane {
namespace {

// The rendered result with the fractions the last run gained, for a deeper
// file; the 8-bit rendering itself when there are none to add (nothing was
// calculated since the load, or the result changed in a way the record
// cannot follow).
LevelPicture DeepLevels(Workspace& ws, bool grey)
{
    const Picture& result = ws.pictures.result();
    if (ws.lastRun.valid) {
        const FineRuns runs = EnhanceBoth(ws.lastRun);
        if (auto levels = RenderGained(ws.resultView, runs.fromFractions, runs.fromBytes, ws.lastRun.result,
                                       ws.equalisedSinceRun, result, CurrentRenderFlags(ws), ws.tone)) {
            return std::move(*levels);
        }
    }
    return LevelsOf(ws.resultView, grey);
}

// Renders the result with the display settings and writes it as chosen;
// false (after telling the user) when the file could not be written. The
// status line says where the picture went and as what.
bool WriteResult(Workspace& ws, Ui& ui, SaveChoice choice)
{
    RenderResult(ws);
    const std::string path = ws.folders.result + ws.resultFileName;
    const bool grey = ws.showMode == ModeLuminance && choice.format != PictureFormat::Bmp;
    std::optional<std::string> error;
    if (choice.format == PictureFormat::Bmp) {
        error = WriteBmp(ws.resultView, path);
    } else {
        const bool deep = DepthFor(choice.format, choice.depth) != SampleDepth::Eight;
        PictureNotes notes = DescribeRun(ws.lastRun, InputPictureCount(ws));
        const PictureNotes display = DescribeDisplay(CurrentRenderFlags(ws), ws.tone, ws.equalisedSinceRun);
        notes.insert(notes.end(), display.begin(), display.end());
        error = WritePicture(deep ? DeepLevels(ws, grey) : LevelsOf(ws.resultView, grey), choice, notes, path);
    }
    if (error) {
        ui.setStatusText("Not saved: " + *error);
        ui.showError(*error);
        return false;
    }
    ui.setStatusText("Saved " + path + " (" + DescribeSave(choice, grey) + ")");
    return true;
}

bool HasResult(const Workspace& ws) { return ws.pictureCount != 0 && IsLoadedPicture(ws, 0); }

}  // namespace

void SaveButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    const std::string extension = ExtensionOf(ws.automaticSave.format);
    ws.resultFileName = AutoResultName(ws.saveCounter, extension);
    if (HasResult(ws) && !WriteResult(ws, ui, ws.automaticSave)) return;
    ws.saveCounter += 1;
    ws.resultFileName = AutoResultName(ws.saveCounter, extension);
    ui.setText(TextField::SaveButtonCaption, "&Save  [" + ws.resultFileName + "]");
}

void SaveAsButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    FileDialogRequest request;
    request.title = "Give the filename of the result picture";
    request.fileName = ws.resultFileName;
    request.initialFolder = DialogStartFolder(ws, FileDialogKind::SaveResult);
    request.kind = FileDialogKind::SaveResult;
    request.filter = SaveDialogFilter();
    request.selectedFilter = SaveOptionFor(ws.resultFileName, ws.automaticSave);
    request.defaultExtension =
        ExtensionOf(SaveOptions()[static_cast<std::size_t>(request.selectedFilter)].choice.format);
    const auto chosen = ui.askSaveFileName(request);
    if (!chosen) return;
    ws.resultFileName = NameOf(chosen->path);
    FollowDialogChoice(ws, FileDialogKind::SaveResult, chosen->path);
    if (HasResult(ws) && !WriteResult(ws, ui, ChoiceForSave(chosen->path, chosen->filter))) return;
    ui.setText(TextField::ResultCaption, ws.resultFileName);
}

}  // namespace quivane
