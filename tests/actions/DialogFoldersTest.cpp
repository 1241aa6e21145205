#include <gtest/gtest.h>

#include <fstream>

#include "actions/DialogFolders.h"
#include "actions/ResultViewActions.h"
#include "actions/SaveActions.h"
#include "actions/VideoLoad.h"
#include "support/StartedWorkspace.h"

namespace quivane {
namespace {

class DialogFoldersTest : public testing::StartedWorkspace {
protected:
    DialogFoldersTest() : StartedWorkspace("dialog_folders") {}

    // A folder that exists, as a dialog's folder is written: with its separator.
    std::string Made(const std::string& name)
    {
        std::filesystem::create_directories(folder / name);
        return (folder / name).string() + "/";
    }
    std::string& Remembered(FileDialogKind kind) { return ws.dialogFolders.remembered[static_cast<std::size_t>(kind)]; }
};

TEST_F(DialogFoldersTest, WithNothingRememberedEachDialogOpensInItsWorkingFolder)
{
    ui.dialogAnswers = {std::nullopt, std::nullopt, std::nullopt};
    LUTButtonClick(ws, ui);
    SaveAsButtonClick(ws, ui);
    LoadAVIButtonClick(ws, ui);
    ASSERT_EQ(ui.dialogsAsked.size(), 3u);
    EXPECT_EQ(ui.dialogsAsked[0].initialFolder, "/opt/quivane/PSF/");
    EXPECT_EQ(ui.dialogsAsked[0].kind, FileDialogKind::LookupTable);
    EXPECT_EQ(ui.dialogsAsked[1].initialFolder, "/opt/quivane/Result/");
    EXPECT_EQ(ui.dialogsAsked[1].kind, FileDialogKind::SaveResult);
    EXPECT_EQ(ui.dialogsAsked[2].initialFolder, "/opt/quivane/Videos/");
    EXPECT_EQ(ui.dialogsAsked[2].kind, FileDialogKind::Video);
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Bitmaps), "/opt/quivane/Pictures/");
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Kernel), "/opt/quivane/PSF/");
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Correction), "/opt/quivane/Result/");
}

TEST_F(DialogFoldersTest, ARememberedFolderServesUntilThisRunMovesTheWorkingFolder)
{
    const std::string kernels = Made("kernels"), tables = Made("tables"), videos = Made("videos"),
                      results = Made("results"), chosen = Made("chosen");
    Remembered(FileDialogKind::Kernel) = kernels;
    Remembered(FileDialogKind::LookupTable) = tables;
    Remembered(FileDialogKind::Video) = videos;
    Remembered(FileDialogKind::SaveResult) = results;
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Kernel), kernels);
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Correction), "/opt/quivane/Result/") << "never used";
    // A remembered folder only opens a dialog: "&Save" still writes where it
    // is described to, and a cancelled dialog moves nothing.
    ui.dialogAnswers = {std::nullopt};
    SaveAsButtonClick(ws, ui);
    EXPECT_EQ(ui.dialogsAsked.back().initialFolder, results);
    EXPECT_EQ(ws.folders.result, "/opt/quivane/Result/");
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::SaveResult), results);

    // A table chosen (even one that cannot be read) moves the folder that
    // kernels share with tables: both dialogs open there from now on, as
    // they would with nothing remembered; the videos keep their memory.
    ui.dialogAnswers = {chosen + "missing.lut"};
    LUTButtonClick(ws, ui);
    EXPECT_EQ(ui.dialogsAsked.back().initialFolder, tables);
    EXPECT_EQ(ws.folders.psf, chosen);
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Kernel), chosen);
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::LookupTable), chosen);
    EXPECT_EQ(Remembered(FileDialogKind::LookupTable), chosen) << "kept for the next run";
    EXPECT_EQ(Remembered(FileDialogKind::Kernel), kernels) << "a dialog's memory is its own";
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Video), videos);
}

TEST_F(DialogFoldersTest, AFolderThatIsGoneIsPassedOver)
{
    Remembered(FileDialogKind::Bitmaps) = (folder / "gone").string() + "/";
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Bitmaps), "/opt/quivane/Pictures/");
    const std::string file = folder / "plain.txt";
    std::ofstream(file) << "not a folder";
    Remembered(FileDialogKind::Bitmaps) = file;
    EXPECT_EQ(DialogStartFolder(ws, FileDialogKind::Bitmaps), "/opt/quivane/Pictures/");
}

}  // namespace
}  // namespace quivane
