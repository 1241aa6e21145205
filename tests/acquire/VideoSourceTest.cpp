#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "acquire/BmpReader.h"
#include "acquire/VideoSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

const fs::path Corpus = fs::path(QUIVANE_TESTDATA) / "avi";

std::string File(const std::string& name) { return (Corpus / name).string(); }

// Reads frames 0..last the way the loader does; missing frames stay empty.
std::vector<std::optional<Bitmap24>> ReadFrames(const std::string& path, int last)
{
    VideoSource video;
    std::vector<std::optional<Bitmap24>> frames;
    if (!video.Open(path)) return frames;
    for (int k = 0; k <= last; ++k) {
        video.Seek(k);
        frames.push_back(video.ReadFrame());
    }
    return frames;
}

// The scene's disc, centred at (0.18 w + 0.02 w n, 0.38 h + 0.008 h n) in
// frame n, is yellowish on a sky of (10, 10, 12): a misplaced disc shows
// sheared or flipped rows, a wrong sky or disc colour a wrong range or
// swapped channels.
void ExpectScene(const Bitmap24& frame, int n, double skyTolerance, const std::string& what)
{
    const int w = frame.width(), h = frame.height();
    double count = 0, sumX = 0, sumY = 0, sky[3] = {}, patch = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const ColourPixel p = frame.at(x, y);
            if (p.red + p.green + p.blue > 150) count += 1, sumX += x, sumY += y;
            // The disc never enters the lower left corner.
            if (x < w / 4 && y >= h * 3 / 4) sky[0] += p.red, sky[1] += p.green, sky[2] += p.blue, patch += 1;
        }
    ASSERT_GT(count, 0) << what;
    EXPECT_NEAR(sumX / count, 0.18 * w + 0.02 * w * n, 2.0) << what;
    EXPECT_NEAR(sumY / count, 0.38 * h + 0.008 * h * n, 2.0) << what;
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(sky[i] / patch, i == 2 ? 12 : 10, skyTolerance) << what << " " << i;
    const ColourPixel disc = frame.at(int(sumX / count), int(sumY / count) + h / 12);
    EXPECT_GT(disc.red, disc.blue + 30) << what;
}

class VideoCorpusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_QUIET); }
    void SetUp() override
    {
        if (!fs::exists(Corpus)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << Corpus;
    }
};

TEST_F(VideoCorpusTest, EveryValidFileGivesAllItsFramesWithTheDiscInPlace)
{
    struct Case {
        const char* file;
        int width, height, frames;
    };
    const Case cases[] = {
        {"v01_raw_bgr24.avi", 160, 120, 30},
        {"v02_raw_bgr24_odd_158x118.avi", 158, 118, 30},
        {"v03_raw_gray_y800.avi", 160, 120, 30},
        {"v04_raw_pal8_grey.avi", 160, 120, 30},
        {"v05_raw_rgb555.avi", 160, 120, 30},
        {"v06_raw_yuyv422.avi", 160, 120, 30},
        {"v07_mjpeg.avi", 320, 240, 30},
        {"v08_huffyuv.avi", 320, 240, 30},
        {"v09_ffv1.avi", 320, 240, 30},
        {"v10_msvideo1.avi", 320, 240, 30},
        {"v11_cinepak.avi", 320, 240, 30},
        {"v13_one_frame.avi", 160, 120, 1},
        {"v14_video_then_audio.avi", 320, 240, 30},
        {"v15_raw_bgr24_bottomup.avi", 160, 120, 30},
        {"w01_width1024.avi", 1024, 768, 5},
        {"w02_width1280.avi", 1280, 960, 5},
    };
    for (const Case& c : cases) {
        const std::string file = c.file;
        std::string message;
        EXPECT_EQ(VideoSource::VideoFrameCount(File(file), message), c.frames) << file;
        EXPECT_EQ(message, "") << file;
        const auto frames = ReadFrames(File(file), c.frames - 1);
        ASSERT_EQ(frames.size(), std::size_t(c.frames)) << file;
        for (int k = 0; k < c.frames; ++k) {
            ASSERT_TRUE(frames[k]) << file << " frame " << k;
            EXPECT_EQ(frames[k]->width(), c.width) << file;
            EXPECT_EQ(frames[k]->height(), c.height) << file;
        }
        // Microsoft Video 1 loses most of the sky's faint red; grey files
        // have no yellow disc.
        if (file.find("_gr") != std::string::npos) continue;
        const double skyTolerance = file.find("msvideo1") == std::string::npos ? 4 : 10;
        ExpectScene(*frames.front(), 0, skyTolerance, file + " first frame");
        ExpectScene(*frames.back(), c.frames - 1, skyTolerance, file + " last frame");
    }
}

