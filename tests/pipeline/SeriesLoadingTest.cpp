#include "pipeline/SeriesLoading.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

#include "acquire/BmpReader.h"
#include "image/DeepConversion.h"
#include "output/BmpWriter.h"
#include "select/FrameMeasure.h"
#include "select/SeriesMaterial.h"
#include "support/TempFolder.h"
#include "support/Pictures.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quivane {
namespace {

// A reddish disc: red 200, green 120, blue 60 inside radius 30.
Bitmap24 Disc()
{
    Bitmap24 b(160, 120);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const bool inside = (x - 80) * (x - 80) + (y - 60) * (y - 60) < 900;
            b.at(x, y) = inside ? ColourPixel{60, 120, 200} : ColourPixel{5, 5, 5};
        }
    return b;
}

// The same disc seen through an RGGB mosaic, as a grey 24-bit frame.
Bitmap24 RggbAsGrey(const Bitmap24& colour)
{
    Bitmap24 b(colour.width(), colour.height());
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x) {
            const ColourPixel c = colour.at(x, y);
            const std::uint8_t v = (y % 2 == 0) ? (x % 2 == 0 ? c.red : c.green) : (x % 2 == 0 ? c.green : c.blue);
            b.at(x, y) = ColourPixel{v, v, v};
        }
    return b;
}

SeriesSettings Settings()
{
    SeriesSettings s;
    s.maxPictures = 10;
    return s;
}

TEST(SeriesLoading, EightBitDataReadDeepGivesTheSameBytesAsTheTwentyFourBitWay)
{
    LoadObserver quiet;
    PictureSeries plain, deep;
    AddSeriesFrame(plain, Disc(), Settings(), quiet);
    AddSeriesFrame(deep, ToDeepFrame(Disc()), Settings(), quiet);
    ASSERT_EQ(testing::PicturesIn(deep), 2u);
    EXPECT_EQ(deep.at(1).bitmap, plain.at(1).bitmap);
}

TEST(SeriesLoading, AGreyFrameGivesTheSameBytesAsItsTwentyFourBitTwin)
{
    LoadObserver quiet;
    const Bitmap24 colour = Disc();
    Bitmap8 grey(colour.width(), colour.height());
    Bitmap24 twin(colour.width(), colour.height());
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x) {
            const std::uint8_t v = static_cast<std::uint8_t>((colour.at(x, y).red + x * 3 + y) % 256);
            grey.at(x, y) = v;
            twin.at(x, y) = ColourPixel{v, v, v};
        }
    // A grey bitmap series is loaded as grey frames: a named mosaic and a
    // dark frame must treat them as they treat the colour twins.
    SeriesSettings whole = Settings(), rggb = Settings(), dark = Settings();
    whole.fullPicture = true;
    rggb.bayer = BayerChoice::RGGB;
    dark.correction.flags = CorrectDarkFrame;
    dark.correction.darkFrame = Bitmap24(colour.width(), colour.height());
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x)
            dark.correction.darkFrame.at(x, y) = ColourPixel{std::uint8_t(x % 5), std::uint8_t(y % 3), 2};
    int kind = 0;
    for (const SeriesSettings& s : {Settings(), whole, rggb, dark}) {
        PictureSeries fromGrey, fromTwin;
        AddSeriesFrame(fromGrey, grey, s, quiet);
        AddSeriesFrame(fromTwin, twin, s, quiet);
        ASSERT_EQ(testing::PicturesIn(fromGrey), 2u);
        EXPECT_EQ(fromGrey.at(1).bitmap, fromTwin.at(1).bitmap) << kind;
        EXPECT_EQ(fromGrey.at(1).threshold, fromTwin.at(1).threshold) << kind;
        EXPECT_EQ(fromGrey.at(1).sharpness, fromTwin.at(1).sharpness) << kind;
        ++kind;
    }
}

