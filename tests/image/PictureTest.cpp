#include "image/Picture.h"

#include <gtest/gtest.h>

namespace quivane {
namespace {

// A picture whose luminance byte names its column and row.
TInputImage NumberedPicture(int width, int height)
{
    TInputImage picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Bitmap.at(x, y) = PicturePixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0, 0};
    return picture;
}

TEST(InputImage, PreparePictureBitmapSizesAndResetsAlignmentState)
{
    TInputImage picture;
    picture.Dx = 7;
    picture.Dy = -3;
    picture.Quality = QualityGood;
    PreparePictureBitmap(picture, 192, 144);
    EXPECT_EQ(picture.Bitmap.width(), 192);
    EXPECT_EQ(picture.Bitmap.height(), 144);
    EXPECT_EQ(picture.Dx, 0);
    EXPECT_EQ(picture.Dy, 0);
    EXPECT_EQ(picture.Quality, QualityAvg);
}

TEST(InputImage, AlignedReadShiftsAndRepeatsTheBorder)
{
    TInputImage picture = NumberedPicture(64, 48);
    picture.Dx = 5;
    EXPECT_EQ(GetShiftedPixel(picture, 0, 10).chromaBlue, 5);
    EXPECT_EQ(GetShiftedPixel(picture, 63, 10).chromaBlue, 63);
    EXPECT_EQ(GetShiftedPixel(picture, 60, 10).chromaBlue, 63);

    picture.Dx = -4;
    picture.Dy = 2;
    EXPECT_EQ(GetShiftedPixel(picture, 0, 0).chromaBlue, 0);
    EXPECT_EQ(GetShiftedPixel(picture, 10, 0).chromaBlue, 6);
    EXPECT_EQ(GetShiftedPixel(picture, 10, 0).chromaGreen, 2);
    EXPECT_EQ(GetShiftedPixel(picture, 10, 47).chromaGreen, 47);
}

TEST(InputImage, AlignedReadOfAnOffsetLargerThanThePictureStaysInside)
{
    TInputImage picture = NumberedPicture(3, 2);
    picture.Dx = -1000;
    picture.Dy = 1000;
    EXPECT_EQ(GetShiftedPixel(picture, 2, 0), picture.Bitmap.at(0, 1));
}

}  // namespace
}  // namespace quivane
