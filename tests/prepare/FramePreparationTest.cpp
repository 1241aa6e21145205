#include "prepare/FramePreparation.h"

#include <gtest/gtest.h>
#include "support/Pictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <set>

#include "image/DeepConversion.h"

namespace quivane {
namespace {

using testing::GreyBitmap;

void FillRect(Bitmap24& frame, int left, int top, int width, int height, int level)
{
    const auto v = static_cast<std::uint8_t>(level);
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) frame.at(x, y) = ColourPixel{v, v, v};
}

Picture Build(const Bitmap24& frame, int enlargement, bool fullPicture, int width = 192, int height = 144)
{
    Picture picture;
    picture.enlargement = enlargement;
    picture.fullPicture = fullPicture;
    BuildPicture(picture, frame, width, height);
    return picture;
}

TEST(ObjectThreshold, EdgeIsWhereTheSkyFallsBelowAQuarterOfItsPeak)
{
    Histogram h{};
    h[10] = 1000;
    h[11] = 600;
    h[12] = 300;
    h[13] = 200;  // below 1000 / 4
    h[80] = 5;
    EXPECT_EQ(ObjectThreshold(h), 13 + 24);
}

TEST(ObjectThreshold, EmptyBinsArePassedOverAndTiesTakeTheLowestPeak)
{
    Histogram h{};
    h[20] = 400;
    h[30] = 400;  // a tie: the lower bin is the peak
    h[21] = 0;
    h[22] = 99;
    EXPECT_EQ(ObjectThreshold(h), 22 + 24);
}

TEST(ObjectThreshold, NoUsableEdgeGivesTwentyFour)
{
    Histogram flat{};
    flat[128] = 5000;
    EXPECT_EQ(ObjectThreshold(flat), 24) << "no bin below a quarter of the peak";

    Histogram high{};
    high[190] = 1000;
    high[201] = 1;
    EXPECT_EQ(ObjectThreshold(high), 24) << "an edge above 200 does not count";

    Histogram brightOnly{};
    brightOnly[255] = 9999;  // bin 255 is never the peak
    brightOnly[0] = 1;
    EXPECT_EQ(ObjectThreshold(brightOnly), 24);
}

TEST(FramePreparation, UniformGreyIsCentredOnTheMiddleAndBecomesBlack)
{
    const Bitmap24 frame = GreyBitmap(101, 61, 100);
    const FrameSurvey survey = SurveyFrame(frame, 24);
    EXPECT_DOUBLE_EQ(survey.centreX, 50.0);
    EXPECT_DOUBLE_EQ(survey.centreY, 30.0);

    const Picture picture = Build(frame, 2, false);
    EXPECT_EQ(picture.threshold, 24);
    for (int y = 0; y < 144; y += 13)
        for (int x = 0; x < 192; x += 7) ASSERT_EQ(picture.bitmap.at(x, y).luminance, 0);
}

TEST(FramePreparation, DarkFrameIsCentredOnTheTopLeftCorner)
{
    const FrameSurvey survey = SurveyFrame(GreyBitmap(64, 48, 10), 24);
    EXPECT_DOUBLE_EQ(survey.centreX, 0.0);
    EXPECT_DOUBLE_EQ(survey.centreY, 0.0);
    const Picture picture = Build(GreyBitmap(64, 48, 0), 1, false);
    EXPECT_EQ(picture.bitmap.at(191, 143), (PicturePixel{255, 255, 255, 0}));
}

TEST(FramePreparation, FullPictureCutsTheMiddleAroundTheFrameCentre)
{
    // White (stretched to 255 * 240 / 256 = 239) exactly where the 96 x 72 cut-out around (160, 120) lies: rows
    // 84..155, columns 112..207. Any other placement would pull black in.
    Bitmap24 frame = GreyBitmap(320, 240, 0);
    FillRect(frame, 112, 84, 96, 72, 255);
    const Picture picture = Build(frame, 2, true);
    for (int y = 0; y < 144; ++y)
        for (int x = 0; x < 192; ++x) ASSERT_EQ(picture.bitmap.at(x, y).luminance, 239) << x << "," << y;

    Bitmap24 shifted = GreyBitmap(320, 240, 0);
    FillRect(shifted, 113, 84, 96, 72, 255);
    EXPECT_NE(Build(shifted, 2, true).bitmap.at(0, 70).luminance, 239);
}

TEST(FramePreparation, FrameSmallerThanTheCutOutRepeatsItsBorder)
{
    Bitmap24 frame = GreyBitmap(50, 40, 30);
    FillRect(frame, 20, 15, 10, 10, 250);
    frame.at(0, 0) = ColourPixel{90, 90, 90};
    const Picture picture = Build(frame, 1, false);
    // The object's centre (24.5, 19.5) rounds to (24, 20): the picture's
    // columns 0..71 and rows 0..51 repeat the frame's top-left pixel.
    const int expected = (90 - 30) * (61440 / (250 - 30)) / 256;
    EXPECT_EQ(picture.bitmap.at(0, 0).luminance, expected);
    EXPECT_EQ(picture.bitmap.at(60, 40).luminance, expected);
    EXPECT_EQ(picture.bitmap.at(60, 40), picture.bitmap.at(3, 7));
}

TEST(FramePreparation, TwoObjectsAreCentredBetweenThemWeightedByLuminance)
{
    Bitmap24 frame = GreyBitmap(320, 240, 5);
    FillRect(frame, 50, 100, 20, 20, 200);   // centre (59.5, 109.5)
    FillRect(frame, 250, 100, 20, 20, 200);  // centre (259.5, 109.5)
    FrameSurvey survey = SurveyFrame(frame, 24);
    EXPECT_DOUBLE_EQ(survey.centreX, 159.5);
    EXPECT_DOUBLE_EQ(survey.centreY, 109.5);

    FillRect(frame, 250, 100, 20, 20, 100);  // half as bright: a third of the weight
    survey = SurveyFrame(frame, 24);
    EXPECT_NEAR(survey.centreX, 59.5 + 200.0 / 3.0, 1e-9);
}

TEST(FramePreparation, PictureHasTheWorkingSizeAndFreshState)
{
    Bitmap24 frame = GreyBitmap(80, 60, 0);
    FillRect(frame, 30, 20, 8, 8, 220);
    for (int e = 1; e <= 6; ++e) {
        const Picture picture = Build(frame, e, false, 384, 288);
        EXPECT_EQ(picture.bitmap.width(), 384);
        EXPECT_EQ(picture.bitmap.height(), 288);
        EXPECT_EQ(picture.quality, QualityAvg);
        EXPECT_EQ(picture.enlargement, e);
    }
}

}  // namespace
}  // namespace quivane

