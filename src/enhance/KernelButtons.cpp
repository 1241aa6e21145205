#include "enhance/KernelButtons.h"

#include <variant>

#include "acquire/BmpReader.h"

namespace quivane {

const Bitmap24& AskPSFBitmap(Workspace& ws, Ui& ui, int kind)
{
    FileDialogRequest request;
    request.title = "The name of the PSF bitmap";
    request.filter = "Windows bitmaps (*.bmp)|*.BMP";
    request.defaultExtension = "bmp";
    request.initialFolder = ws.folders.psf;
    request.preview = true;
    ws.bitmapDialog.windowsFilter = true;
    if (const auto path = ui.askOpenFileName(request)) {
        ws.bitmapDialog.heldFile = *path;
        const std::size_t slash = path->rfind('/');
        ws.PSFFileName = path->substr(slash + 1);
        ws.folders.psf = path->substr(0, slash + 1);
        auto picture = ReadBmp(*path);
        if (const auto* failure = std::get_if<ReadFailure>(&picture)) {
            // Nothing changes but the folder the next dialog opens in.
            ui.showError(failure->message);
            return ws.PSFBitmap;
        }
        ws.PSFBitmap = std::move(std::get<Bitmap24>(picture));
    }
    const std::string message = LoadPSF(ws.PSFBitmap, kind, ws.kernels);
    ui.setStatusText(message);
    if (ws.PSFBitmap.empty() || message.find("rror") != std::string::npos) MakeDefaultPSFBitmap(ws.PSFBitmap);
    return ws.PSFBitmap;
}

}  // namespace quivane
