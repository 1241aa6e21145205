#include "tone/LookupTableFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "tone/ResultViewActions.h"
#include "workspace/FakeUi.h"
#include "workspace/WorkspaceActions.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;

class LookupTableTest : public ::testing::Test {
protected:
    testing::TempFolder temp{"lut"};
    fs::path folder = temp.path();

    std::string WriteTable(const std::string& name, int length)
    {
        std::ofstream out(folder / name, std::ios::binary);
        for (int i = 0; i < length; ++i) out.put(static_cast<char>((i * 7) & 255));
        return (folder / name).string();
    }
};

TEST_F(LookupTableTest, ReadsTheFirst256BytesAndIgnoresTheRest)
{
    ToneTable table{};
    EXPECT_FALSE(ReadLookupTable(WriteTable("long.lut", 300), table));
    EXPECT_EQ(table[1], 7);
    EXPECT_EQ(table[255], (255 * 7) & 255);
}

TEST_F(LookupTableTest, ShortFileKeepsWhatWasReadAndNamesTheFile)
{
    ToneTable table = NegativeLookupTable();
    const std::string path = WriteTable("short.lut", 10);
    const auto error = ReadLookupTable(path, table);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(path), std::string::npos);
    EXPECT_NE(error->find("Read beyond end of file"), std::string::npos);
    EXPECT_EQ(table[9], 63);
    EXPECT_EQ(table[10], 245) << "entries past the end keep their values";
}

TEST_F(LookupTableTest, ButtonStartsFromTheIdentityAndCancelKeepsIt)
{
    Workspace ws{folder.string()};
    FakeUi ui;
    FormCreate(ws, ui);
    ui.dialogAnswers = {std::nullopt};
    LUTButtonClick(ws, ui);
    EXPECT_EQ(ws.tone.lookupTable[0], 0);
    EXPECT_EQ(ws.tone.lookupTable[200], 200);
    EXPECT_FALSE(ws.LutOn) << "loading does not switch the table on";
    EXPECT_EQ(ui.dialogsAsked.at(0).title, "Load a mapping table");
}

TEST_F(LookupTableTest, ButtonLoadsTheChosenTableAndFollowsItsFolder)
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