namespace quivane {
namespace {

// A disc on black whose brightness falls from `peak` at the centre to 0 at
// its rim, in one colour (red, green, blue parts of `colour`).
DeepFrame DeepDisc(int width, int height, int centreX, int centreY, int radius, int peak, const double (&colour)[3])
{
    DeepFrame f(width, height, 3);
    f.bits = 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double r = std::hypot(x - centreX, y - centreY);
            const double level = r < radius ? peak * (1.0 - r / radius) : 0.0;
            for (int c = 0; c < 3; ++c) f.row(y)[3 * x + c] = static_cast<std::uint16_t>(level * colour[c]);
        }
    return f;
}

std::set<int> LuminanceLevels(const Picture& p)
{
    std::set<int> levels;
    for (int y = 0; y < p.bitmap.height(); ++y)
        for (int x = 0; x < p.bitmap.width(); ++x) levels.insert(p.bitmap.at(x, y).luminance);
    return levels;
}

TEST(DeepPreparation, AFaintSixteenBitObjectKeepsItsLevelsThroughTheStretch)
{
    const double grey[3] = {1, 1, 1};
    const DeepFrame faint = DeepDisc(320, 240, 200, 90, 60, 400, grey);  // 0..400 of 65535
    const Picture deep = PictureOf(faint, 2, false, 192, 144);
    const Picture cut = PictureOf(ToBitmap24(faint), 2, false, 192, 144);
    EXPECT_GE(LuminanceLevels(deep).size(), 200u);
    EXPECT_LE(LuminanceLevels(cut).size(), 3u) << "cut to 8 bits first, the object is two grey levels";
}

TEST(DeepPreparation, EightBitDataTakesTheSamePlaceAndColourEitherWay)
{
    const double orange[3] = {1.0, 0.6, 0.2};
    DeepFrame frame = DeepDisc(320, 240, 120, 150, 50, 60000, orange);
    const Bitmap24 eight = ToBitmap24(frame);
    const Picture deep = PictureOf(ToDeepFrame(eight), 2, false, 192, 144);
    const Picture plain = PictureOf(eight, 2, false, 192, 144);
    EXPECT_EQ(deep.threshold, plain.threshold);
    int worst = 0, worstChroma = 0;
    for (int y = 0; y < 144; ++y)
        for (int x = 0; x < 192; ++x) {
            const PicturePixel a = deep.bitmap.at(x, y), b = plain.bitmap.at(x, y);
            worst = std::max(worst, std::abs(a.luminance - b.luminance));
            // Chroma is normalised, which magnifies rounding in a weak
            // channel; near-black pixels have none worth comparing.
            if (b.luminance > 40) {
                worstChroma = std::max({worstChroma, std::abs(a.chromaRed - b.chromaRed),
                                        std::abs(a.chromaBlue - b.chromaBlue)});
            }
        }
    EXPECT_LE(worst, 3) << "only the stretch's rounding may differ";
    EXPECT_LE(worstChroma, 8);
}

// An orange disc as each kind of frame a load prepares: deep and faint, at
// 24 bits, and as the grey of the 24-bit one.
struct ThreeKinds {
    static constexpr double orange[3] = {1.0, 0.6, 0.2};
    DeepFrame deep = DeepDisc(320, 240, 120, 150, 50, 9000, orange);
    Bitmap24 colour = ToBitmap24(DeepDisc(320, 240, 200, 70, 40, 60000, orange));
    Bitmap8 grey = GreenOf(colour);

