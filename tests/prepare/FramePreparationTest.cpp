#include "prepare/FramePreparation.h"

#include <gtest/gtest.h>
#include "support/Pictures.h"

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
