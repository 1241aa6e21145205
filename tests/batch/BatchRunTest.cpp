#include "batch/BatchRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "acquire/BmpReader.h"
#include "acquire/PictureFile.h"
#include "acquire/VideoSource.h"
#include "image/Picture.h"
#include "output/BmpWriter.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

class BatchRunTest : public ::testing::Test {
protected:
    testing::TempFolder temp{"batch"};
    fs::path folder = temp.path();
    fs::path samples = fs::path(QUIVANE_SAMPLES);
    std::ostringstream out, errors;


    BatchOptions Options(int last = 8)
    {
        BatchOptions o;
        o.first = (samples / "Pictures" / "PLANET_0001.BMP").string();
        char name[32];
        std::snprintf(name, sizeof name, "PLANET_%04d.BMP", last);
        o.last = (samples / "Pictures" / name).string();
        o.output = (folder / "out.bmp").string();
        return o;
    }
    BatchExit Run(const BatchOptions& o) { return RunBatch(o, out, errors, nullptr); }
};

TEST_F(BatchRunTest, WritesTheRenderedResult)
{
    BatchOptions o = Options();
    o.alignAuto = true;
    o.enhancement[EnhancementStageId::UnsharpMask] = {true, {3}};
    o.enhancement[EnhancementStageId::Deconvolution] = {true, {1, 2}};
    o.enhancement[EnhancementStageId::Convolution].on = true;
    o.clahe = 2;
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    const auto written = ReadBmp(o.output);
    ASSERT_TRUE(std::holds_alternative<Bitmap24>(written));
    EXPECT_EQ(std::get<Bitmap24>(written).width(), 192);
}

// The same run written as each format: every one holds the bitmap's pixels.
TEST_F(BatchRunTest, TheOutputsExtensionDecidesTheFormat)
{
    BatchOptions o = Options(4);
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    const Bitmap24 bitmap = std::get<Bitmap24>(ReadBmp(o.output));
    for (const char* name : {"out.png", "out.TIF", "out.fits"}) {
        SCOPED_TRACE(name);
        o.output = (folder / name).string();
        ASSERT_EQ(Run(o), BatchWritten) << errors.str();
        const auto read = ReadPictureFile(o.output);
        ASSERT_TRUE(std::holds_alternative<DeepFrame>(read));
        const DeepFrame& frame = std::get<DeepFrame>(read);
        ASSERT_EQ(frame.channels, 3);
        ASSERT_EQ(frame.width, bitmap.width());
        for (int y = 0; y < bitmap.height(); y += 7)
            for (int x = 0; x < bitmap.width(); x += 5) {
                ASSERT_EQ(frame.at(x, y, 0), bitmap.at(x, y).red * 257) << x << ", " << y;
                ASSERT_EQ(frame.at(x, y, 2), bitmap.at(x, y).blue * 257) << x << ", " << y;
            }
    }
}

TEST_F(BatchRunTest, PrintsOffsetsAfterAlignment)
{
    BatchOptions o = Options(3);
    o.alignAuto = true;
    o.printOffsets = true;
    o.qualities = {{2, 3}};
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    std::istringstream lines(out.str());
    int n, dx, dy, quality, count = 0;
    while (lines >> n >> dx >> dy >> quality) {
        ++count;
        EXPECT_EQ(n, count);
        if (n == 1) {
            EXPECT_EQ(dx, 0);
        }
        if (n == 2) {
            EXPECT_EQ(quality, 3);
        }
    }
    EXPECT_EQ(count, 3);
}

TEST_F(BatchRunTest, SameSettingsGiveTheSameBytes)
{
    BatchOptions o = Options(5);
    o.combine = CombineMethod::Median;
    o.mode = 3;
    o.bias = 100;
    ASSERT_EQ(Run(o), BatchWritten);
    std::ifstream first(o.output, std::ios::binary);
    const std::string a((std::istreambuf_iterator<char>(first)), {});
    ASSERT_EQ(Run(o), BatchWritten);
    std::ifstream second(o.output, std::ios::binary);
    EXPECT_EQ(a, std::string((std::istreambuf_iterator<char>(second)), {}));
}

TEST_F(BatchRunTest, RefusedInputExitsWithTwo)
{
    BatchOptions missing = Options();
    missing.first = (folder / "NOPE_0001.BMP").string();
    EXPECT_EQ(Run(missing), BatchRefused);
    EXPECT_NE(errors.str().find("NOPE_0001.BMP"), std::string::npos);

    BatchOptions noSuchPicture = Options(3);
    noSuchPicture.offsets = {{4, 1, 1}};
    EXPECT_EQ(Run(noSuchPicture), BatchRefused);

    BatchOptions sameFile = Options(1);
    EXPECT_EQ(Run(sameFile), BatchRefused);
    EXPECT_NE(errors.str().find("The names of first and last picture cannot be the same"), std::string::npos);

    BatchOptions badKernel = Options(3);
    badKernel.kernelFiles[UnsharpMaskKernel] = (folder / "missing.bmp").string();
    EXPECT_EQ(Run(badKernel), BatchRefused);
    EXPECT_FALSE(fs::exists(folder / "out.bmp"));
}