TEST_F(VideoCorpusTest, StorageOrderAndPaletteDoNotChangeThePixels)
{
    EXPECT_EQ(ReadFrames(File("v01_raw_bgr24.avi"), 29), ReadFrames(File("v15_raw_bgr24_bottomup.avi"), 29));
    const auto grey = ReadFrames(File("v03_raw_gray_y800.avi"), 29);
    EXPECT_EQ(grey, ReadFrames(File("v04_raw_pal8_grey.avi"), 29));
    // Both upright: the disc of the last frame is where the scene puts it.
    EXPECT_GT(grey.at(29)->at(int(0.18 * 160 + 0.02 * 160 * 29), int(0.38 * 120 + 0.008 * 120 * 29) + 10).red, 60);
}

TEST_F(VideoCorpusTest, BrokenAndForeignFilesAreRefusedOrEndEarly)
{
    struct Case {
        const char* file;
        int count;          // what counting gives
        const char* why;    // part of the explanation counting gives
        const char* whole;  // the file whose first `count` frames these are, if any
    };
    const Case cases[] = {
        {"s01_audio_first.avi", -1, "not a video stream", nullptr},
        {"s02_audio_only.avi", -1, "not a video stream", nullptr},
        {"x01_zero_length.avi", -1, "cannot be opened", nullptr},
        {"x02_random_bytes.avi", -1, "cannot be opened", nullptr},
        {"x10_wav_named_avi.avi", -1, "not a video stream", nullptr},
        {"x11_zero_dimensions.avi", -1, "0 x 0", nullptr},
        {"no_such_file.avi", -1, "cannot be opened", nullptr},
        {"x05_headers_only.avi", 0, "no frames", nullptr},
        {"x03_truncated_midframe_raw.avi", 10, "only 10 of the 30", "v01_raw_bgr24.avi"},
        {"x04_truncated_midframe_mjpeg.avi", 10, "only 10 of the 30", "v07_mjpeg.avi"},
        {"x06_idx1_removed.avi", 30, "", "v03_raw_gray_y800.avi"},
    };
    for (const Case& c : cases) {
        std::string message;
        EXPECT_EQ(VideoSource::VideoFrameCount(File(c.file), message), c.count) << c.file;
        EXPECT_NE(message.find(c.why), std::string::npos) << c.file << ": " << message;
        EXPECT_EQ(message.empty(), !*c.why) << c.file << ": " << message;

        VideoSource video;
        EXPECT_EQ(video.Open(File(c.file)), c.count >= 0) << c.file;
        EXPECT_EQ(video.LastError().empty(), c.count >= 0) << c.file << ": " << video.LastError();
        // Reading on past the end, as a loader trusting the header would.
        auto frames = ReadFrames(File(c.file), 40);
        auto expected = c.whole ? ReadFrames(File(c.whole), c.count - 1) : decltype(frames){};
        if (c.count >= 0) expected.resize(41);
        EXPECT_EQ(frames, expected) << c.file;
    }
}

