#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "support/Pictures.h"
#include "tone/Clahe.h"
#include "tone/ClaheOnBytes.h"

namespace quivane {
namespace {

using Pattern = std::function<int(int, int)>;

void Fill(Plane& plane, int width, int height, const Pattern& value)
{
    plane.width = width;
    plane.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) plane.set(x, y, value(x, y));
}

Picture PatternPicture(int width, int height, const Pattern& luminance)
{
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.bitmap.at(x, y) = PicturePixel{11, 22, 33, static_cast<std::uint8_t>(luminance(x, y))};
    return picture;
}

// A grainy disc on a sky that brightens towards one corner, so that no two
// regions share a histogram.
int Planet(int x, int y)
{
    const int grain = (x * 7 + y * 13) % 5;
    const int dx = x - 90;
    const int dy = y - 70;
    return dx * dx + dy * dy < 2500 ? 120 + x / 3 + grain : 8 + (x + 2 * y) / 8 + grain;
}

TEST(ClaheSteps, ClipLimitAndMappingRoundHalfToEven)
{
    EXPECT_EQ(ClaheClipLimit(2.5, 256), 2);
    EXPECT_EQ(ClaheClipLimit(3.5, 256), 4);
    EXPECT_EQ(ClaheClipLimit(9.0, 9216), 324);
    EXPECT_EQ(ClaheClipLimit(0.99, 9216), ClaheNoClipLimit);

    Histogram h{};
    h[0] = 1;  // running sums 1, 3, 5, 7 scaled by 1/2
    h[1] = h[2] = h[3] = 2;
    h[255] = 503;
    MapHistogram(h, 510);
    EXPECT_EQ((std::array<int, 5>{h[0], h[1], h[2], h[3], h[255]}), (std::array<int, 5>{0, 2, 2, 4, 255}));

    h.fill(3);  // a clipped histogram may hold more than its region
    MapHistogram(h, 576);
    EXPECT_EQ(h[255], 255);
}

TEST(ClaheSteps, HistogramCountsItsOwnRegionOnly)
{
    Plane source;
    Fill(source, 16, 16, [](int x, int y) { return x + 16 * y; });
    Histogram h;
    MakeHistogram(source, 1, 2, 4, 3, h);  // columns 4..7, rows 6..8
    Histogram expected{};
    for (int first : {100, 116, 132})
        for (int v = first; v < first + 4; ++v) expected[static_cast<std::size_t>(v)] = 1;
    EXPECT_EQ(h, expected);
}

TEST(ClaheSteps, ClipChargesBinsNearTheLimitTheirDistanceAboveTheShareLine)
{
    // Excess 768 gives a share of 3; bin 1 (9) is topped up to 10 but charged
    // 2, which leaves 4 counts to spread one by one.
    Histogram h{};
    h[0] = 778;
    h[1] = 9;
    ClipHistogram(h, 10);
    Histogram expected{};
    expected.fill(3);
    expected[0] = expected[1] = 10;
    expected[2] = expected[64] = expected[128] = expected[192] = 4;
    EXPECT_EQ(h, expected);
}

TEST(ClaheSteps, InterpolationWeighsMappingsByDistanceAndTruncates)
{
    Plane source;
    Plane destination;
    Fill(source, 16, 16, [](int, int) { return 7; });
    Fill(destination, 16, 16, [](int, int) { return 99; });
    Histogram lu{};
    for (int v = 0; v < 256; ++v) lu[static_cast<std::size_t>(v)] = static_cast<std::uint16_t>(v);
    Histogram ru{};
    Histogram lb{};
    Histogram rb{};
    ru.fill(100);
    lb.fill(200);
    rb.fill(40);
    InterpolateRegion(source, destination, lu, ru, lb, rb, 3, 5, 4, 2);
    const int expected[4][6] = {
        {99, 99, 99, 99, 99, 99}, {99, 7, 30, 53, 76, 99}, {99, 103, 95, 86, 78, 99}, {99, 99, 99, 99, 99, 99}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(destination.at(2 + x, 4 + y), expected[y][x]) << x << "," << y;
}

TEST(ApplyClahe, UniformPictures)
{
    struct Case {
        int width, level;
        double factor;
        int result;
    };
    for (const Case& c :
         {Case{192, 0, 2.0, 2}, Case{192, 100, 2.0, 101}, Case{192, 200, 2.0, 201}, Case{192, 255, 2.0, 255},
          Case{192, 0, 0.0, 255}, Case{768, 100, 0.5, 255}, Case{64, 200, 1.0, 0}, Case{64, 200, 9.0, 0}}) {
        Picture picture = PatternPicture(c.width, c.width * 3 / 4, [&](int, int) { return c.level; });
        ApplyClahe(picture, c.factor);
        // Whole pixels are compared, so the chroma bytes are checked as well.
        EXPECT_EQ(picture.bitmap, PatternPicture(c.width, c.width * 3 / 4, [&](int, int) { return c.result; }).bitmap)
            << "width " << c.width << " level " << c.level << " factor " << c.factor;
    }
}

TEST(ApplyClahe, RepeatedRunsCompound)
{
    Picture once = PatternPicture(192, 144, Planet);
    ApplyClahe(once, 2.0);
    Picture twice = once;
    ApplyClahe(twice, 2.0);
    EXPECT_NE(once.bitmap, twice.bitmap);
}

TEST(Clahe, EachSubRegionBlendsTheMappingsOfTheRegionCentresAroundIt)
{
    Plane source;
    Plane destination;
    Fill(source, 192, 144, Planet);
    Clahe(source, destination, 192, 144, 8, 6, 2.0);
    auto map = [&](int rx, int ry) {
        Histogram h;
        MakeHistogram(source, rx, ry, 24, 24, h);
        ClipHistogram(h, 4);
        MapHistogram(h, 576);
        return h;
    };
    const Histogram m00 = map(0, 0), m10 = map(1, 0), m01 = map(0, 1), m11 = map(1, 1);
    const Histogram m64 = map(6, 4), m74 = map(7, 4), m65 = map(6, 5), m75 = map(7, 5);
    struct Area {
        int x, y, w, h;
        const Histogram *lu, *ru, *lb, *rb;
    };
    // Corners use one mapping, edges two, the interior four.
    for (const Area& a :
         {Area{0, 0, 12, 12, &m00, &m00, &m00, &m00}, Area{180, 132, 12, 12, &m75, &m75, &m75, &m75},
          Area{12, 0, 24, 12, &m00, &m10, &m00, &m10}, Area{0, 12, 12, 24, &m00, &m00, &m01, &m01},
          Area{12, 12, 24, 24, &m00, &m10, &m01, &m11}, Area{156, 108, 24, 24, &m64, &m74, &m65, &m75}}) {
        Plane expected;
        InterpolateRegion(source, expected, *a.lu, *a.ru, *a.lb, *a.rb, a.x, a.y, a.w, a.h);
        int differing = 0;
        for (int y = a.y; y < a.y + a.h; ++y)
            for (int x = a.x; x < a.x + a.w; ++x) differing += destination.at(x, y) != expected.at(x, y);
        EXPECT_EQ(differing, 0) << "sub-region at " << a.x << "," << a.y;
    }
}

TEST(Clahe, SubRegionsTileEveryWorkingSizeExactly)
{
    Plane source;
    Plane destination;
    for (int width = 64; width <= 768; width += 64) {
        const int height = width * 3 / 4;
        Fill(source, width, height, [](int x, int y) { return (x * x + y) % 256; });
        Fill(destination, ScratchColumns, ScratchRows, [](int, int) { return -1; });
        Clahe(source, destination, width, height, 8, 6, 2.0);
        int unwritten = 0;
        for (int y = 0; y < ScratchRows; ++y)
            for (int x = 0; x < ScratchColumns; ++x) unwritten += destination.at(x, y) < 0;
        EXPECT_EQ(unwritten, ScratchColumns * ScratchRows - width * height) << "width " << width;
    }
}

TEST(Clahe, RefusesCountsAndLevelsOutsideTheTables)
{
    Plane source;
    Plane destination;
    EXPECT_THROW(Clahe(source, destination, 768, 576, 1, 1, 0.0), RangeCheckError) << "442368 in one bin";
    source.set(5, 5, 256);
    EXPECT_THROW(Clahe(source, destination, 64, 48, 8, 6, 2.0), RangeCheckError);
}

// The described step: the luminance through its offsets into a plane,
// equalised into a fresh plane, written back through the offsets.
void ClaheThroughPlanes(Picture& picture, double clipFactor)
{
    Plane source;
    Plane destination;
    PictureToScratch(picture, source);
    Clahe(source, destination, source.width, source.height, ClaheRegionsX, ClaheRegionsY, clipFactor);
    ScratchToPicture(picture, destination, 1);
}

// Pictures equalised where they lie must come out exactly as through the
// planes: sizes from the smallest grid to the largest working size, with and
// without a rim no sub-region reaches (0 there), noise, flat skies with long
// runs of one level, and clip factors off, tiny, on a rounding tie, huge and
// not a number.
TEST(ApplyClahe, EqualisingTheBytesWhereTheyLieGivesTheBytesOfThePlanes)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> level(0, 255);
    const Pattern sky = [](int x, int y) { return x < 40 && y < 30 ? 255 : 3; };
    const std::vector<Pattern> patterns = {[&](int, int) { return level(random); }, Planet, sky};
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{8, 6}, Size{9, 7}, Size{17, 13}, Size{64, 48}, Size{100, 75}, Size{192, 144},
                            Size{383, 289}, Size{768, 576}, Size{767, 575}}) {
        for (const Pattern& pattern : patterns)
            for (double clip : {0.0, 1.0, 2.0, 2.5, 9.0, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
                Picture picture = testing::RandomPicture(size.width, size.height, random);
                for (int y = 0; y < size.height; ++y)
                    for (int x = 0; x < size.width; ++x)
                        picture.bitmap.at(x, y).luminance = static_cast<std::uint8_t>(pattern(x, y));
                Picture expected = picture;
                ClaheThroughPlanes(expected, clip);
                ASSERT_TRUE(EqualiseLuminanceBytes(picture, clip));
                ASSERT_EQ(picture.bitmap, expected.bitmap) << size.width << " x " << size.height << " clip " << clip;
            }
    }
}

TEST(ApplyClahe, ShiftedSmallOrOversizedPicturesTakeThePlanes)
{
    std::mt19937 random(6);
    Picture shifted = testing::RandomPicture(64, 48, random);
    shifted.dx = 3;
    shifted.dy = -2;
    Picture oversized = testing::RandomPicture(800, 10, random), narrow = testing::RandomPicture(7, 30, random);
    for (Picture* picture : {&shifted, &oversized, &narrow}) {
        const Picture before = *picture;
        EXPECT_FALSE(EqualiseLuminanceBytes(*picture, 2.0));
        EXPECT_EQ(picture->bitmap, before.bitmap);
    }
    Picture expected = shifted;
    ClaheThroughPlanes(expected, 2.0);
    ApplyClahe(shifted, 2.0);
    EXPECT_EQ(shifted.bitmap, expected.bitmap);
    EXPECT_THROW(ApplyClahe(narrow, 2.0), RangeCheckError);
}

}  // namespace
}  // namespace quivane