TEST_F(BatchRunTest, AKernelOfARefusedSizeIsRefusedInputForEveryKernelOption)
{
    // 320 x 240: far too large; the result would silently use another kernel.
    const std::string picture = (samples / "Pictures" / "PLANET_0002.BMP").string();
    for (KernelKind kernel : {UnsharpMaskKernel, DeconvolutionKernel, ConvolutionKernel}) {
        BatchOptions o = Options(3);
        o.kernelFiles[kernel] = picture;
        o.enhancement[EnhancementStageId::UnsharpMask] = {true, {3}};
        o.enhancement[EnhancementStageId::Convolution].on = true;
        errors.str("");
        EXPECT_EQ(Run(o), BatchRefused);
        EXPECT_NE(errors.str().find("Error: wrong size PSFbitmap (<3 or >31 pixels)"), std::string::npos);
        EXPECT_NE(errors.str().find(picture), std::string::npos) << errors.str();
        EXPECT_FALSE(fs::exists(folder / "out.bmp"));
    }
}

TEST_F(BatchRunTest, NamedFilesAreCheckedBeforeAnythingIsPrinted)
{
    const fs::path shortTable = folder / "short.lut";
    std::ofstream(shortTable) << "tiny";
    fs::create_directory(folder / "table_folder");
    using Field = std::string& (*)(BatchOptions&);
    const Field lut = [](BatchOptions& o) -> std::string& { return o.lut; };
    const Field dark = [](BatchOptions& o) -> std::string& { return o.dark; };
    const Field filter = [](BatchOptions& o) -> std::string& { return o.kernelFiles[ConvolutionKernel]; };
    const struct {
        Field file;
        fs::path path;
        BatchExit exit;
        const char* message;
    } cases[] = {
        {lut, folder / "missing.lut", BatchRefused, "missing.lut"},
        {lut, folder / "table_folder", BatchRefused, "folder"},
        {lut, shortTable, BatchProcessingError, "Read beyond end of file"},
        {dark, folder / "table_folder", BatchRefused, "dark frame"},
        {filter, "/dev/zero", BatchRefused, "not a regular file"},
    };
    for (const auto& c : cases) {
        BatchOptions o = Options(3);
        o.printOffsets = true;
        c.file(o) = c.path.string();
        out.str("");
        errors.str("");
        EXPECT_EQ(Run(o), c.exit) << c.path;
        EXPECT_NE(errors.str().find(c.message), std::string::npos) << errors.str();
        EXPECT_EQ(out.str(), "") << "the offsets come after the load, which must not start";
        EXPECT_FALSE(fs::exists(folder / "out.bmp"));
    }
}

TEST_F(BatchRunTest, FramesBeyondThePictureMemoryAreLeftOutWithAWarning)
{
    BatchOptions o = Options(40);
    o.width = 768;  // 28 pictures fit into 48 MiB
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    EXPECT_NE(errors.str().find("kept 28 of 40 frames: picture memory full"), std::string::npos) << errors.str();
    errors.str("");
    o.memoryMiB = 96;
    ASSERT_EQ(Run(o), BatchWritten);
    EXPECT_EQ(errors.str().find("picture memory full"), std::string::npos) << errors.str();
}

TEST_F(BatchRunTest, AGreyMosaicVideoIsDebayeredWithTheNamedPattern)
{
    const fs::path video = fs::path(QUIVANE_TESTDATA) / "captures" / "video_bayer_y800" / "mars_rggb8_y800.avi";
    if (!fs::exists(video)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << video;
    auto redOverBlue = [&](BayerChoice bayer) {
        BatchOptions o = Options();
        o.first.clear();
        o.avi = video.string();
        o.bayer = bayer;
        EXPECT_EQ(Run(o), BatchWritten) << errors.str();
        const Bitmap24 result = std::get<Bitmap24>(ReadBmp(o.output));
        double red = 0, blue = 0;
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                red += result.at(x, y).red;
                blue += result.at(x, y).blue;
            }
        return red / std::max(1.0, blue);
    };
    EXPECT_NEAR(redOverBlue(BayerChoice::Auto), 1.0, 0.02) << "the file does not say it holds a mosaic";
    EXPECT_GT(redOverBlue(BayerChoice::RGGB), 1.3);
    EXPECT_LT(redOverBlue(BayerChoice::BGGR), 0.8);
}

