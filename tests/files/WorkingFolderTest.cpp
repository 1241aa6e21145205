#include "files/WorkingFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace quivane {
namespace {

namespace fs = std::filesystem;

class WorkingFolderTest : public ::testing::Test {
protected:
    fs::path root = fs::temp_directory_path() / ("quivane_folders_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(root); }
    void TearDown() override { fs::remove_all(root); }
    fs::path Installed()
    {
        const fs::path share = root / "prefix" / "share" / "quivane";
        for (const char* name : {"PSF", "Pictures", "Videos"}) fs::create_directories(share / name);
        fs::create_directories(root / "prefix" / "bin");
        return share;
    }
};

TEST_F(WorkingFolderTest, SamplesBesideTheProgramWin)
{
    fs::create_directories(root / "build" / "Pictures");
    EXPECT_EQ(WorkingFolder((root / "build").string(), "/nowhere"), (root / "build").string() + "/");
}

TEST_F(WorkingFolderTest, InstalledProgramGetsAPerUserFolderWithLinkedSamples)
{
    const fs::path share = Installed();
    const fs::path user = root / "home" / "quivane";
    EXPECT_EQ(WorkingFolder((root / "prefix" / "bin").string(), (root / "home").string()), user.string() + "/");
    EXPECT_TRUE(fs::is_directory(user / "Result"));
    EXPECT_FALSE(fs::exists(share / "Result")) << "the installation is never written to";
    EXPECT_TRUE(fs::is_symlink(user / "Pictures"));
    EXPECT_EQ(fs::read_symlink(user / "PSF"), share / "PSF");
    // A second start finds the folder as it left it.
    EXPECT_EQ(WorkingFolder((root / "prefix" / "bin").string(), (root / "home").string()), user.string() + "/");
}

TEST_F(WorkingFolderTest, InstalledProgramWithoutAHomeUsesTheSharedFolder)
{
    const fs::path share = Installed();
    EXPECT_EQ(WorkingFolder((root / "prefix" / "bin").string(), ""), share.string() + "/");
}

TEST_F(WorkingFolderTest, WithoutSamplesAnywhereTheProgramFolderIsUsed)
{
    fs::create_directories(root / "lonely");
    EXPECT_EQ(WorkingFolder((root / "lonely").string(), ""), (root / "lonely").string() + "/");
}

}  // namespace
}  // namespace quivane
