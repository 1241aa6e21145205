#include "acquire/CaptureFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

extern "C" {
#include <libavutil/log.h>
}

namespace quivane {
namespace {

namespace fs = std::filesystem;

// Files made by scripts/make-test-videos.
std::string Made(const std::string& name) { return (fs::path(QUIVANE_TEST_VIDEOS) / name).string(); }

CaptureFile Opened(const std::string& path)
{
    av_log_set_level(AV_LOG_QUIET);
    auto opened = CaptureFile::Open(path);
    if (auto* problem = std::get_if<std::string>(&opened)) ADD_FAILURE() << path << ": " << *problem;
    return std::get_if<CaptureFile>(&opened) ? std::move(std::get<CaptureFile>(opened)) : CaptureFile();
}

TEST(CaptureFileTest, DamageIsWarnedOfOnceAndCostsOnlyTheFramesItTouches)
{
    // MJPEG frames growing brighter, some overwritten with zeros, or all data
    // zeroed from a frame's chunk to the index.
    const struct {
        const char* file;
        std::vector<int> lost;
        std::vector<std::string> warnings;
    } cases[] = {
        {"damaged_many.avi",
         {2, 5, 6, 7, 8, 9, 10, 11, 12, 20},
         {"10 frames of 30 cannot be decoded and were left out: 3, 6, 7, 8, 9, 10, 11, 12, ..."}},
        {"damaged_pair.avi", {0, 29}, {"frames 1 and 30 of 30 cannot be decoded and were left out"}},
        {"damaged_ends.avi",
         {0, 25, 26, 27, 28, 29},
         {"frame 1 of 30 cannot be decoded and was left out",
          "the data ends after frame 25 of 30: the capture was probably cut short"}},
    };
    for (const auto& c : cases) {
        CaptureFile capture = Opened(Made(c.file));
        ASSERT_EQ(capture.frameCount(), 30) << c.file;
        EXPECT_EQ(capture.note(), "") << c.file << ": the index holds every frame";
        int previousGrey = -1;
        for (int k = 0; k < 32; ++k) {
            const auto frame = capture.ReadFrame(k);
            const bool lost = k >= 30 || std::find(c.lost.begin(), c.lost.end(), k) != c.lost.end();
            ASSERT_EQ(frame.has_value(), !lost) << c.file << " frame " << k;
            if (!frame) continue;
            // Each frame at its own place: brighter than every one before.
            EXPECT_GT(std::get<Bitmap24>(*frame).at(8, 8).green, previousGrey) << c.file << " frame " << k;
            previousGrey = std::get<Bitmap24>(*frame).at(8, 8).green;
        }
        EXPECT_EQ(capture.TakeWarnings(), c.warnings) << c.file;
        EXPECT_EQ(capture.TakeWarnings(), std::vector<std::string>{}) << c.file << ": taken once";
    }
}

}  // namespace
}  // namespace quivane