    static Bitmap8 GreenOf(const Bitmap24& frame)
    {
        Bitmap8 green(frame.width(), frame.height());
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) green.at(x, y) = frame.at(x, y).green;
        return green;
    }
};

// The survey handed to later stages is the one the picture was cut with:
// same threshold, and the cut-out centred on its centre.
TEST(ObjectSurvey, IsTheSurveyThePictureIsBuiltFrom)
{
    const ThreeKinds frames;
    const DeepFrame& deep = frames.deep;
    const Bitmap24& colour = frames.colour;
    const Bitmap8& grey = frames.grey;

    const Picture pictures[] = {PictureOf(deep, 2, false, 192, 144), PictureOf(colour, 2, false, 192, 144),
                                PictureOf(grey, 2, false, 192, 144)};
    const ObjectSurvey surveys[] = {SurveyObject(deep), SurveyObject(colour), SurveyObject(grey)};
    const double centres[][2] = {{120, 150}, {200, 70}, {200, 70}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(surveys[i].threshold, pictures[i].threshold) << i;
        EXPECT_NEAR(surveys[i].frame.centreX, centres[i][0], 0.5) << i;
        EXPECT_NEAR(surveys[i].frame.centreY, centres[i][1], 0.5) << i;
    }
    EXPECT_EQ(surveys[1].frame.maximum, PixelLuminance(colour.at(200, 70)));
    EXPECT_EQ(surveys[0].frame.minimum, 0);
    EXPECT_GT(surveys[0].frame.maximum, 255) << "a deep survey keeps the full depth";
}

