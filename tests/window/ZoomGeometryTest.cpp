#include "window/ZoomGeometry.h"

#include <gtest/gtest.h>

namespace quivane {
namespace {

TEST(ZoomGeometry, LevelsDoubleEveryFourStepsAndComeBackToExactlyOne)
{
    EXPECT_EQ(ScaleOfLevel(0), 1.0);
    EXPECT_EQ(ScaleOfLevel(4), 2.0);
    EXPECT_EQ(ScaleOfLevel(-4), 0.5);
    EXPECT_EQ(ScaleOfLevel(-16), 1.0 / 16);
    EXPECT_EQ(ScaleOfLevel(20), 32.0);
    EXPECT_EQ(ScaleOfLevel(99), 32.0) << "held at the limits";
    EXPECT_EQ(ScaleOfLevel(-99), 1.0 / 16);
    for (int level = MinimumZoomLevel; level < MaximumZoomLevel; ++level)
        EXPECT_LT(ScaleOfLevel(level), ScaleOfLevel(level + 1)) << level;
    // Negative levels between doublings: -1 is a quarter step below 1.
    EXPECT_NEAR(ScaleOfLevel(-1), 0.8409, 1e-4);
    EXPECT_NEAR(ScaleOfLevel(-5), 0.8409 / 2, 1e-4);

    EXPECT_EQ(LevelBelow(1.0), 0);
    EXPECT_EQ(LevelBelow(1.1), 0);
    EXPECT_EQ(LevelBelow(0.99), -1);
    EXPECT_EQ(LevelBelow(2.0), 4);
    EXPECT_EQ(LevelBelow(1000.0), MaximumZoomLevel);
    EXPECT_EQ(LevelBelow(0.001), MinimumZoomLevel);
}

TEST(ZoomGeometry, FitAndOneToOneCentreThePicture)
{
    // Wider view than the picture's shape: the height decides.
    const ZoomPlacement fit = FitPlacement({768, 576}, {800, 288});
    EXPECT_DOUBLE_EQ(fit.scale, 0.5);
    EXPECT_DOUBLE_EQ(fit.originX, (800 - 384) / 2.0);
    EXPECT_DOUBLE_EQ(fit.originY, 0.0);
    // A small picture is enlarged to fill the view.
    EXPECT_DOUBLE_EQ(FitPlacement({192, 144}, {768, 576}).scale, 4.0);
    EXPECT_EQ(FitPlacement({0, 0}, {100, 100}), ZoomPlacement{});

    // At 1:1 the origin is a whole pixel, even where half a pixel of room
    // is left over.
    EXPECT_EQ(OneToOnePlacement({192, 144}, {401, 301}), (ZoomPlacement{1.0, 104.0, 78.0}));
    // Larger than the view: its middle is shown.
    EXPECT_EQ(OneToOnePlacement({768, 576}, {400, 300}), (ZoomPlacement{1.0, -184.0, -138.0}));
}

TEST(ZoomGeometry, ZoomKeepsThePointUnderThePointerAndPanningStopsAtTheEdges)
{
    const ZoomPlacement start{1.0, -100.0, -50.0};
    const ZoomPlacement zoomed = ZoomAround(start, 4.0, 30.0, 20.0);
    // Picture point (130, 70) was under (30, 20) and still is.
    EXPECT_DOUBLE_EQ(zoomed.originX + 130 * zoomed.scale, 30.0);
    EXPECT_DOUBLE_EQ(zoomed.originY + 70 * zoomed.scale, 20.0);
    EXPECT_EQ(PixelAt(zoomed, {768, 576}, 30.0, 20.0), (PixelPosition{130, 70}));

    const PixelSize picture{768, 576}, view{400, 300};
    // Dragged past the left edge: the picture's left edge stops at the view's.
    EXPECT_EQ(KeepInView(PanBy(start, 500, 0), picture, view).originX, 0.0);
    // Past the right edge: its right edge stops at the view's right.
    EXPECT_EQ(KeepInView(PanBy(start, -5000, 0), picture, view).originX, 400.0 - 768.0);
    // Smaller than the view along an axis: centred there, however dragged.
    EXPECT_DOUBLE_EQ(KeepInView(ZoomPlacement{0.25, 0, -500}, picture, view).originY, (300 - 144) / 2.0);
}

TEST(ZoomGeometry, PixelAtCountsFromTheTopLeftAndIsNothingOutside)
{
    const ZoomPlacement placement{2.0, 10.0, 20.0};
    const PixelSize picture{4, 3};
    EXPECT_EQ(PixelAt(placement, picture, 10.0, 20.0), (PixelPosition{0, 0}));
    EXPECT_EQ(PixelAt(placement, picture, 11.9, 21.9), (PixelPosition{0, 0}));
    EXPECT_EQ(PixelAt(placement, picture, 12.0, 22.0), (PixelPosition{1, 1}));
    EXPECT_EQ(PixelAt(placement, picture, 17.99, 25.99), (PixelPosition{3, 2}));
    EXPECT_FALSE(PixelAt(placement, picture, 18.0, 20.0));
    EXPECT_FALSE(PixelAt(placement, picture, 10.0, 26.0));
    EXPECT_FALSE(PixelAt(placement, picture, 9.99, 20.0));
    EXPECT_FALSE(PixelAt(placement, picture, 10.0, 19.99));
}

}  // namespace
}  // namespace quivane