TEST(SeriesLoading, AGreyVideoFrameIsDebayeredWithTheChosenPatternOnly)
{
    LoadObserver quiet;
    const Bitmap24 mosaic = RggbAsGrey(Disc());
    auto centreChroma = [&](BayerChoice choice) {
        SeriesSettings s = Settings();
        s.bayer = choice;
        PictureSeries pictures;
        AddSeriesFrame(pictures, mosaic, s, quiet);
        return pictures.at(1).bitmap.at(96, 72);
    };
    const PicturePixel none = centreChroma(BayerChoice::Auto), rggb = centreChroma(BayerChoice::RGGB),
                       bggr = centreChroma(BayerChoice::BGGR);
    EXPECT_EQ(none.chromaRed, none.chromaBlue) << "a grey video without a named pattern stays grey";
    EXPECT_GT(rggb.chromaRed, rggb.chromaBlue) << "the disc is red";
    EXPECT_LT(bggr.chromaRed, bggr.chromaBlue) << "the wrong pattern swaps red and blue";
}

// Every picture of a 16-bit series keeps far more levels than the two or
// three its top bytes alone would give a faint object.
TEST(SeriesLoading, ASixteenBitSeriesIsStretchedFromItsFullDepth)
{
    const std::filesystem::path folder = std::filesystem::path(QUIVANE_TESTDATA) / "captures" / "series_png16";
    if (!std::filesystem::exists(folder)) FAIL() << "test material missing: " << folder;
    const auto names = SplitSequenceNames("MARS_0001.PNG", "MARS_0003.PNG");
    ASSERT_TRUE(names);
    LoadObserver quiet;
    PictureSeries pictures;
    const SeriesLoadReport report = LoadBitmapSeries(folder.string() + "/", *names, ".PNG", Settings(), pictures, quiet);
    ASSERT_FALSE(report.failure) << *report.failure;
    ASSERT_EQ(testing::PicturesIn(pictures), 4u);
    std::set<int> levels;
    for (int y = 0; y < pictures.at(1).bitmap.height(); ++y)
        for (int x = 0; x < pictures.at(1).bitmap.width(); ++x) levels.insert(pictures.at(1).bitmap.at(x, y).luminance);
    EXPECT_GE(levels.size(), 200u);
}

// Files made by scripts/make-test-videos.
CaptureFile Made(const std::string& name)
{
    av_log_set_level(AV_LOG_QUIET);
    auto opened = CaptureFile::Open((std::filesystem::path(QUIVANE_TEST_VIDEOS) / name).string());
    EXPECT_TRUE(std::holds_alternative<CaptureFile>(opened)) << name;
    return std::get_if<CaptureFile>(&opened) ? std::move(std::get<CaptureFile>(opened)) : CaptureFile();
}

TEST(SeriesLoading, ACaptureLoadReportsWhatReadingLeftOut)
{
    // 30 frames: the first cannot be decoded, the data ends after the 25th.
    const std::string damaged = "frame 1 of 30 cannot be decoded and was left out";
    const struct {
        int maxPictures;
        std::size_t pictures;  // the result and the inputs
        std::vector<std::string> warnings;
    } cases[] = {
        {100, 25, {damaged, "the data ends after frame 25 of 30: the capture was probably cut short"}},
        {10, 10, {damaged, FramesLeftOutWarning(9, 30)}},
    };
    for (const auto& c : cases) {
        CaptureFile capture = Made("damaged_ends.avi");
        SeriesSettings s = Settings();
        s.maxPictures = c.maxPictures;
        PictureSeries pictures;
        LoadObserver quiet;
        const SeriesLoadReport report = LoadCaptureSeries(capture, s, pictures, quiet);
        EXPECT_EQ(testing::PicturesIn(pictures), c.pictures) << c.maxPictures;
        EXPECT_EQ(report.warnings, c.warnings) << c.maxPictures;
    }
}

TEST(SeriesLoading, AVideoNamingItsMosaicIsDebayeredAsIfTheUserHadNamedIt)
{
    // The disc of Disc() through an RGGB mosaic, in FFmpeg's bayer_rggb8.
    CaptureFile capture = Made("disc_rggb8.nut");
    PictureSeries fromFile, named;
    LoadObserver quiet;
    LoadCaptureSeries(capture, Settings(), fromFile, quiet);
    SeriesSettings rggb = Settings();
    rggb.bayer = BayerChoice::RGGB;
    AddSeriesFrame(named, RggbAsGrey(Disc()), rggb, quiet);
    ASSERT_EQ(testing::PicturesIn(fromFile), 2u);
    EXPECT_EQ(fromFile.at(1).bitmap, named.at(1).bitmap);
}