// A grey frame is surveyed with its own row loops, in pieces of 4096
// columns; it must find what the colour loops find in its 24-bit twin, to
// the last bit, on frames wider than a piece too.
TEST(ObjectSurvey, GreyFramesAreSurveyedAsTheirColourTwinsOnRandomFrames)
{
    std::mt19937 random(5);
    const int sizes[][2] = {{320, 240}, {4096, 3}, {4097, 4}, {9001, 3}, {1, 1}, {17, 2}};
    for (const auto& size : sizes)
        for (int round = 0; round < 4; ++round) {
            Bitmap8 grey(size[0], size[1]);
            Bitmap24 twin(size[0], size[1]);
            // A bright disc on a noisy sky, so the threshold lands between them.
            std::uniform_int_distribution<int> sky(0, 40 + 50 * round), disc(100, 255);
            for (int y = 0; y < size[1]; ++y)
                for (int x = 0; x < size[0]; ++x) {
                    const bool inside = std::hypot(x - size[0] * 0.6, y - size[1] * 0.4) < size[0] / 5.0 + 1;
                    const auto v = static_cast<std::uint8_t>(inside ? disc(random) : sky(random));
                    grey.at(x, y) = v;
                    twin.at(x, y) = ColourPixel{v, v, v};
                }
            const ObjectSurvey a = SurveyObject(grey), b = SurveyObject(twin);
            ASSERT_EQ(a.threshold, b.threshold) << size[0];
            EXPECT_EQ(a.frame.minimum, b.frame.minimum);
            EXPECT_EQ(a.frame.maximum, b.frame.maximum);
            EXPECT_EQ(a.frame.centreX, b.frame.centreX) << size[0] << " round " << round;
            EXPECT_EQ(a.frame.centreY, b.frame.centreY) << size[0] << " round " << round;
        }
}

// A frame read through rows that lie bottom-up in padded memory, as a
// decoder may leave them, prepares to the picture and survey of its bitmap.
TEST(ObjectSurvey, RowsWhereverTheyLiePrepareAsTheirBitmap)
{
    const ThreeKinds frames;
    const Bitmap24& bitmap = frames.colour;
    const int padding = 5;
    const std::ptrdiff_t stride = 3 * bitmap.width() + padding;
    std::vector<std::uint8_t> memory(static_cast<std::size_t>(stride * bitmap.height()), 0xA5);
    const auto rowBytes = 3 * static_cast<std::size_t>(bitmap.width());
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(memory.data() + (bitmap.height() - 1 - y) * stride, bitmap.row(y), rowBytes);
    const auto* top = reinterpret_cast<const ColourPixel*>(memory.data() + (bitmap.height() - 1) * stride);
    const ColourRows rows(top, -stride, bitmap.width(), bitmap.height());
    ASSERT_EQ(rows.copy(), bitmap);
    Picture fromRows, fromBitmap;
    fromRows.enlargement = fromBitmap.enlargement = 2;
    const ObjectSurvey a = BuildPicture(fromRows, rows, 192, 144), b = BuildPicture(fromBitmap, bitmap, 192, 144);
    EXPECT_EQ(fromRows.bitmap, fromBitmap.bitmap);
    EXPECT_EQ(a.threshold, b.threshold);
    EXPECT_EQ(a.frame.centreX, b.frame.centreX);
    EXPECT_EQ(a.frame.centreY, b.frame.centreY);
    EXPECT_EQ(a.frame.minimum, b.frame.minimum);
    EXPECT_EQ(a.frame.maximum, b.frame.maximum);
}

// Rows whose luminance stays at the threshold weigh nothing, and the survey
// may pass over them; one level above, a single pixel makes the centre. The
// bright pixels sit in odd columns, which the histogram does not sample, so
// the sky alone sets the threshold.
TEST(ObjectSurvey, OnlyLevelsAboveTheThresholdWeigh)
{
    Bitmap24 frame(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) frame.at(x, y) = ColourPixel{10, 10, 10};
    const int threshold = SurveyObject(frame).threshold;
    const auto level = [](int v) { return ColourPixel{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)}; };
    frame.at(7, 5) = level(threshold);
    frame.at(41, 5) = level(threshold);
    frame.at(33, 30) = level(threshold + 1);
    const ObjectSurvey survey = SurveyObject(frame);
    ASSERT_EQ(survey.threshold, threshold);
    EXPECT_EQ(survey.frame.minimum, 10);
    EXPECT_EQ(survey.frame.maximum, threshold + 1);
    EXPECT_EQ(survey.frame.centreX, 33.0);
    EXPECT_EQ(survey.frame.centreY, 30.0);
}