TEST_F(BatchRunTest, SixteenBitSeriesOfEveryFormatLoadEveryFrame)
{
    const fs::path captures = fs::path(QUIVANE_TESTDATA) / "captures";
    if (!fs::exists(captures)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << captures;
    const struct {
        const char* folder;
        const char* first;
        const char* last;
    } cases[] = {
        {"series_png16", "MARS_0001.png", "MARS_0020.png"},
        {"series_fits16", "MOON_0001.fits", "MOON_0020.fits"},
        {"seeing", "MARS_0001.BMP", "MARS_0060.BMP"},
    };
    for (const auto& c : cases) {
        BatchOptions o = Options();
        o.first = (captures / c.folder / c.first).string();
        o.last = (captures / c.folder / c.last).string();
        o.printOffsets = true;
        out.str("");
        ASSERT_EQ(Run(o), BatchWritten) << c.folder << ": " << errors.str();
        const std::string lines = out.str();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), c.folder == std::string("seeing") ? 60 : 20)
            << c.folder;
    }
}

TEST_F(BatchRunTest, AnUnwritableOutputExitsWithOne)
{
    BatchOptions unwritable = Options(3);
    unwritable.output = (folder / "no" / "such" / "out.bmp").string();
    EXPECT_EQ(Run(unwritable), BatchProcessingError);
}

