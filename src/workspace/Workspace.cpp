#include "workspace/Workspace.h"

#include "output/ResultName.h"

namespace quivane {
namespace {

std::string WithSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

Workspace::Workspace(const std::string& programFolder) : resultFileName(AutoResultName(0))
{
    folders.program = WithSeparator(programFolder);
    folders.psf = folders.program + "PSF/";
    folders.picture = folders.program + "Pictures/";
    folders.video = folders.program + "Videos/";
    folders.result = folders.program + "Result/";
}

void ClearPictureList(Workspace& ws)
{
    ws.pictures.clear();
    ws.localPlan = LocalPlan{};
    ws.pictureCount = 0;
    ws.framesRead = 0;
    // The result picture goes with the list, and what was kept of its run.
    ws.lastRun = CalculationRecord{};
    ws.equalisedSinceRun.clear();
}

}  // namespace quivane