// The colour survey goes through the grey row loops by way of each row's
// luminance; it must find what a plain pixel-by-pixel survey finds, to the
// last bit, on random colour frames of any width and threshold.
TEST(ObjectSurvey, ColourFramesAreSurveyedAsAPlainLoopSurveysThem)
{
    auto plain = [](const Bitmap24& frame, int threshold) {
        FrameSurvey s;
        std::int64_t total = 0, sumX = 0, sumY = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                const int lum = PixelLuminance(frame.at(x, y));
                s.minimum = std::min(s.minimum, lum);
                s.maximum = std::max(s.maximum, lum);
                if (lum > threshold) total += lum, sumX += std::int64_t{x} * lum, sumY += std::int64_t{y} * lum;
            }
        if (total <= 0) total = 1;
        s.centreX = static_cast<double>(sumX) / static_cast<double>(total);
        s.centreY = static_cast<double>(sumY) / static_cast<double>(total);
        return s;
    };
    std::mt19937 random(8);
    std::uniform_int_distribution<int> byte(0, 255);
    const int sizes[][2] = {{320, 240}, {4097, 3}, {9001, 2}, {1, 1}};
    for (const auto& size : sizes) {
        Bitmap24 frame(size[0], size[1]);
        for (int y = 0; y < size[1]; ++y)
            for (int x = 0; x < size[0]; ++x)
                frame.at(x, y) = ColourPixel{std::uint8_t(byte(random)), std::uint8_t(byte(random)), std::uint8_t(byte(random))};
        for (int threshold : {0, 24, 130, 254, 255}) {
            const FrameSurvey fast = SurveyFrame(frame, threshold), expected = plain(frame, threshold);
            EXPECT_EQ(fast.minimum, expected.minimum);
            EXPECT_EQ(fast.maximum, expected.maximum);
            EXPECT_EQ(fast.centreX, expected.centreX) << size[0] << " threshold " << threshold;
            EXPECT_EQ(fast.centreY, expected.centreY) << size[0] << " threshold " << threshold;
        }
    }
}

// Building hands out the very survey it cut with, so a stage that measures
// the frame needs no second pass; the picture is the one built without it.
// Built over another picture's pixels, which are not cleared first, it is
// still the picture built fresh: every pixel is written.
TEST(ObjectSurvey, BuildingHandsOutTheSurvey)
{
    const ThreeKinds frames;
    const DeepFrame& deep = frames.deep;
    const Bitmap24& colour = frames.colour;
    const Bitmap8& grey = frames.grey;

    const auto same = [](const ObjectSurvey& a, const ObjectSurvey& b) {
        return a.threshold == b.threshold && a.frame.minimum == b.frame.minimum &&
               a.frame.maximum == b.frame.maximum && a.frame.centreX == b.frame.centreX &&
               a.frame.centreY == b.frame.centreY;
    };
    const Picture listed[] = {PictureOf(deep, 2, false, 192, 144), PictureOf(colour, 2, false, 192, 144),
                              PictureOf(grey, 2, false, 192, 144)};
    Picture built[3];
    for (Picture& p : built) {
        p.enlargement = 2;
        p.bitmap.resize(192, 144);
        std::memset(static_cast<void*>(p.bitmap.row(0)), 0xA5, 192 * 144 * sizeof(PicturePixel));
    }
    EXPECT_TRUE(same(BuildPicture(built[0], deep, 192, 144), SurveyObject(deep)));
    EXPECT_TRUE(same(BuildPicture(built[1], colour, 192, 144), SurveyObject(colour)));
    EXPECT_TRUE(same(BuildPicture(built[2], grey, 192, 144), SurveyObject(grey)));
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(built[i].bitmap, listed[i].bitmap) << i;
}

}  // namespace
}  // namespace quivane
