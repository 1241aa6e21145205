#include "files/ReadableFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "support/TempFolder.h"

namespace quivane {
namespace {

using testing::TempFolder;

// A format is told by a file's first bytes: reading them must work for any
// length of file, and a pipe must be refused without blocking.
TEST(ReadableFile, ReadsTheStartOfAFileOfAnyLength)
{
    const TempFolder folder("readable_start");
    std::ofstream(folder / "f.bin", std::ios::binary) << "abcdef";
    auto opened = ReadableFile::Open((folder / "f.bin").c_str());
    ASSERT_TRUE(std::holds_alternative<ReadableFile>(opened));
    const ReadableFile& file = std::get<ReadableFile>(opened);
    const std::pair<std::size_t, const char*> cases[] = {{2, "ab"}, {6, "abcdef"}, {100, "abcdef"}, {0, ""}};
    for (const auto& [count, expected] : cases) {
        std::vector<std::uint8_t> bytes;
        ASSERT_FALSE(file.readAt(0, count, bytes));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected) << count;
    }
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    const auto pipe = ReadableFile::Open((folder / "pipe").c_str());
    ASSERT_TRUE(std::holds_alternative<FileProblem>(pipe));
    EXPECT_NE(std::get<FileProblem>(pipe).reason.find("not a regular file"), std::string::npos);
}

TEST(ReadableFile, ReadsPastTheEndComeUpShort)
{
    const TempFolder folder("readable_short");
    std::ofstream(folder / "f.bin", std::ios::binary) << "abcdef";
    auto opened = ReadableFile::Open((folder / "f.bin").c_str());
    const ReadableFile& file = std::get<ReadableFile>(opened);

    std::vector<std::uint8_t> bytes;
    ASSERT_FALSE(file.readAt(4, 10, bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'e', 'f'}));
    ASSERT_FALSE(file.readAt(9, 3, bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(ReadableFile, AMovedFileStaysOpenAndFoldersAreRefused)
{
    const TempFolder folder("readable_move");
    std::ofstream(folder / "f.bin", std::ios::binary) << "xyz";
    auto opened = ReadableFile::Open((folder / "f.bin").c_str());
    ReadableFile moved = std::move(std::get<ReadableFile>(opened));
    opened = ReadableFile::Open(folder.path().c_str());
    ASSERT_TRUE(std::holds_alternative<FileProblem>(opened));
    EXPECT_EQ(std::get<FileProblem>(opened).reason, "it is a folder, not a file");
    std::vector<std::uint8_t> bytes;
    ASSERT_FALSE(moved.readAt(0, 3, bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'x', 'y', 'z'}));
}

}  // namespace
}  // namespace quivane
