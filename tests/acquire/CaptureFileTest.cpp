#include "acquire/CaptureFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "acquire/VideoSource.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quivane {
namespace {

// Frame k as a value, or nothing when it cannot be decoded.
std::optional<CaptureFrame> Read(CaptureFile& capture, int k)
{
    CaptureFrame frame;
    if (!capture.ReadFrame(k, frame)) return std::nullopt;
    return frame;
}

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

// Sample (x, y, channel) of frame n of the 5 x 3 deep files, in `bits` bits:
// distinct across frames, pixels and channels and reaching both ends of the
// range, so that a swapped byte, channel or frame or a wrong scale shows.
unsigned StoredSample(int x, int y, int channel, int n, int bits)
{
    const unsigned top = (1u << bits) - 1;
    if (x == 0 && y == 0) return channel == 1 ? top : 0;
    if (x == 1 && y == 0) return channel == 1 ? 0 : top;
    return (40503u * unsigned(x + 7 * y + 61 * channel + 293 * n) + 4660u) % (top + 1);
}

TEST(CaptureFileTest, DeepVideoGivesEverySampleAtItsDepth)
{
    const struct {
        const char* file;
        int channels, bits;
        Mosaic mosaic;
    } cases[] = {
        {"grey16.mkv", 1, 16, Mosaic::None},      // FFV1 gray16le
        {"grey12.mkv", 1, 12, Mosaic::None},      // FFV1 gray12le
        {"rgb48.mov", 3, 16, Mosaic::None},       // PNG rgb48be
        {"grbg16le.nut", 1, 16, Mosaic::GRBG},    // raw bayer
        {"bggr16be.nut", 1, 16, Mosaic::BGGR},
        {"rggb8.nut", 1, 8, Mosaic::RGGB},
    };
    for (const auto& c : cases) {
        CaptureFile capture = Opened(Made(c.file));
        ASSERT_EQ(capture.frameCount(), 2) << c.file;
        for (int n = 0; n < 2; ++n) {
            const auto frame = Read(capture, n);
            ASSERT_TRUE(frame) << c.file << " frame " << n;
            const DeepFrame* deep = std::get_if<DeepFrame>(&*frame);
            ASSERT_NE(deep, nullptr) << c.file << " comes as 24 bits";
            ASSERT_EQ(deep->samples.size(), std::size_t(5 * 3 * c.channels)) << c.file;
            EXPECT_EQ(deep->width, 5) << c.file;
            EXPECT_EQ(deep->channels, c.channels) << c.file;
            EXPECT_EQ(deep->bits, c.bits) << c.file;
            EXPECT_EQ(deep->mosaic, c.mosaic) << c.file;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    for (int ch = 0; ch < c.channels; ++ch) {
                        const double stored = StoredSample(x, y, ch, n, c.bits);
                        ASSERT_EQ(deep->at(x, y, ch), std::lround(stored * 65535 / ((1 << c.bits) - 1)))
                            << c.file << " frame " << n << " at " << x << ", " << y << " channel " << ch;
                    }
        }
    }
}

TEST(CaptureFileTest, DeepYuvBecomesRgbAtFullScale)
{
    // Uniform 10-bit frames of studio range, 64 black and 940 white; V above
    // 512 moves red up and green down.
    const double expected[][3] = {{0, 0, 0}, {1, 1, 1}, {0.5, 0.5, 0.5}, {0.79, 0.35, 0.5}};
    CaptureFile capture = Opened(Made("yuv10.mkv"));
    ASSERT_EQ(capture.frameCount(), 4);
    for (int n = 0; n < 4; ++n) {
        const auto frame = Read(capture, n);
        ASSERT_TRUE(frame && std::holds_alternative<DeepFrame>(*frame)) << n;
        const DeepFrame& deep = std::get<DeepFrame>(*frame);
        ASSERT_EQ(deep.channels, 3);
        EXPECT_EQ(deep.bits, 10);
        for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(deep.at(5, 3, ch) / 65535.0, expected[n][ch], 0.02) << n << " " << ch;
    }
}

TEST(CaptureFileTest, EightBitVideoStillComesAsTheSameTwentyFourBits)
{
    for (const char* name : {"v01_raw_bgr24.avi", "v03_raw_gray_y800.avi", "v07_mjpeg.avi"}) {
        const std::string path = (fs::path(QUIVANE_TESTDATA) / "avi" / name).string();
        CaptureFile capture = Opened(path);
        VideoSource video;
        ASSERT_TRUE(video.Open(path)) << name;
        for (int k = 0; k < capture.frameCount(); ++k) {
            const auto frame = Read(capture, k);
            ASSERT_TRUE(frame && std::holds_alternative<Bitmap24>(*frame)) << name << " frame " << k;
            video.Seek(k);
            EXPECT_EQ(std::get<Bitmap24>(*frame), video.ReadFrame()) << name << " frame " << k;
        }
    }
}

// Raw 24-bit frames read in place are the decoder's own rows, top row first
// whatever the file's row order, and each stays as it was while later frames
// are read and after the capture is gone; other kinds come as bitmaps.
TEST(CaptureFileTest, RawFramesReadInPlaceAreTheFramesAndStayAsTheyWere)
{
    for (const char* name : {"v01_raw_bgr24.avi", "v03_raw_gray_y800.avi", "v07_mjpeg.avi"}) {
        const std::string path = (fs::path(QUIVANE_TESTDATA) / "avi" / name).string();
        std::vector<CaptureFrame> kept;
        {
            CaptureFile capture = Opened(path);
            CaptureFrame frame;
            for (int k = 0; k < capture.frameCount(); ++k) {
                ASSERT_TRUE(capture.ReadFrameInPlace(k, frame)) << name << " frame " << k;
                kept.push_back(frame);
            }
        }
        CaptureFile plain = Opened(path);
        ASSERT_EQ(static_cast<int>(kept.size()), plain.frameCount()) << name;
        for (int k = 0; k < plain.frameCount(); ++k) {
            const auto expected = Read(plain, k);
            ASSERT_TRUE(expected && std::holds_alternative<Bitmap24>(*expected)) << name << " frame " << k;
            const CaptureFrame& frame = kept[static_cast<std::size_t>(k)];
            const bool raw = std::string(name) == "v01_raw_bgr24.avi";
            ASSERT_EQ(std::holds_alternative<HeldRows>(frame), raw) << name << " frame " << k;
            const Bitmap24 read = raw ? std::get<HeldRows>(frame).rows.copy() : std::get<Bitmap24>(frame);
            EXPECT_EQ(read, std::get<Bitmap24>(*expected)) << name << " frame " << k;
        }
    }
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
            const auto frame = Read(capture, k);
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