TEST_F(VideoCorpusTest, SeekingGivesExactlyTheFrameAskedFor)
{
    const std::string path = File("v07_mjpeg.avi");
    const auto sequence = ReadFrames(path, 29);
    VideoSource video;
    ASSERT_TRUE(video.Open(path));
    video.Seek(0);
    EXPECT_EQ(video.ReadFrame(), sequence[0]);
    EXPECT_EQ(video.ReadFrame(), sequence[0]) << "the first frame is read twice";
    for (int k : {17, 18, 5, 29, -1, 30, 3}) {  // forward, next, back, last, outside, back after the end
        video.Seek(k);
        EXPECT_EQ(video.ReadFrame(), k >= 0 && k < 30 ? sequence[k] : std::nullopt) << k;
    }
    // A failed open leaves nothing open; the next good one works as before.
    EXPECT_FALSE(video.Open(File("x02_random_bytes.avi")));
    EXPECT_FALSE(video.ReadFrame());
    ASSERT_TRUE(video.Open(path));
    video.Seek(3);
    EXPECT_EQ(video.ReadFrame(), sequence[3]);
}

// Writes uniform 8-bit grey frames, each given as its frame number and value,
// into a container of the given kind. Numbers left out are frames the
// capture dropped: AVI keeps an empty chunk in their place, others nothing.
// A value of -1 writes an empty packet, as a capture marks a dropped frame.
void WriteGreyVideo(const fs::path& path, const char* container, int width, int height,
                    const std::vector<std::pair<int, int>>& frames)
{
    AVFormatContext* out = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&out, nullptr, container, path.c_str()), 0);
    AVStream* stream = avformat_new_stream(out, nullptr);
    stream->time_base = {1, 10};
    AVCodecParameters& video = *stream->codecpar;
    video.codec_type = AVMEDIA_TYPE_VIDEO;
    video.codec_id = AV_CODEC_ID_RAWVIDEO;
    video.codec_tag = MKTAG('Y', '8', '0', '0');
    video.format = AV_PIX_FMT_GRAY8;
    video.width = width;
    video.height = height;
    ASSERT_GE(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(out, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    for (const auto& [number, value] : frames) {
        ASSERT_GE(av_new_packet(packet, value >= 0 ? width * height : 0), 0);
        std::fill_n(packet->data, packet->size, std::uint8_t(value));
        packet->pts = packet->dts = av_rescale_q(number, {1, 10}, stream->time_base);
        packet->flags |= AV_PKT_FLAG_KEY;
        ASSERT_GE(av_write_frame(out, packet), 0);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    av_write_trailer(out);
    avio_closep(&out->pb);
    avformat_free_context(out);
}

class VideoWrittenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_QUIET); }
    void TearDown() override { fs::remove(path_); }
    // Always named .avi: the content decides how it is read.
    const fs::path path_ = fs::temp_directory_path() / ("quivane_video_" + std::to_string(getpid()) + ".avi");
};

