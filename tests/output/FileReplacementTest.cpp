#include "output/FileReplacement.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t value) { return std::vector<std::uint8_t>(count, value); }

// A disk with room for this many more bytes; then every write fails.
std::size_t roomLeft = 0;
ssize_t WriteUntilFull(int fd, const void* data, std::size_t size)
{
    if (roomLeft == 0) {
        errno = ENOSPC;
        return -1;
    }
    const std::size_t part = std::min(size, roomLeft);
    roomLeft -= part;
    return ::write(fd, data, part);
}
int FailingSync(int) { return errno = EIO, -1; }
int FailingCloseAfterClosing(int fd)
{
    ::close(fd);
    errno = EDQUOT;
    return -1;
}
int FailingRename(const char*, const char*) { return errno = EXDEV, -1; }

class FileReplacementTest : public ::testing::Test {
protected:
    testing::TempFolder temp{"replace"};
    fs::path target = temp.path() / "picture.bmp";
    const std::string oldContent = std::string(5000, 'o');

    void SetUp() override { std::ofstream(target, std::ios::binary) << oldContent; }
};

TEST_F(FileReplacementTest, ReplacesTheFileAndKeepsItsPermissions)
{
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_FALSE(ReplaceFile(target.string(), Bytes(10, 'n')));
    EXPECT_EQ(ReadAll(target), std::string(10, 'n'));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(temp.path()), std::vector<std::string>{"picture.bmp"});
}

// Whichever step fails, the old file is untouched, the new one is gone and
// the message names the file and the reason.
TEST_F(FileReplacementTest, AnyFailingStepKeepsTheOldFileAndLeavesNothingBehind)
{
    struct Case {
        const char* what;
        FileSystemCalls calls;
        const char* reason;
    };
    FileSystemCalls fullAtOnce = SystemFileCalls();
    fullAtOnce.write = WriteUntilFull;
    FileSystemCalls syncFails = SystemFileCalls();
    syncFails.fsync = FailingSync;
    FileSystemCalls closeFails = SystemFileCalls();
    closeFails.close = FailingCloseAfterClosing;
    FileSystemCalls renameFails = SystemFileCalls();
    renameFails.rename = FailingRename;
    const Case cases[] = {{"disk full halfway", fullAtOnce, "No space left on device"},
                          {"flush fails", syncFails, "Input/output error"},
                          {"close fails", closeFails, "Disk quota exceeded"},
                          {"rename fails", renameFails, "Invalid cross-device link"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        roomLeft = 3000;
        const auto error = ReplaceFile(target.string(), Bytes(8000, 'n'), c.calls);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(*error, "Cannot write \"" + target.string() + "\": " + c.reason);
        EXPECT_EQ(ReadAll(target), oldContent);
        EXPECT_EQ(Names(temp.path()), std::vector<std::string>{"picture.bmp"});
    }
}

TEST_F(FileReplacementTest, ANewFileIsNotLeftBehindHalfWritten)
{
    fs::remove(target);
    FileSystemCalls full = SystemFileCalls();
    full.write = WriteUntilFull;
    roomLeft = 100;
    ASSERT_TRUE(ReplaceFile(target.string(), Bytes(1000, 'n'), full).has_value());
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

// A real file-size limit stands in for a full disk: the kernel refuses the
// write past it exactly as it refuses one on a full file system.
TEST_F(FileReplacementTest, ARealWriteRefusedByTheSystemKeepsTheOldFile)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto error = ReplaceFile(target.string(), Bytes(100000, 'n'));
        ::_exit(error && error->find("File too large") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure was not reported as the file being too large";
    EXPECT_EQ(ReadAll(target), oldContent);
    EXPECT_EQ(Names(temp.path()), std::vector<std::string>{"picture.bmp"});
}

TEST_F(FileReplacementTest, PlacesThatCannotHoldTheFileAreNamedInTheMessage)
{
    const std::string missing = (temp.path() / "no such folder" / "out.bmp").string();
    const auto noFolder = ReplaceFile(missing, Bytes(4, 1));
    ASSERT_TRUE(noFolder.has_value());
    EXPECT_EQ(*noFolder, "Cannot write \"" + missing + "\": No such file or directory");

    fs::create_directory(temp.path() / "folder.bmp");
    const auto folder = ReplaceFile((temp.path() / "folder.bmp").string(), Bytes(4, 1));
    ASSERT_TRUE(folder.has_value());
    EXPECT_NE(folder->find("Is a directory"), std::string::npos) << *folder;
    EXPECT_TRUE(fs::is_empty(temp.path() / "folder.bmp"));
}

TEST_F(FileReplacementTest, ANameAtTheFileSystemsLimitCanStillBeReplaced)
{
    const fs::path longest = temp.path() / (std::string(251, 'n') + ".png");
    ASSERT_FALSE(ReplaceFile(longest.string(), Bytes(3, 'n')));
    ASSERT_FALSE(ReplaceFile(longest.string(), Bytes(4, 'm')));
    EXPECT_EQ(ReadAll(longest), "mmmm");
}

TEST_F(FileReplacementTest, ALinkStaysALinkAndTheFileItNamesIsReplaced)
{
    const fs::path link = temp.path() / "latest.bmp";
    fs::create_symlink(target, link);
    ASSERT_FALSE(ReplaceFile(link.string(), Bytes(3, 'n')));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), "nnn");
}

TEST_F(FileReplacementTest, ADeviceIsWrittenInPlaceAndItsFailureReported)
{
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    const auto error = ReplaceFile("/dev/full", Bytes(64, 1));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, "Cannot write \"/dev/full\": No space left on device");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

}  // namespace
}  // namespace quivane
