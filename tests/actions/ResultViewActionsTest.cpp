#include "actions/ResultViewActions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "actions/WorkspaceActions.h"
#include "support/FakeUi.h"
#include "support/LookupTables.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;

using LookupTableButtonTest = testing::LookupTableFolder;

TEST_F(LookupTableButtonTest, ButtonStartsFromTheIdentityAndCancelKeepsIt)
{
    Workspace ws{folder.string()};
    FakeUi ui;
    FormCreate(ws, ui);
    ui.dialogAnswers = {std::nullopt};
    LUTButtonClick(ws, ui);
    EXPECT_EQ(ws.tone.lookupTable[0], 0);
    EXPECT_EQ(ws.tone.lookupTable[200], 200);
    EXPECT_FALSE(ws.lookupTableOn) << "loading does not switch the table on";
    EXPECT_EQ(ui.dialogsAsked.at(0).title, "Load a mapping table");
}

TEST_F(LookupTableButtonTest, ButtonLoadsTheChosenTableAndFollowsItsFolder)
{
    Workspace ws{"/opt/quivane"};
    FakeUi ui;
    FormCreate(ws, ui);
    ui.dialogAnswers = {WriteTable("table.lut", 256)};
    LUTButtonClick(ws, ui);
    EXPECT_EQ(ws.tone.lookupTable[2], 14);
    EXPECT_EQ(ws.folders.psf, folder.string() + "/");
    EXPECT_TRUE(ui.errors.empty());
}

}  // namespace
}  // namespace quivane
