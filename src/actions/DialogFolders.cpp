#include "actions/DialogFolders.h"

#include <filesystem>
#include <system_error>

#include "files/FileNames.h"

namespace quivane {
namespace {

// Kernels and lookup tables share one working folder, and so do the
// correction files and the saved results: a choice in one moves the other.
std::string Folders::*WorkingFolderOf(FileDialogKind kind)
{
    switch (kind) {
    case FileDialogKind::Bitmaps: return &Folders::picture;
    case FileDialogKind::Video: return &Folders::video;
    case FileDialogKind::Kernel:
    case FileDialogKind::LookupTable: return &Folders::psf;
    case FileDialogKind::Correction:
    case FileDialogKind::SaveResult: return &Folders::result;
    }
    return &Folders::program;
}

std::size_t Index(FileDialogKind kind) { return static_cast<std::size_t>(kind); }

bool WorkingFolderMoved(const Workspace& ws, FileDialogKind kind)
{
    for (std::size_t other = 0; other < FileDialogKindCount; ++other) {
        if (ws.dialogFolders.chosen[other] &&
            WorkingFolderOf(static_cast<FileDialogKind>(other)) == WorkingFolderOf(kind))
            return true;
    }
    return false;
}

}  // namespace

std::string DialogStartFolder(const Workspace& ws, FileDialogKind kind)
{
    const std::string& remembered = ws.dialogFolders.remembered[Index(kind)];
    std::error_code error;
    if (!remembered.empty() && !WorkingFolderMoved(ws, kind) && std::filesystem::is_directory(remembered, error))
        return remembered;
    return ws.folders.*WorkingFolderOf(kind);
}

void FollowDialogChoice(Workspace& ws, FileDialogKind kind, const std::string& path)
{
    const std::string folder = FolderOf(path);
    ws.folders.*WorkingFolderOf(kind) = folder;
    ws.dialogFolders.remembered[Index(kind)] = folder;
    ws.dialogFolders.chosen[Index(kind)] = true;
}

}  // namespace quivane
