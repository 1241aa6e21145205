#include "image/Picture.h"

#include <gtest/gtest.h>

namespace quivane {
namespace {

// A picture whose luminance byte names its column and row.
Picture NumberedPicture(int width, int height)
{
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.bitmap.at(x, y) = PicturePixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0, 0};
    return picture;
}

TEST(InputImage, PreparePictureBitmapSizesAndResetsAlignmentState)
{
    Picture picture;
    picture.dx = 7;
    picture.dy = -3;
    picture.quality = QualityGood;
    PreparePictureBitmap(picture, 192, 144);
    EXPECT_EQ(picture.bitmap.width(), 192);
    EXPECT_EQ(picture.bitmap.height(), 144);
    EXPECT_EQ(picture.dx, 0);
    EXPECT_EQ(picture.dy, 0);
    EXPECT_EQ(picture.quality, QualityAvg);
}

TEST(InputImage, AlignedReadShiftsAndRepeatsTheBorder)
{
    Picture picture = NumberedPicture(64, 48);
    picture.dx = 5;
    EXPECT_EQ(GetShiftedPixel(picture, 0, 10).chromaBlue, 5);
    EXPECT_EQ(GetShiftedPixel(picture, 63, 10).chromaBlue, 63);
    EXPECT_EQ(GetShiftedPixel(picture, 60, 10).chromaBlue, 63);

    picture.dx = -4;
    picture.dy = 2;
    EXPECT_EQ(GetShiftedPixel(picture, 0, 0).chromaBlue, 0);
    EXPECT_EQ(GetShiftedPixel(picture, 10, 0).chromaBlue, 6);
    EXPECT_EQ(GetShiftedPixel(picture, 10, 0).chromaGreen, 2);
    EXPECT_EQ(GetShiftedPixel(picture, 10, 47).chromaGreen, 47);
}

TEST(InputImage, AlignedReadOfAnOffsetLargerThanThePictureStaysInside)
{
    Picture picture = NumberedPicture(3, 2);
    picture.dx = -1000;
    picture.dy = 1000;
    EXPECT_EQ(GetShiftedPixel(picture, 2, 0), picture.bitmap.at(0, 1));
}

// The result is held apart from the inputs: numbering reaches it as 0 and
// the inputs from 1 in the order added, and clearing leaves nothing loaded.
TEST(PictureSeries, NumbersTheResultZeroAndTheInputsFromOne)
{
    PictureSeries series;
    EXPECT_TRUE(series.empty());
    EXPECT_EQ(series.inputCount(), 0);
    Picture result;
    result.threshold = 1;
    series.setResult(result);
    EXPECT_FALSE(series.empty());
    EXPECT_EQ(series.inputCount(), 0) << "a result alone has no inputs";
    for (int n = 1; n <= 3; ++n) {
        Picture input;
        input.threshold = 10 * n;
        series.addInput(input);
    }
    EXPECT_EQ(series.inputCount(), 3);
    EXPECT_EQ(series.at(0).threshold, 1);
    EXPECT_EQ(&series.at(0), &series.result());
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(series.input(n).threshold, 10 * n);
        EXPECT_EQ(&series.at(n), &series.input(n));
    }
    series.result().threshold = 5;
    EXPECT_EQ(series.input(1).threshold, 10) << "the result is a picture of its own";
    series.clear();
    EXPECT_TRUE(series.empty());
    EXPECT_EQ(series.inputCount(), 0);
}

}  // namespace
}  // namespace quivane
