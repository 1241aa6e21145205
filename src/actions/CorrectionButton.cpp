#include "actions/CorrectionButton.h"

#include <variant>

#include "actions/BitmapDialog.h"
#include "actions/DialogFolders.h"
#include "acquire/PictureFile.h"
#include "prepare/FrameCorrection.h"

namespace quivane {
namespace {

struct CorrectionDialog {
    CorrectionFlag kind;
    const char* title;
    const char* loaded;  // the status text once read
};

constexpr CorrectionDialog Dialogs[] = {
    {CorrectFlatField, "Give the name of the Flatfield", "Flatfield loaded"},
    {CorrectDarkFrame, "Give the name of the Darkframe", "Darkfield loaded"},
    {ShiftFixChosen, "Load any bitmap in order to correct a shifted AVI video", "AVI video will be corrected"},
};

enum class Answer { Cancelled, Loaded, Unreadable };

Answer AskCorrectionBitmap(Workspace& ws, Ui& ui, const CorrectionDialog& dialog)
{
    const auto path =
        AskBitmapFile(ws, ui, BitmapDialogUse::KernelOrCorrection, dialog.title, FileDialogKind::Correction);
    if (!path) return Answer::Cancelled;
    FollowDialogChoice(ws, FileDialogKind::Correction, *path);
    auto picture = ReadPictureFile(*path);
    if (const auto* failure = std::get_if<ReadFailure>(&picture)) {
        ui.showError(failure->message);
        return Answer::Unreadable;
    }
    // The shift fix only needs a file to be chosen; its pixels are not used.
    if (dialog.kind != ShiftFixChosen)
        SetCorrectionFrame(ws.correction, dialog.kind, std::get<DeepFrame>(picture));
    ui.setStatusText(dialog.loaded);
    return Answer::Loaded;
}

}  // namespace

void LoadCorrectionBMPbuttonClick(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws)) return;
    CorrectionState& correction = ws.correction;
    correction.flags = 0;
    for (const CorrectionDialog& dialog : Dialogs) {
        const Answer answer = AskCorrectionBitmap(ws, ui, dialog);
        if (answer == Answer::Loaded) correction.flags += dialog.kind;
        // After an unreadable file the later dialogs are not asked, but what
        // was read is finished below, so a flat field is never used with a
        // stale mean or without its dark frame subtracted.
        if (answer == Answer::Unreadable) break;
    }
    FinishCorrection(correction);
    ui.showCorrectionActive(correction.flags != 0);
}

}  // namespace quivane
