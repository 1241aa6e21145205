#include "actions/BitmapDialog.h"

#include "acquire/SequenceNames.h"
#include "actions/DialogFolders.h"

namespace quivane {

std::optional<std::string> AskBitmapFile(Workspace& ws, Ui& ui, BitmapDialogUse use, const std::string& title,
                                         FileDialogKind kind)
{
    FileDialogRequest request;
    request.title = title;
    request.initialFolder = DialogStartFolder(ws, kind);
    request.kind = kind;
    if (use == BitmapDialogUse::KernelOrCorrection) {
        ws.bitmapDialog.windowsFilter = true;
        request.defaultExtension = "bmp";
        request.preview = true;
    }
    request.filter = ws.bitmapDialog.windowsFilter ? "Windows bitmaps (*.bmp)|*.BMP" : "Bitmaps (*.bmp)|*.bmp";
    // Series, flats and darks may come in any of these formats, at any depth.
    request.filter +=
        "|Pictures (*.bmp;*.png;*.tif;*.tiff;*.jpg;*.jpeg;*.fit;*.fits;*.fts)"
        "|*.bmp;*.png;*.tif;*.tiff;*.jpg;*.jpeg;*.fit;*.fits;*.fts|All files (*)|*";
    // A series of another format opens on the filter that lists it: the
    // last file of a PNG series must be visible to be chosen at all.
    const std::string& extension = ws.loadNames.chosenExtension;
    if (use == BitmapDialogUse::Sequence && extension != ".BMP" && IsPictureExtension(extension))
        request.selectedFilter = 1;
    auto path = ui.askOpenFileName(request);
    if (path) ws.bitmapDialog.heldFile = *path;
    return path;
}

}  // namespace quivane
