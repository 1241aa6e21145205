#include "output/BmpWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "output/ResultName.h"
#include "support/FileContents.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

using testing::ReadAll;

std::uint32_t Le(const std::vector<std::uint8_t>& bytes, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | bytes[at + static_cast<std::size_t>(i)];
    return v;
}

class BmpWriterTest : public ::testing::Test {
protected:
    testing::TempFolder temp{"bmp"};
    fs::path folder = temp.path();

    std::vector<std::uint8_t> Write(const Bitmap24& bitmap)
    {
        const fs::path path = folder / "out.bmp";
        EXPECT_FALSE(WriteBmp(bitmap, path.string()).has_value());
        return ReadAll(path);
    }
};

TEST_F(BmpWriterTest, FileSizeFollowsTheFourByteStride)
{
    EXPECT_EQ(Write(Bitmap24(192, 144)).size(), 54u + 576u * 144u);
    EXPECT_EQ(Write(Bitmap24(1, 3)).size(), 54u + 4u * 3u);
    EXPECT_EQ(Write(Bitmap24(2, 3)).size(), 54u + 8u * 3u);
}

TEST_F(BmpWriterTest, HeaderIsTheFixedFiftyFourBytes)
{
    const auto bytes = Write(Bitmap24(5, 7));
    ASSERT_EQ(bytes.size(), 54u + 16u * 7u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Le(bytes, 2, 4), bytes.size());
    EXPECT_EQ(Le(bytes, 6, 4), 0u);
    EXPECT_EQ(Le(bytes, 10, 4), 54u);
    EXPECT_EQ(Le(bytes, 14, 4), 40u);
    EXPECT_EQ(Le(bytes, 18, 4), 5u);
    EXPECT_EQ(Le(bytes, 22, 4), 7u);
    EXPECT_EQ(Le(bytes, 26, 2), 1u);
    EXPECT_EQ(Le(bytes, 28, 2), 24u);
    for (std::size_t at = 30; at < 54; at += 4) EXPECT_EQ(Le(bytes, at, 4), 0u) << "offset " << at;
}

TEST_F(BmpWriterTest, RowsAreWrittenBottomUpWithZeroPadding)
{
    Bitmap24 bitmap(2, 2);
    bitmap.at(0, 0) = ColourPixel{1, 2, 3};
    bitmap.at(1, 0) = ColourPixel{4, 5, 6};
    bitmap.at(0, 1) = ColourPixel{7, 8, 9};  // bottom-left
    bitmap.at(1, 1) = ColourPixel{10, 11, 12};
    const auto bytes = Write(bitmap);
    const std::vector<std::uint8_t> pixels(bytes.begin() + 54, bytes.end());
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0}));
}

TEST_F(BmpWriterTest, ExistingFileIsReplaced)
{
    const fs::path path = folder / "out.bmp";
    std::ofstream(path) << std::string(100000, 'x');
    ASSERT_FALSE(WriteBmp(Bitmap24(1, 1), path.string()).has_value());
    EXPECT_EQ(fs::file_size(path), 58u);
}

TEST_F(BmpWriterTest, FailureIsReportedWithTheFileName)
{
    const std::string missing = (folder / "no such folder" / "out.bmp").string();
    const auto error = WriteBmp(Bitmap24(4, 4), missing);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(missing), std::string::npos) << *error;

    if (fs::exists("/dev/full")) {
        const auto full = WriteBmp(Bitmap24(64, 64), "/dev/full");
        ASSERT_TRUE(full.has_value()) << "a full disk must not pass as success";
        EXPECT_NE(full->find("/dev/full"), std::string::npos);
    }
}

TEST(ResultName, AutomaticNamesCountOnWithoutLimit)
{
    EXPECT_EQ(AutoResultName(0), "result00.bmp");
    EXPECT_EQ(AutoResultName(9), "result09.bmp");
    EXPECT_EQ(AutoResultName(10), "result10.bmp");
    EXPECT_EQ(AutoResultName(100), "result100.bmp");
}

}  // namespace
}  // namespace quivane
