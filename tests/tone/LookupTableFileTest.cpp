#include "tone/LookupTableFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "support/LookupTables.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

using LookupTableTest = testing::LookupTableFolder;

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

TEST_F(LookupTableTest, AFolderIsNotATableAndChangesNothing)
{
    ToneTable table = NegativeLookupTable();
    const ToneTable before = table;
    const auto error = ReadLookupTable(folder.string(), table);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("folder"), std::string::npos) << *error;
    EXPECT_EQ(error->find("Read beyond end of file"), std::string::npos) << "a folder is not a short table";
    EXPECT_EQ(table, before);
}

}  // namespace
}  // namespace quivane
