// Every hostile file, in every role the command line gives a file, must end
// in a clean exit: written, refused (2) or an error (1), never a crash, a
// sanitizer report or a hang. The sanitizer build makes a memory error exit
// with its own status, so it cannot pass for a refusal.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using quivane::testing::TempFolder;

constexpr int SanitizerExit = 86;

struct Outcome {
    bool exited;
    int status;
    std::string output;
};

Outcome RunBatch(const std::string& arguments)
{
    const std::string command = "ASAN_OPTIONS=exitcode=" + std::to_string(SanitizerExit) +
                                " UBSAN_OPTIONS=exitcode=" + std::to_string(SanitizerExit) + " timeout 60 " +
                                QUIVANE_BATCH + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> buffer;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
    const int raw = pclose(pipe);
    return {WIFEXITED(raw), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, output};
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A bitmap header with the given geometry; the file holds `size` bytes.
std::vector<std::uint8_t> BmpHeader(std::size_t size, std::uint32_t infoSize, std::int32_t width, std::int32_t height,
                                    std::uint16_t bits, std::uint32_t compression, std::uint32_t pixelOffset)
{
    std::vector<std::uint8_t> b(size, 0x5A);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(size));
    Put32(b, 10, pixelOffset);
    Put32(b, 14, infoSize);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    if (infoSize >= 40) {
        Put32(b, 30, compression);
        Put32(b, 34, 0);
        Put32(b, 46, 0);
    }
    return b;
}

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Hand-made files that promise more than they hold.
std::vector<fs::path> MakeHostileBitmaps(const fs::path& folder)
{
    struct Made {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Made made[] = {
        {"huge_70_bytes.bmp", BmpHeader(70, 40, 16384, 16384, 24, 0, 54)},
        {"huge_os2v2.bmp", BmpHeader(112, 64, 16136, 11528, 24, 0, 78)},
        {"huge_rle8.bmp", BmpHeader(1100, 40, 16000, 16000, 8, 1, 1078)},
        {"offset_past_end.bmp", BmpHeader(2000, 40, 16, 16, 24, 0, 100000)},
        {"cut_pixels_24.bmp", BmpHeader(54 + 48 * 8, 40, 16, 16, 24, 0, 54)},
        {"cut_pixels_8.bmp", BmpHeader(1078 + 100, 40, 64, 64, 8, 0, 1078)},
        {"cut_palette.bmp", BmpHeader(60, 40, 4, 4, 8, 0, 1078)},
        {"zero_width.bmp", BmpHeader(200, 40, 0, 4, 24, 0, 54)},
        {"only_magic.bmp", {'B', 'M'}},
    };
    std::vector<fs::path> paths;
    for (const Made& m : made) {
        Write(folder / m.name, m.bytes);
        paths.push_back(folder / m.name);
    }
    return paths;
}

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(data)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << data;
    }

    // Runs one command line and checks it ended cleanly; a refusal must
    // name the file. A file known to be unsound must be refused.
    void Expect(const std::string& arguments, const fs::path& file, bool mustRefuse = false)
    {
        const Outcome o = RunBatch(arguments + " --output " + (temp / "out.bmp"));
        ASSERT_TRUE(o.exited) << arguments << "\n" << o.output;
        EXPECT_TRUE(o.status == 0 || o.status == 1 || o.status == 2) << arguments << "\n" << o.output;
        if (mustRefuse) {
            EXPECT_EQ(o.status, 2) << arguments << "\n" << o.output;
        }
        if (o.status == 2) {
            EXPECT_NE(o.output.find(file.filename().string()), std::string::npos) << o.output;
        }
        fs::remove(temp / "out.bmp");
    }

    const fs::path data = QUIVANE_TESTDATA;
    const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
    const TempFolder temp{"hostile"};
};

TEST_F(HostileInput, EveryBadBitmapInEveryRoleEndsCleanly)
{
    const std::vector<fs::path> made = MakeHostileBitmaps(temp.path());
    std::vector<fs::path> bitmaps = made;
    for (const fs::path& f : FilesIn(data / "bmpsuite" / "b")) bitmaps.push_back(f);
    const std::string series =
        "--bmp " + (pictures / "PLANET_0001.BMP").string() + " " + (pictures / "PLANET_0003.BMP").string();
    for (const fs::path& bitmap : bitmaps) {
        const bool unsound = std::find(made.begin(), made.end(), bitmap) != made.end();
        const std::string file = bitmap.string();
        Expect(series + " --width 64 --flat " + file, bitmap, unsound);
        Expect(series + " --width 64 --dark " + file, bitmap, unsound);
        Expect(series + " --width 64 --convolve --filter " + file, bitmap, unsound);
        // As the first picture of a series of two.
        fs::copy_file(bitmap, temp.path() / "HOSTILE_0001.BMP", fs::copy_options::overwrite_existing);
        fs::copy_file(bitmap, temp.path() / "HOSTILE_0002.BMP", fs::copy_options::overwrite_existing);
        Expect("--bmp " + (temp / "HOSTILE_0001.BMP") + " " + (temp / "HOSTILE_0002.BMP") + " --width 64",
               temp.path() / "HOSTILE_0001.BMP", unsound);
    }
}

TEST_F(HostileInput, EveryDamagedVideoAndAnyFileAsTableEndsCleanly)
{
    std::vector<fs::path> videos;
    for (const fs::path& f : FilesIn(data / "avi"))
        if (f.filename().string().front() == 'x' || f.filename().string().front() == 's') videos.push_back(f);
    ASSERT_FALSE(videos.empty());
    const std::string series =
        "--bmp " + (pictures / "PLANET_0001.BMP").string() + " " + (pictures / "PLANET_0003.BMP").string();
    for (const fs::path& video : videos) {
        Expect("--avi " + video.string() + " --width 64", video);
        Expect(series + " --width 64 --lut " + video.string(), video);
    }
}

}  // namespace