CaptureFile OpenedCapture(const std::filesystem::path& file)
{
    if (!std::filesystem::exists(file)) ADD_FAILURE() << "test material missing: " << file;
    auto opened = CaptureFile::Open(file.string());
    return std::get_if<CaptureFile>(&opened) ? std::move(std::get<CaptureFile>(opened)) : CaptureFile();
}

// Stops the load once it holds `last` input pictures.
class StopAfter : public LoadObserver {
public:
    explicit StopAfter(int last) : last_(last) {}
    void counted(int count) override { count_ = count; }
    bool stopRequested() override { return count_ >= last_; }

private:
    int last_, count_ = 0;
};

// The load prepares two frames at a time on two threads; what it adds must
// be what adding the frames one by one gives, in order, whether the count is
// odd or even and wherever the user stops it. A failure on either thread
// comes back to the caller.
TEST(SeriesLoading, ACaptureLoadedInPairsGivesThePicturesOfOneByOne)
{
    const auto file = std::filesystem::path(QUIVANE_TESTDATA) / "captures" / "ser_mono8" / "mars_mono8.ser";
    CaptureFile reader = OpenedCapture(file);
    ASSERT_EQ(reader.frameCount(), 20);
    PictureSeries oneByOne;
    LoadObserver quiet;
    CaptureFrame frame;
    for (int k = 0; k < 20; ++k) {
        ASSERT_TRUE(reader.ReadFrame(k, frame));
        AddSeriesFrame(oneByOne, std::get<Bitmap8>(frame), Settings(), quiet);
    }
    const struct {
        int maxPictures, stopAfter;
        std::size_t pictures;
    } cases[] = {{20, 99, 21}, {7, 99, 8}, {20, 4, 5}, {20, 5, 6}, {1, 99, 2}};
    for (const auto& c : cases) {
        CaptureFile capture = OpenedCapture(file);
        SeriesSettings s = Settings();
        s.maxPictures = c.maxPictures;
        StopAfter observer(c.stopAfter);
        PictureSeries pictures;
        LoadCaptureSeries(capture, s, pictures, observer);
        ASSERT_EQ(testing::PicturesIn(pictures), c.pictures) << c.maxPictures << " " << c.stopAfter;
        for (std::size_t i = 0; i < testing::PicturesIn(pictures); ++i) EXPECT_EQ(pictures.at(i).bitmap, oneByOne.at(i).bitmap) << i;
    }
    for (int maxPictures : {1, 2}) {
        CaptureFile capture = OpenedCapture(file);
        SeriesSettings tooWide = Settings();
        tooWide.width = 1000;  // past what enlargement allows: every frame fails
        tooWide.maxPictures = maxPictures;
        PictureSeries pictures;
        EXPECT_THROW(LoadCaptureSeries(capture, tooWide, pictures, quiet), std::runtime_error) << maxPictures;
    }
}


