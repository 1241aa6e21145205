#include "actions/KernelButtons.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "output/BmpWriter.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"
#include "support/StartedWorkspace.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;

class KernelButtonsTest : public testing::StartedWorkspace {
protected:
    KernelButtonsTest() : StartedWorkspace("kernels") {}

    std::string Grey(const std::string& name, int width, int height, int level)
    {
        const std::string path = (folder / name).string();
        EXPECT_FALSE(WriteBmp(testing::GreyBitmap(width, height, level), path));
        return path;
    }
    const Bitmap24& Press(int kind, std::optional<std::string> answer)
    {
        ui.dialogAnswers = {answer};
        return AskPSFBitmap(ws, ui, kind);
    }
};

TEST_F(KernelButtonsTest, ChosenBitmapBecomesTheKernelAndIsReported)
{
    const Bitmap24& glyph = Press(DeconvolutionKernel, Grey("blur.bmp", 15, 15, 60));
    EXPECT_EQ(ui.status, "Deconvolution (de)convolution, 15 x 15 PSF");
    EXPECT_EQ(ws.kernels.deconvolution().at(3, 4), 60);
    EXPECT_EQ(glyph.at(0, 0).green, 60);
    EXPECT_EQ(ws.kernelFileName, "blur.bmp");
    EXPECT_EQ(ws.folders.psf, folder.string() + "/");
    ASSERT_EQ(ui.dialogsAsked.size(), 1u);
    EXPECT_EQ(ui.dialogsAsked[0].title, "The name of the PSF bitmap");
    EXPECT_TRUE(ui.dialogsAsked[0].preview);
    EXPECT_EQ(ui.dialogsAsked[0].initialFolder, "/opt/quivane/PSF/");
}

TEST_F(KernelButtonsTest, RefusedBitmapKeepsTheKernelAndShowsTheDefaultGlyph)
{
    (void)Press(UnsharpMaskKernel, Grey("small.bmp", 5, 5, 30));
    const Kernel before = ws.kernels.unsharpMask();
    const Bitmap24& glyph = Press(UnsharpMaskKernel, Grey("huge.bmp", 32, 8, 90));
    EXPECT_EQ(ui.status, "Error: wrong size PSFbitmap (<3 or >31 pixels)");
    EXPECT_EQ(ws.kernels.unsharpMask(), before);
    Bitmap24 defaultGlyph;
    MakeDefaultPSFBitmap(defaultGlyph);
    EXPECT_EQ(glyph, defaultGlyph);
}

TEST_F(KernelButtonsTest, CancelReloadsTheKindFromTheSharedPicture)
{
    (void)Press(DeconvolutionKernel, Grey("psf.bmp", 7, 7, 200));
    (void)Press(ConvolutionKernel, std::nullopt);
    EXPECT_EQ(ui.status, "Convolution (de)convolution, 7 x 7 PSF");
    EXPECT_EQ(ws.kernels.convolution(), ws.kernels.deconvolution());
}

TEST_F(KernelButtonsTest, UnreadableFileChangesNothingButTheFolder)
{
    const Kernel before = ws.kernels.convolution();
    ui.status = "unchanged";
    const fs::path broken = folder / "broken.bmp";
    std::ofstream(broken) << "BM";
    (void)Press(ConvolutionKernel, broken.string());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find(broken.string()), std::string::npos);
    EXPECT_EQ(ws.kernels.convolution(), before);
    EXPECT_EQ(ui.status, "unchanged");
    EXPECT_EQ(ws.folders.psf, folder.string() + "/");
}

TEST_F(KernelButtonsTest, KernelDialogSwitchesTheSharedBitmapDialogsFilter)
{
    EXPECT_FALSE(ws.bitmapDialog.windowsFilter);
    (void)Press(ConvolutionKernel, std::nullopt);
    EXPECT_TRUE(ws.bitmapDialog.windowsFilter);
}

}  // namespace
}  // namespace quivane