TEST_F(VideoWrittenTest, DroppedFramesKeepTheirPlaceInAviOnly)
{
    // AVI numbers its frames by their chunks, empty ones included; NUT keeps
    // no place for a dropped frame, so its frames are numbered as they come.
    // Numbers start at the first frame held.
    const std::vector<std::pair<int, int>> gap = {{0, 40}, {1, 41}, {2, 42}, {4, 44}, {5, 45}};
    const std::vector<std::pair<int, int>> firstDropped = {{0, -1}, {1, 41}, {2, 42}, {4, 44}};
    struct Case {
        const char* container;
        const std::vector<std::pair<int, int>>& written;  // frame number, grey
        int count;
        std::vector<int> values;  // of frames 0..6, -1 for none
    };
    const Case cases[] = {
        {"avi", gap, 6, {40, 41, 42, -1, 44, 45, -1}},
        {"nut", gap, 5, {40, 41, 42, 44, 45, -1, -1}},
        {"avi", firstDropped, 4, {41, 42, -1, 44, -1, -1, -1}},
        {"nut", firstDropped, 3, {41, 42, 44, -1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        WriteGreyVideo(path_, c.container, 8, 6, c.written);
        EXPECT_EQ(VideoSource::VideoFrameCount(path_), c.count) << c.container;
        VideoSource video;
        ASSERT_TRUE(video.Open(path_));
        std::vector<int> values;
        for (int k = 0; k <= 6; ++k) {
            video.Seek(k);
            const auto frame = video.ReadFrame();
            values.push_back(frame ? frame->at(7, 5).green : -1);
            // A dropped frame is no damage.
            if (!frame) {
                EXPECT_NE(video.LastMiss(), VideoSource::Miss::Undecodable) << c.container << " " << k;
            }
        }
        EXPECT_EQ(values, c.values) << c.container;
    }
}

TEST_F(VideoWrittenTest, FrameSidesAreAcceptedUpToTheLimit)
{
    WriteGreyVideo(path_, "avi", MaxFrameSide, 2, {{0, 90}});
    ASSERT_EQ(VideoSource::VideoFrameCount(path_), 1);
    const auto frames = ReadFrames(path_, 0);
    ASSERT_TRUE(frames.at(0));
    EXPECT_EQ(frames[0]->width(), MaxFrameSide);

    WriteGreyVideo(path_, "avi", 2, MaxFrameSide + 1, {{0, 90}});
    std::string message;
    EXPECT_EQ(VideoSource::VideoFrameCount(path_, message), -1);
    EXPECT_NE(message.find("16385"), std::string::npos) << message;
    EXPECT_FALSE(VideoSource().Open(path_));
}

// Encodes uniform grey MJPEG frames of one size into an AVI whose header may
// announce another, as a damaged or hostile file would.
void WriteMjpegVideo(const fs::path& path, int announcedWidth, int announcedHeight, int width, int height, int frames)
{
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    ASSERT_NE(encoder, nullptr);
    AVCodecContext* codec = avcodec_alloc_context3(encoder);
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = AV_PIX_FMT_YUVJ444P;
    codec->time_base = {1, 10};
    ASSERT_GE(avcodec_open2(codec, encoder, nullptr), 0);

    AVFormatContext* out = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&out, nullptr, "avi", path.c_str()), 0);
    AVStream* stream = avformat_new_stream(out, nullptr);
    stream->time_base = {1, 10};
    ASSERT_GE(avcodec_parameters_from_context(stream->codecpar, codec), 0);
    stream->codecpar->width = announcedWidth;
    stream->codecpar->height = announcedHeight;
    ASSERT_GE(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(out, nullptr), 0);

    AVFrame* frame = av_frame_alloc();
    frame->format = codec->pix_fmt;
    frame->width = width;
    frame->height = height;
    ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
    // Mid grey codes as nothing but zero coefficients, so it decodes exactly.
    for (int plane = 0; plane < 3; ++plane)
        for (int y = 0; y < height; ++y) std::fill_n(frame->data[plane] + y * frame->linesize[plane], width, 128);
    AVPacket* packet = av_packet_alloc();
    for (int n = 0; n < frames; ++n) {
        frame->pts = n;
        ASSERT_GE(avcodec_send_frame(codec, frame), 0);
        ASSERT_GE(avcodec_receive_packet(codec, packet), 0);
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = 0;
        ASSERT_GE(av_write_frame(out, packet), 0);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    av_write_trailer(out);
    avio_closep(&out->pb);
    avformat_free_context(out);
    avcodec_free_context(&codec);
}

TEST_F(VideoWrittenTest, FramesLargerThanAnnouncedAreRefusedOthersDecodeUnchanged)
{
    struct Case {
        int announcedWidth, announcedHeight;
        bool shown;
    };
    // The frames are 32 x 24; a header may overstate the size, never understate it.
    const Case cases[] = {{32, 24, true}, {40, 30, true}, {31, 24, false}, {32, 23, false}, {16, 12, false}};
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.announcedWidth) + " x " + std::to_string(c.announcedHeight);
        WriteMjpegVideo(path_, c.announcedWidth, c.announcedHeight, 32, 24, 2);
        EXPECT_EQ(VideoSource::VideoFrameCount(path_), 2) << what;
        VideoSource video;
        ASSERT_TRUE(video.Open(path_)) << what << ": " << video.LastError();
        for (int k = 0; k < 2; ++k) {
            video.Seek(k);
            const auto frame = video.ReadFrame();
            ASSERT_EQ(frame.has_value(), c.shown) << what << " frame " << k;
            if (frame) {
                Bitmap24 grey(32, 24);
                for (int y = 0; y < 24; ++y) std::fill_n(grey.row(y), 32, ColourPixel{128, 128, 128});
                EXPECT_EQ(*frame, grey) << what << " frame " << k;
            } else {
                EXPECT_NE(video.LastError().find(path_.string()), std::string::npos) << video.LastError();
                EXPECT_NE(video.LastError().find("larger than the " + what), std::string::npos)
                    << video.LastError();
            }
        }
    }
}