TEST_F(BatchRunTest, NegativeTableInvertsTheResult)
{
    BatchOptions plain = Options(3);
    plain.mode = 0;
    ASSERT_EQ(Run(plain), BatchWritten);
    const Bitmap24 a = std::get<Bitmap24>(ReadBmp(plain.output));
    BatchOptions negative = plain;
    negative.lutNegative = true;
    ASSERT_EQ(Run(negative), BatchWritten);
    const Bitmap24 b = std::get<Bitmap24>(ReadBmp(negative.output));
    EXPECT_NEAR(a.at(96, 72).green + b.at(96, 72).green, 255, 3);
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST_F(BatchRunTest, VideoGivesTheSameResultAsItsFramesAsABitmapSeries)
{
    const fs::path video = fs::path(QUIVANE_TESTDATA) / "avi" / "v07_mjpeg.avi";
    if (!fs::exists(video)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << QUIVANE_TESTDATA;
    VideoSource source;
    ASSERT_TRUE(source.Open(video.string()));
    for (int k = 0; k < 12; ++k) {
        source.Seek(k);
        const auto frame = source.ReadFrame();
        ASSERT_TRUE(frame);
        char name[32];
        std::snprintf(name, sizeof name, "V_%02d.BMP", k + 1);
        ASSERT_FALSE(WriteBmp(*frame, (folder / name).string()));
    }
    source.Close();

    BatchOptions fromVideo = Options();
    fromVideo.first.clear();
    fromVideo.avi = video.string();
    fromVideo.width = 128;  // limit 1024: all 30 frames would be read
    fromVideo.output = (folder / "video.bmp").string();
    BatchOptions fromBitmaps = fromVideo;
    fromBitmaps.avi.clear();
    fromBitmaps.first = (folder / "V_01.BMP").string();
    fromBitmaps.last = (folder / "V_12.BMP").string();
    fromBitmaps.output = (folder / "bitmaps.bmp").string();
    // The same twelve frames: the first twelve of the video via quality marks.
    for (int n = 13; n <= 30; ++n) fromVideo.qualities.push_back({n, QualityDont});
    fromVideo.combine = fromBitmaps.combine = CombineMethod::MinMax;  // min/max leaves "Dont" pictures out
    fromVideo.alignAuto = fromBitmaps.alignAuto = true;
    ASSERT_EQ(Run(fromVideo), BatchWritten) << errors.str();
    ASSERT_EQ(Run(fromBitmaps), BatchWritten) << errors.str();
    EXPECT_EQ(Bytes(fromVideo.output), Bytes(fromBitmaps.output));
}

TEST_F(BatchRunTest, VideoWithoutAVideoStreamIsRefused)
{
    const fs::path audio = fs::path(QUIVANE_TESTDATA) / "avi" / "s02_audio_only.avi";
    if (!fs::exists(audio)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << QUIVANE_TESTDATA;
    BatchOptions o = Options();
    o.first.clear();
    o.avi = audio.string();
    EXPECT_EQ(Run(o), BatchRefused);
    EXPECT_NE(errors.str().find("holds no readable video"), std::string::npos) << errors.str();
}

TEST_F(BatchRunTest, CorrectionFilesAreAppliedOrRefused)
{
    Bitmap24 dark(320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) dark.at(x, y) = ColourPixel{40, 40, 40};
    ASSERT_FALSE(WriteBmp(dark, (folder / "dark.bmp").string()));
    BatchOptions plain = Options(3);
    plain.output = (folder / "plain.bmp").string();
    BatchOptions corrected = Options(3);
    corrected.dark = (folder / "dark.bmp").string();
    ASSERT_EQ(Run(plain), BatchWritten);
    ASSERT_EQ(Run(corrected), BatchWritten) << errors.str();
    EXPECT_NE(Bytes(plain.output), Bytes(corrected.output));

    BatchOptions missing = Options(3);
    missing.flat = (folder / "no_flat.bmp").string();
    EXPECT_EQ(Run(missing), BatchRefused);
    EXPECT_NE(errors.str().find("no_flat.bmp"), std::string::npos);
}

// ---- keep best and the quality lines --------------------------------------

struct QualityLine {
    int picture = 0;
    double score = 0.0;
    std::string mark, reason;
};

std::vector<QualityLine> QualityLines(const std::string& text)
{
    std::vector<QualityLine> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        QualityLine q;
        std::string score;
        if (words >> q.picture >> score >> q.mark >> q.reason) {
            q.score = std::stod(score);
            lines.push_back(q);
        }
    }
    return lines;
}

TEST_F(BatchRunTest, PrintQualityGivesEveryPictureItsScoreMarkAndReasonWithoutChangingAMark)
{
    BatchOptions o = Options(10);
    o.printQuality = true;
    o.qualities = {{3, QualityBad}};
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    const std::vector<QualityLine> lines = QualityLines(out.str());
    ASSERT_EQ(lines.size(), 10u) << out.str();
    for (int n = 1; n <= 10; ++n) {
        const QualityLine& q = lines[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(q.picture, n);
        EXPECT_EQ(q.mark, n == 3 ? "bad" : "avg") << "without --keep no mark changes";
        EXPECT_EQ(q.reason, "-");
        EXPECT_GT(q.score, 0.0);
    }

    // The same result as the run without the option: scoring changes nothing.
    std::ifstream a(o.output, std::ios::binary);
    const std::string withScores((std::istreambuf_iterator<char>(a)), {});
    o.printQuality = false;
    o.output = (folder / "plain.bmp").string();
    ASSERT_EQ(Run(o), BatchWritten);
    std::ifstream b(o.output, std::ios::binary);
    EXPECT_TRUE(withScores == std::string((std::istreambuf_iterator<char>(b)), {}));
}

TEST_F(BatchRunTest, KeepMarksTheBestFromTheRankingAndHandMarksComeAfter)
{
    BatchOptions o = Options(20);
    o.keep = KeepRule::Percent(40);
    o.printQuality = true;
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    std::vector<QualityLine> lines = QualityLines(out.str());
    ASSERT_EQ(lines.size(), 20u);
    std::vector<QualityLine> ranked = lines;
    std::stable_sort(ranked.begin(), ranked.end(), [](auto& a, auto& b) { return a.score > b.score; });
    // 40 % of 20: the best 8 kept, the best 2 of them good.
    for (std::size_t r = 0; r < ranked.size(); ++r)
        EXPECT_EQ(ranked[r].mark, r < 2 ? "good" : r < 8 ? "avg" : "dont") << "rank " << r + 1;

    // A mark given by hand wins over the ranking's.
    const int worst = ranked.back().picture;
    o.qualities = {{worst, QualityGood}};
    o.keep = KeepRule::Count(1);
    out.str("");
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    lines = QualityLines(out.str());
    EXPECT_EQ(lines[static_cast<std::size_t>(worst - 1)].mark, "good");
    EXPECT_EQ(lines[static_cast<std::size_t>(ranked.front().picture - 1)].mark, "good");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& q) { return q.mark == "dont"; }), 18);
}

TEST_F(BatchRunTest, BadFramesArePrintedWithTheirReasonAndNeverKept)
{
    const fs::path seeing = fs::path(QUIVANE_TESTDATA) / "captures" / "seeing";
    for (int n = 1; n <= 12; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "MARS_%04d.BMP", n);
        char source[32];
        std::snprintf(source, sizeof source, "MARS_%04d.BMP", n == 6 ? 5 : n);  // 6 repeats 5
        fs::copy_file(seeing / source, folder / name);
    }
    BatchOptions o = Options();
    o.first = (folder / "MARS_0001.BMP").string();
    o.last = (folder / "MARS_0012.BMP").string();
    o.keep = KeepRule::Percent(100);
    o.printQuality = true;
    ASSERT_EQ(Run(o), BatchWritten) << errors.str();
    const std::vector<QualityLine> lines = QualityLines(out.str());
    ASSERT_EQ(lines.size(), 12u);
    for (const QualityLine& q : lines) {
        EXPECT_EQ(q.reason, q.picture == 6 ? "repeated" : "-") << q.picture;
        EXPECT_EQ(q.mark == "dont", q.picture == 6) << q.picture;
    }
}

}  // namespace
}  // namespace quivane