// A bitmap series is prepared two frames at a time as well, the next file
// read ahead: the pictures must be those of reading and adding each frame
// alone, in order, with a number missing from the series, at any limit,
// wherever the user stops, and up to a file that cannot be read, which ends
// the load with its problem only once the series gets there.
TEST(SeriesLoading, ABitmapSeriesLoadedInPairsGivesThePicturesOfOneByOne)
{
    const std::filesystem::path seeing = std::filesystem::path(QUIVANE_TESTDATA) / "captures" / "seeing";
    testing::TempFolder folder("bitmap_pairs");
    char name[32];
    for (int n = 1; n <= 9; ++n) {
        std::snprintf(name, sizeof name, "MARS_%04d.BMP", n);
        if (n != 4) std::filesystem::copy_file(seeing / name, folder.path() / name);
    }
    PictureSeries oneByOne;
    LoadObserver quiet;
    for (int n : {1, 2, 3, 5, 6, 7, 8, 9}) {
        std::snprintf(name, sizeof name, "MARS_%04d.BMP", n);
        AddSeriesFrame(oneByOne, std::get<Bitmap24>(ReadBmp((folder.path() / name).string())), Settings(), quiet);
    }
    const auto names = SplitSequenceNames("MARS_0001.BMP", "MARS_0009.BMP");
    ASSERT_TRUE(names);
    const std::string path = folder.path().string() + "/";
    const struct {
        int maxPictures, stopAfter;
        std::size_t pictures;
    } cases[] = {{20, 99, 9}, {5, 99, 6}, {1, 99, 2}, {20, 3, 4}, {20, 4, 5}};
    for (const auto& c : cases) {
        SeriesSettings s = Settings();
        s.maxPictures = c.maxPictures;
        StopAfter observer(c.stopAfter);
        PictureSeries pictures;
        const SeriesLoadReport report = LoadBitmapSeries(path, *names, ".BMP", s, pictures, observer);
        EXPECT_FALSE(report.failure);
        ASSERT_EQ(testing::PicturesIn(pictures), c.pictures) << c.maxPictures << " " << c.stopAfter;
        for (std::size_t i = 0; i < testing::PicturesIn(pictures); ++i) EXPECT_EQ(pictures.at(i).bitmap, oneByOne.at(i).bitmap) << i;
    }

    { std::ofstream(folder.path() / "MARS_0007.BMP") << "BM, but nothing more"; }
    PictureSeries pictures;
    const SeriesLoadReport report = LoadBitmapSeries(path, *names, ".BMP", Settings(), pictures, quiet);
    ASSERT_TRUE(report.failure);
    EXPECT_NE(report.failure->find("MARS_0007.BMP"), std::string::npos) << *report.failure;
    ASSERT_EQ(testing::PicturesIn(pictures), 6u) << "frames 1, 2, 3, 5 and 6, the first twice";
    for (std::size_t i = 0; i < testing::PicturesIn(pictures); ++i) EXPECT_EQ(pictures.at(i).bitmap, oneByOne.at(i).bitmap) << i;

    for (int maxPictures : {1, 2, 3}) {
        SeriesSettings tooWide = Settings();
        tooWide.width = 1000;  // past what enlargement allows: every frame fails
        tooWide.maxPictures = maxPictures;
        PictureSeries none;
        EXPECT_THROW(LoadBitmapSeries(path, *names, ".BMP", tooWide, none, quiet), std::runtime_error) << maxPictures;
    }
}

// ---- scoring while loading --------------------------------------------

namespace fs = std::filesystem;

SeriesSettings Working(SeriesWork work)
{
    SeriesSettings s = Settings();
    s.maxPictures = 100;
    s.work = work;
    return s;
}

PictureSeries LoadSeeing(const fs::path& folder, int last, SeriesWork work)
{
    char name[32];
    std::snprintf(name, sizeof name, "MARS_%04d.BMP", last);
    const auto names = SplitSequenceNames("MARS_0001.BMP", name);
    PictureSeries pictures;
    LoadObserver quiet;
    const SeriesLoadReport report = LoadBitmapSeries(folder.string() + "/", *names, ".BMP", Working(work), pictures, quiet);
    EXPECT_FALSE(report.failure);
    return pictures;
}

const fs::path SeeingFolder = fs::path(QUIVANE_TESTDATA) / "captures" / "seeing";