double MeanGreen(const Bitmap24& frame)
{
    double sum = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) sum += frame.at(x, y).green;
    return sum / (double(frame.width()) * frame.height());
}

TEST(VideoFileTest, EveryFrameComesInDisplayOrderWhateverTheCodingOrTheIndex)
{
    av_log_set_level(AV_LOG_QUIET);
    const fs::path made = QUIVANE_TEST_VIDEOS;
    // The bframes_* files hold 30 frames growing brighter, coded with
    // B-frames: the decoder holds two frames back, so in an AVI its first
    // frame is stamped after the first chunk, and it gives the last two only
    // when told the input has ended. The cut's edit list leaves its first 11
    // out. The index_past_end_* AVIs point their index entries 10..29 past
    // the end of the file, whose data holds every frame.
    const struct {
        fs::path file;
        int frames;
        bool rising;
    } cases[] = {
        {made / "bframes_h264.avi", 30, true},
        {made / "bframes_mpeg4.avi", 30, true},
        {made / "bframes_h264.mp4", 30, true},
        {made / "bframes_mpeg4.mkv", 30, true},
        {made / "bframes_h264_cut.mp4", 19, true},
        {fs::path(QUIVANE_TESTDATA) / "captures" / "video_h264" / "mars_640x360_h264.mp4", 30, false},
        {made / "index_past_end_raw.avi", 30, true},
        {made / "index_past_end_mjpeg_sound.avi", 30, true},
    };
    for (const auto& c : cases) {
        const std::string name = c.file.filename().string();
        std::string message;
        EXPECT_EQ(VideoSource::VideoFrameCount(c.file.string(), message), c.frames) << name;
        EXPECT_EQ(message, "") << name;
        const auto frames = ReadFrames(c.file.string(), c.frames);
        ASSERT_EQ(frames.size(), std::size_t(c.frames + 1)) << name;
        double previous = -5;  // below any first frame
        for (int k = 0; k < c.frames; ++k) {
            ASSERT_TRUE(frames[k]) << name << " frame " << k;
            const double mean = MeanGreen(*frames[k]);
            EXPECT_TRUE(!c.rising || mean > previous + 4) << name << " frame " << k << ": " << mean;
            previous = mean;
        }
        EXPECT_FALSE(frames.back()) << name;
    }
}

// Ends the process if a read blocks, so a hang shows as a failure here
// rather than as a test run that never finishes.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
};

TEST(VideoSourceFiles, WhatIsNotARegularFileIsRefusedAtOnceNamingIt)
{
    av_log_set_level(AV_LOG_QUIET);
    const testing::TempFolder folder("video_not_file");
    ASSERT_EQ(::mkfifo((folder / "pipe.avi").c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {folder / "pipe.avi", "not a regular file"},  // no writer: FFmpeg would wait for one for ever
        {folder.path().string(), "folder"},
        {"/dev/zero", "not a regular file"},  // endless
    };
    const Watchdog watchdog(20);
    for (const auto& c : cases) {
        std::string message;
        EXPECT_EQ(VideoSource::VideoFrameCount(c.path, message), -1) << c.path;
        EXPECT_NE(message.find("\"" + c.path + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;

        VideoSource video;
        EXPECT_FALSE(video.Open(c.path)) << c.path;
        EXPECT_NE(video.LastError().find("\"" + c.path + "\""), std::string::npos) << video.LastError();
        EXPECT_NE(video.LastError().find(c.reason), std::string::npos) << video.LastError();
    }
}

}  // namespace
}  // namespace quivane
