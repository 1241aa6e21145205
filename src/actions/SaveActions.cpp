#include "actions/SaveActions.h"

#include "output/BmpWriter.h"
#include "output/ResultName.h"
#include "actions/ResultViewActions.h"
#include "files/FileNames.h"

namespace quivane {
namespace {

// Renders the result with the display settings and writes it; false (after
// telling the user) when the file could not be written.
bool WriteResult(Workspace& ws, Ui& ui)
{
    RenderResult(ws);
    if (const auto error = WriteBmp(ws.resultView, ws.folders.result + ws.resultFileName)) {
        ui.showError(*error);
        return false;
    }
    return true;
}

bool HasResult(const Workspace& ws) { return ws.pictureCount != 0 && IsLoadedPicture(ws, 0); }

}  // namespace

void SaveButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    ws.resultFileName = AutoResultName(ws.saveCounter);
    if (HasResult(ws) && !WriteResult(ws, ui)) return;
    ws.saveCounter += 1;
    ws.resultFileName = AutoResultName(ws.saveCounter);
    ui.setText(TextField::SaveButtonCaption, "&Save  [" + ws.resultFileName + "]");
}

void SaveAsButtonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    FileDialogRequest request;
    request.title = "Give the filename of the result picture";
    request.fileName = ws.resultFileName;
    request.initialFolder = ws.folders.result;
    request.filter = "Bitmaps (*.bmp)|*.bmp";
    request.defaultExtension = "bmp";
    const auto path = ui.askSaveFileName(request);
    if (!path) return;
    ws.resultFileName = NameOf(*path);
    ws.folders.result = FolderOf(*path);
    if (HasResult(ws) && !WriteResult(ws, ui)) return;
    ui.setText(TextField::ResultCaption, ws.resultFileName);
}

}  // namespace quivane
