#include "files/FileBytes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "support/TempFolder.h"

namespace quivane {
namespace {

using testing::TempFolder;

std::string ProblemOf(const std::variant<std::vector<std::uint8_t>, FileProblem>& read)
{
    const auto* problem = std::get_if<FileProblem>(&read);
    return problem ? problem->reason : "";
}

TEST(FileBytes, ReadsARegularFileWhole)
{
    const TempFolder folder("filebytes_read");
    std::ofstream(folder / "f.bin", std::ios::binary) << "abc";
    const auto read = ReadFileBytes(folder / "f.bin", 3);
    ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(read)) << ProblemOf(read);
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(read), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(std::get<std::uintmax_t>(CheckReadableFile(folder / "f.bin")), 3u);
}

TEST(FileBytes, RefusesWhatIsNotAReadableRegularFileWithoutBlocking)
{
    const TempFolder folder("filebytes_refuse");
    std::ofstream(folder / "big.bin", std::ios::binary) << "abcd";
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {folder / "missing.bin", "No such file"},
        {folder.path().string(), "folder"},
        {folder / "pipe", "not a regular file"},  // no writer: an open that blocks would hang here
        {"/dev/null", "not a regular file"},
        {folder / "big.bin", "more than the 3"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(ProblemOf(ReadFileBytes(c.path, 3)).find(c.reason), std::string::npos) << c.path;
    }
    EXPECT_TRUE(std::holds_alternative<FileProblem>(CheckReadableFile(folder / "pipe")));
}

}  // namespace
}  // namespace quivane
