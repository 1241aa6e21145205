#include "actions/CorrectionButton.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "output/BmpWriter.h"
#include "prepare/FrameCorrection.h"
#include "support/Pictures.h"
#include "support/StartedWorkspace.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FilledBitmap;

class CorrectionButtonTest : public testing::StartedWorkspace {
protected:
    CorrectionButtonTest() : StartedWorkspace("correct") {}
    std::string Write(const std::string& name, const Bitmap24& b)
    {
        EXPECT_FALSE(WriteBmp(b, (folder / name).string()));
        return (folder / name).string();
    }
};

TEST_F(CorrectionButtonTest, ThreeDialogsInOrderSetTheCorrections)
{
    ui.dialogAnswers = {Write("flat.bmp", FilledBitmap(20, 20, {120, 100, 80})), Write("dark.bmp", FilledBitmap(20, 20, {20, 0, 0})),
                        Write("any.bmp", FilledBitmap(3, 3, {0, 0, 0}))};
    LoadCorrectionBMPbuttonClick(ws, ui);
    ASSERT_EQ(ui.dialogsAsked.size(), 3u);
    EXPECT_EQ(ui.dialogsAsked[0].title, "Give the name of the Flatfield");
    EXPECT_EQ(ui.dialogsAsked[1].title, "Give the name of the Darkframe");
    EXPECT_EQ(ui.dialogsAsked[2].title, "Load any bitmap in order to correct a shifted AVI video");
    EXPECT_EQ(ui.dialogsAsked[0].initialFolder, "/opt/quivane/Result/");
    EXPECT_EQ(ws.correction.flags, CorrectFlatField | CorrectDarkFrame | ShiftFixChosen);
    EXPECT_EQ(ws.correction.flatMean, (std::array<int, 3>{100, 100, 80})) << "dark subtracted before measuring";
    EXPECT_EQ(ui.status, "AVI video will be corrected");
    EXPECT_TRUE(ui.correctionActive);
    EXPECT_EQ(ws.folders.result, folder.string() + "/") << "later saves go where the files were chosen";
}

TEST_F(CorrectionButtonTest, CancellingAllThreeSwitchesCorrectionsOff)
{
    ui.dialogAnswers = {Write("flat.bmp", FilledBitmap(20, 20, {120, 100, 80}))};
    LoadCorrectionBMPbuttonClick(ws, ui);
    EXPECT_EQ(ws.correction.flags, CorrectFlatField);
    ui.dialogAnswers = {std::nullopt, std::nullopt, std::nullopt};
    LoadCorrectionBMPbuttonClick(ws, ui);
    EXPECT_EQ(ws.correction.flags, 0);
    EXPECT_FALSE(ui.correctionActive);
}

TEST_F(CorrectionButtonTest, UnreadableDarkFrameStillFinishesTheFlatField)
{
    const fs::path broken = folder / "dark.bmp";
    std::ofstream(broken) << "not a bitmap";
    ui.dialogAnswers = {Write("flat.bmp", FilledBitmap(20, 20, {60, 60, 60})), broken.string(), std::string("never asked")};
    LoadCorrectionBMPbuttonClick(ws, ui);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find(broken.string()), std::string::npos);
    EXPECT_EQ(ui.dialogsAsked.size(), 2u) << "the remaining dialog is skipped";
    EXPECT_EQ(ws.correction.flags, CorrectFlatField);
    EXPECT_EQ(ws.correction.flatMean, (std::array<int, 3>{60, 60, 60})) << "measured, not a stale mean";
    EXPECT_TRUE(ui.correctionActive);
}

}  // namespace
}  // namespace quivane
