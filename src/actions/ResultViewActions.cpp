#include "actions/ResultViewActions.h"

#include "tone/Clahe.h"
#include "tone/LookupTableFile.h"
#include "tone/RenderPicture.h"
#include "actions/ControlHandlers.h"
#include "actions/DialogFolders.h"

namespace quivane {

int CurrentRenderFlags(const Workspace& ws)
{
    return ws.showMode + (ws.biasGainOn ? FlagBiasGain : 0) +
           (ws.map0255On ? FlagMap0255 : 0) + (ws.lookupTableOn ? FlagLookupTable : 0);
}

void RenderResult(Workspace& ws)
{
    Picture& result = ws.pictures.result();
    // Equalising changes the result picture itself, once per request; a deep
    // save redoes it on the fractions, so it is noted.
    if (ws.claheOn) {
        ws.equalisedSinceRun.push_back(ClaheStep{ws.tone.clipFactor, result.dx, result.dy});
        ApplyClahe(result, ws.tone.clipFactor);
    }
    RenderPicture(result, ws.resultView, -1, -1, CurrentRenderFlags(ws), ws.tone);
}

void RefreshResultView(Workspace& ws, Ui& ui)
{
    if (ws.pictureCount != 0 && IsLoadedPicture(ws, 0)) {
        RenderResult(ws);
        ui.showResultView(ws.resultView);
    }
    ws.claheOn = false;
    ShowControlValue(ws, ui, ControlId::CLAHECheckBox, 0);
}

void LUTButtonClick(Workspace& ws, Ui& ui)
{
    for (int i = 0; i < 256; ++i) ws.tone.lookupTable[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    FileDialogRequest request;
    request.title = "Load a mapping table";
    request.defaultExtension = "lut";
    request.filter = "Mapping tables (*.lut)|*.LUT";
    request.initialFolder = DialogStartFolder(ws, FileDialogKind::LookupTable);
    request.kind = FileDialogKind::LookupTable;
    if (const auto path = ui.askOpenFileName(request)) {
        FollowDialogChoice(ws, FileDialogKind::LookupTable, *path);
        if (const auto error = ReadLookupTable(*path, ws.tone.lookupTable)) {
            ui.showError(*error);  // the view keeps showing the previous table's effect
            return;
        }
    }
    RefreshResultView(ws, ui);
}

}  // namespace quivane
