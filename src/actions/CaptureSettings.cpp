#include "actions/CaptureSettings.h"

#include <algorithm>

#include "actions/WorkspaceActions.h"
#include "image/PictureMemory.h"

namespace quivane {

void SetBayerChoice(Workspace& ws, Ui& ui, BayerChoice choice)
{
    ws.bayer = choice;
    static const char* const names[] = {"as the file says", "none (grey)", "RGGB", "GRBG", "GBRG", "BGGR"};
    ui.setStatusText(std::string("Colour mosaic for the next load: ") + names[static_cast<int>(choice)]);
}

void SetPictureMemory(Workspace& ws, Ui& ui, int memoryMiB)
{
    ws.pictureMemoryMiB = std::clamp(memoryMiB, DefaultPictureMemoryMiB, MachineMemoryMiB());
    ws.maxPictures = ComputeMaxPictures(ws.resultWidth, ws.resultHeight, ws.pictureMemoryMiB);
    ShowPictureCountCaption(ui, ws.pictureCount, ws.maxPictures);
    ui.setStatusText("Picture memory " + std::to_string(ws.pictureMemoryMiB) + " MiB: up to " +
                     std::to_string(ws.maxPictures) + " pictures");
}

}  // namespace quivane
