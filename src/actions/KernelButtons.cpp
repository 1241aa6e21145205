#include "actions/KernelButtons.h"

#include <variant>

#include "actions/BitmapDialog.h"
#include "actions/DialogFolders.h"
#include "acquire/BmpReader.h"
#include "files/FileNames.h"

namespace quivane {

const Bitmap24& AskPSFBitmap(Workspace& ws, Ui& ui, int kind)
{
    if (const auto path = AskBitmapFile(ws, ui, BitmapDialogUse::KernelOrCorrection, "The name of the PSF bitmap",
                                        FileDialogKind::Kernel)) {
        ws.kernelFileName = NameOf(*path);
        FollowDialogChoice(ws, FileDialogKind::Kernel, *path);
        auto picture = ReadBmp(*path);
        if (const auto* failure = std::get_if<ReadFailure>(&picture)) {
            // Nothing changes but the folder the next dialog opens in.
            ui.showError(failure->message);
            return ws.kernelBitmap;
        }
        ws.kernelBitmap = std::move(std::get<Bitmap24>(picture));
    }
    const std::string message = LoadPSF(ws.kernelBitmap, kind, ws.kernels);
    ui.setStatusText(message);
    if (ws.kernelBitmap.empty() || message.find("rror") != std::string::npos) MakeDefaultPSFBitmap(ws.kernelBitmap);
    return ws.kernelBitmap;
}

}  // namespace quivane
