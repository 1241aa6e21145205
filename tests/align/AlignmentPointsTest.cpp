#include "align/AlignmentPoints.h"

#include <gtest/gtest.h>

#include <cmath>

#include "align/PointOverlay.h"

namespace quivane {
namespace {

// A grid at LumaScale from a level function.
template <class Level>
LumaGrid Made(int width, int height, Level level)
{
    LumaGrid grid{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) grid.levels.push_back(LumaScale * level(x, y));
    return grid;
}

int Texture(int x, int y) { return static_cast<int>(120 + 60 * std::sin(x / 3.0) * std::cos(y / 4.0)); }

TEST(AlignmentPoints, DefaultBoxSizeFollowsEnlargementWithinBounds)
{
    EXPECT_EQ(DefaultBoxSize(192, 144, 2), 32);
    EXPECT_EQ(DefaultBoxSize(768, 576, 6), 96);
    EXPECT_EQ(DefaultBoxSize(64, 48, 2), MinimumBoxSize) << "a third of 48 is below the smallest box";
    EXPECT_EQ(DefaultBoxSize(768, 576, 0), 16);
}

// Detail everywhere (the Moon) gives the whole grid at half-box spacing,
// centred, every box inside; sky, a smooth ramp and stripes (structure along
// one axis only) give none.
TEST(AlignmentPoints, TexturedSurfaceFillsTheGridAndFlatOrOneWayDetailGivesNone)
{
    const std::vector<AlignmentPoint> moon = PlaceAlignmentPoints(Made(200, 150, Texture), 32);
    ASSERT_EQ(moon.size(), 11u * 8u);
    EXPECT_EQ(moon.front(), (AlignmentPoint{4, 3, 32}));
    EXPECT_EQ(moon[1].left - moon[0].left, 16);
    for (const AlignmentPoint& p : moon) {
        EXPECT_LE(p.left + p.size, 200);
        EXPECT_LE(p.top + p.size, 150);
    }
    EXPECT_EQ(PlaceAlignmentPoints(Made(200, 150, Texture), 33).front().size, 32) << "sizes are made even";

    EXPECT_TRUE(PlaceAlignmentPoints(Made(192, 144, [](int, int) { return 0; }), 32).empty());
    EXPECT_TRUE(PlaceAlignmentPoints(Made(192, 144, [](int x, int) { return x; }), 32).empty());
    EXPECT_TRUE(PlaceAlignmentPoints(Made(192, 144, [](int x, int) { return 120 + (x / 3 % 2) * 60; }), 32).empty());
    EXPECT_TRUE(PlaceAlignmentPoints(LumaGrid{}, 32).empty());
    EXPECT_TRUE(PlaceAlignmentPoints(Made(20, 20, Texture), 32).empty()) << "no box fits";
}

// On a textured disc in black sky, boxes sit on the disc only; a disc of
// under four boxes' area gives none.
TEST(AlignmentPoints, PointsSitOnTheObjectAndASmallDiscGetsNone)
{
    const auto disc = [](int radius) {
        return Made(192, 144, [radius](int x, int y) { return std::hypot(x - 96, y - 72) < radius ? Texture(x, y) : 0; });
    };
    const std::vector<AlignmentPoint> large = PlaceAlignmentPoints(disc(60), 32);
    ASSERT_GE(large.size(), 10u);
    for (const AlignmentPoint& p : large) EXPECT_LT(std::hypot(p.centreX() - 96, p.centreY() - 72), 60.0);
    EXPECT_TRUE(PlaceAlignmentPoints(disc(30), 32).empty());
}

// The overlay shows the reference in grey with each point's own part
// outlined, placed as a picture is rendered into the view.
TEST(AlignmentPoints, OverlayOutlinesEachPointOverTheGreyReference)
{
    const LumaGrid grey = Made(128, 96, [](int, int) { return 100; });
    const Bitmap24 view = DrawAlignmentPoints(grey, {{0, 0, 32}}, 192, 144);
    // Centred: the picture starts at view column 32, row 24.
    EXPECT_EQ(view.at(0, 0), (ColourPixel{0, 0, 0}));
    EXPECT_EQ(view.at(32 + 1, 24 + 1), (ColourPixel{100, 100, 100}));
    EXPECT_EQ(view.at(32 + 8, 24 + 8).green, 220) << "the outline's corner";
    EXPECT_EQ(view.at(32 + 16, 24 + 16).red, 255) << "the centre";
    EXPECT_TRUE(DrawAlignmentPoints(LumaGrid{}, {}, 0, 0).empty());
}

}  // namespace
}  // namespace quivane
