#include "image/Plane.h"

#include <gtest/gtest.h>

#include <random>

#include "support/Pictures.h"

namespace quivane {
namespace {

Picture RandomPicture(int width, int height, int dx, int dy, std::mt19937& random)
{
    Picture picture = testing::RandomPicture(width, height, random);
    picture.dx = dx;
    picture.dy = dy;
    return picture;
}

struct Offset {
    int dx;
    int dy;
};

class PlaneCopies : public ::testing::TestWithParam<Offset> {};

// Every stage reads a picture through its offsets the same way, so a plane
// made from a picture holds what combining and rendering would read there.
TEST_P(PlaneCopies, PlaneReadsThePictureAsEveryOtherStageDoes)
{
    std::mt19937 random(7);
    const Picture picture = RandomPicture(24, 18, GetParam().dx, GetParam().dy, random);
    Plane plane;
    PictureToScratch(picture, plane);
    ASSERT_EQ(plane.width, 24);
    ASSERT_EQ(plane.height, 18);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_EQ(plane.at(x, y), GetShiftedPixel(picture, x, y).luminance) << x << ',' << y;
}

// Copying to a plane and straight back changes nothing where the offsets
// stay inside the picture, and never touches the colour.
TEST_P(PlaneCopies, RoundTripKeepsLuminanceInPlaceAndColourUntouched)
{
    std::mt19937 random(11);
    const Offset o = GetParam();
    const Picture original = RandomPicture(24, 18, o.dx, o.dy, random);
    Picture picture = original;
    Plane plane;
    PictureToScratch(picture, plane);
    ScratchToPicture(picture, plane, 1);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 24; ++x) {
            const PicturePixel before = original.bitmap.at(x, y);
            const PicturePixel after = picture.bitmap.at(x, y);
            ASSERT_EQ(after.chromaBlue, before.chromaBlue);
            ASSERT_EQ(after.chromaGreen, before.chromaGreen);
            ASSERT_EQ(after.chromaRed, before.chromaRed);
            ASSERT_EQ(after.luminance, before.luminance) << x << ',' << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Offsets, PlaneCopies,
                         ::testing::Values(Offset{0, 0}, Offset{3, 0}, Offset{0, -2}, Offset{-5, 4}, Offset{30, -30}));

}  // namespace
}  // namespace quivane