// Scoring while loading changes no byte of any picture; every input picture
// takes the score of its frame as the selection stage measures it.
TEST(SeriesScoring, ALoadScoresEveryFrameAndLeavesThePicturesAsTheyWere)
{
    const PictureSeries scored = LoadSeeing(SeeingFolder, 20, SeriesWork::PicturesAndScores);
    const PictureSeries plain = LoadSeeing(SeeingFolder, 20, SeriesWork::Pictures);
    ASSERT_EQ(testing::PicturesIn(scored), 21u);
    ASSERT_EQ(testing::PicturesIn(plain), 21u);
    const std::vector<Bitmap24>& frames = testing::SeeingFrames();
    for (std::size_t i = 1; i < testing::PicturesIn(scored); ++i) {
        EXPECT_EQ(scored.at(i).bitmap, plain.at(i).bitmap) << i;
        EXPECT_EQ(scored.at(i).threshold, plain.at(i).threshold) << i;
        EXPECT_FALSE(plain.at(i).scored()) << i;
        EXPECT_EQ(scored.at(i).sharpness, MeasureFrame(frames[i - 1], SurveyObject(frames[i - 1]), false).score) << i;
        EXPECT_EQ(scored.at(i).fault, FrameFault::None) << i;
        EXPECT_EQ(scored.at(i).quality, QualityAvg) << "scoring sets no mark";
    }
    EXPECT_EQ(scored.at(0).bitmap, scored.at(1).bitmap);
}

// The series is judged once it is read: a frame written twice and a black
// frame are found with their reason; scoring alone gives the same scores and
// faults without building a picture.
TEST(SeriesScoring, TheSeriesIsJudgedAtTheEndOfTheLoad)
{
    const fs::path folder = fs::temp_directory_path() / ("quivane_scoring_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::vector<Bitmap24>& frames = testing::SeeingFrames();
    ASSERT_GE(frames.size(), 30u);
    for (int n = 1; n <= 30; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "MARS_%04d.BMP", n);
        Bitmap24 frame = frames[static_cast<std::size_t>(n == 11 ? 9 : n - 1)];  // 11 repeats 10
        if (n == 20)
            for (int y = 0; y < frame.height(); ++y)
                for (int x = 0; x < frame.width(); ++x) frame.at(x, y) = ColourPixel{0, 0, 0};
        ASSERT_FALSE(WriteBmp(frame, (folder / name).string()));
    }
    const PictureSeries loaded = LoadSeeing(folder, 30, SeriesWork::PicturesAndScores);
    const PictureSeries measured = LoadSeeing(folder, 30, SeriesWork::ScoresOnly);
    fs::remove_all(folder);
    ASSERT_EQ(testing::PicturesIn(loaded), 31u);
    ASSERT_EQ(testing::PicturesIn(measured), 31u);
    for (std::size_t i = 1; i < testing::PicturesIn(loaded); ++i) {
        const FrameFault expected = i == 11 ? FrameFault::Repeated : i == 20 ? FrameFault::Black : FrameFault::None;
        EXPECT_EQ(loaded.at(i).fault, expected) << i;
        EXPECT_EQ(measured.at(i).fault, expected) << i;
        EXPECT_EQ(measured.at(i).sharpness, loaded.at(i).sharpness) << i;
        EXPECT_TRUE(measured.at(i).bitmap.empty()) << i;
    }
}

// A capture is scored as it loads, two frames at a time, in frame order.
TEST(SeriesScoring, ACaptureIsScoredInFrameOrder)
{
    auto opened = CaptureFile::Open(testing::CapturePath("ser_mono8/mars_mono8.ser"));
    ASSERT_TRUE(std::holds_alternative<CaptureFile>(opened));
    PictureSeries pictures;
    LoadObserver quiet;
    LoadCaptureSeries(std::get<CaptureFile>(opened), Working(SeriesWork::PicturesAndScores), pictures, quiet);
    const std::vector<double> blur = testing::TrueBlur("ser_mono8");
    ASSERT_EQ(testing::PicturesIn(pictures), blur.size() + 1);
    std::vector<double> scores, sharpness;
    for (std::size_t i = 1; i < testing::PicturesIn(pictures); ++i) {
        EXPECT_TRUE(pictures.at(i).scored());
        EXPECT_EQ(pictures.at(i).fault, FrameFault::None) << i;
        scores.push_back(pictures.at(i).sharpness);
        sharpness.push_back(-blur[i - 1]);
    }
    EXPECT_GE(testing::SpearmanCorrelation(scores, sharpness), 0.95);
}

}  // namespace
}  // namespace quivane
