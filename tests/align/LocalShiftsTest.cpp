#include "align/LocalShifts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "align/AlignmentPoints.h"
#include "cpu/SimdLevel.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

// Smooth detail in both directions; `shiftX`, `shiftY` move the scene, so
// the picture shows at (x, y) what the unshifted one shows at (x - shiftX,
// y - shiftY).
Picture Scene(int width, int height, double shiftX = 0.0, double shiftY = 0.0)
{
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = x - shiftX, v = y - shiftY;
            const double level = 120 + 50 * std::sin(u / 4.0) * std::cos(v / 5.0) + 30 * std::sin((u + 2 * v) / 7.0);
            picture.bitmap.at(x, y).luminance = static_cast<std::uint8_t>(std::lround(level));
        }
    }
    return picture;
}

LumaGrid Grid(const Picture& picture) { return StackLuminance(testing::SeriesOf({Picture{}, picture}), {1}); }

const std::vector<AlignmentPoint> Boxes = {{32, 32, 32}, {48, 32, 32}, {64, 48, 32}};

// The reference stack reads every picture through its offsets, edges
// repeated, as GetShiftedPixel does pixel by pixel: offsets that keep most
// of a picture inside, and offsets that take all of it beyond an edge.
TEST(LumaGrid, StacksPicturesReadThroughTheirOffsets)
{
    std::mt19937 random(4);
    PictureSeries pictures = testing::SeriesOf({Picture{}});
    const int offsets[][2] = {{0, 0}, {3, -2}, {-5, 7}, {40, 0}, {0, -40}, {-45, 50}};
    for (const auto& offset : offsets) {
        testing::Append(pictures, testing::RandomPicture(37, 29, random));
        testing::Last(pictures).dx = offset[0];
        testing::Last(pictures).dy = offset[1];
    }
    const std::vector<int> chosen{1, 2, 3, 4, 5, 6};
    const LumaGrid grid = StackLuminance(pictures, chosen);
    ASSERT_EQ(grid.width, 37);
    ASSERT_EQ(grid.height, 29);
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 37; ++x) {
            long long sum = 0;
            for (const int n : chosen) sum += GetShiftedPixel(pictures.at(n), x, y).luminance;
            ASSERT_EQ(grid.at(x, y), (sum * LumaScale + 3) / 6) << x << ", " << y;
        }
}

// Whole and fractional moves of the scene are found within three sixteenths
// (the parabola leans a little towards whole pixels), and a picture's own offsets count: the shift is what comes on top.
TEST(LocalShifts, FindWholeAndFractionalMoves)
{
    const LumaGrid reference = Grid(Scene(128, 128));
    struct Case {
        double x, y;
    };
    for (const Case c : {Case{0, 0}, Case{3, -2}, Case{-4, 1}, Case{0.5, 0}, Case{1.25, -2.75}}) {
        const std::vector<LocalShift> shifts = MeasureLocalShifts(reference, Scene(128, 128, c.x, c.y), Boxes, 6);
        for (const LocalShift& s : shifts) {
            EXPECT_NEAR(s.x, c.x * ShiftScale, 3) << c.x << ", " << c.y;
            EXPECT_NEAR(s.y, c.y * ShiftScale, 3) << c.x << ", " << c.y;
            EXPECT_TRUE(s.sure);
        }
    }
    Picture offset = Scene(128, 128, 3, 2);
    offset.dx = 1;
    offset.dy = 2;
    for (const LocalShift& s : MeasureLocalShifts(reference, offset, Boxes, 6)) {
        EXPECT_NEAR(s.x, 2 * ShiftScale, 2);
        EXPECT_NEAR(s.y, 0, 2);
    }
}

// A move beyond the search is not sure; a box outside the reference and an
// empty picture give unsure zeros instead of reading outside.
TEST(LocalShifts, MovesBeyondTheSearchAndBadBoxesAreNotSure)
{
    const LumaGrid reference = Grid(Scene(128, 128));
    for (const LocalShift& s : MeasureLocalShifts(reference, Scene(128, 128, 9, 0), Boxes, 3)) EXPECT_FALSE(s.sure);
    const std::vector<AlignmentPoint> outside = {{-8, 0, 32}, {100, 100, 32}, {0, 0, 0}};
    for (const LocalShift& s : MeasureLocalShifts(reference, Scene(128, 128), outside, 3))
        EXPECT_EQ(s, (LocalShift{0, 0, false}));
    for (const LocalShift& s : MeasureLocalShifts(reference, Picture{}, Boxes, 3)) EXPECT_FALSE(s.sure);
}

// A wild or unsure shift takes its neighbours' median; neighbours are the
// boxes it overlaps, and one without sure neighbours keeps its own.
TEST(LocalShifts, OutliersTakeTheirNeighboursMedian)
{
    std::vector<AlignmentPoint> points;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) points.push_back({i * 16, j * 16, 32});
    points.push_back({200, 200, 32});  // far from all
    std::vector<LocalShift> shifts(points.size(), LocalShift{16, -8, true});
    shifts[1] = {20, -6, true};
    shifts[4] = {90, -8, true};    // the middle one, 74 sixteenths off
    shifts[8] = {0, 0, false};     // a corner whose search ran out
    shifts[9] = {300, 300, true};  // alone
    std::vector<LocalShift> replaced = shifts;
    ReplaceOutliers(points, replaced, 32);
    EXPECT_EQ(replaced[4].x, 16);
    EXPECT_EQ(replaced[4].y, -8);
    EXPECT_EQ(replaced[8].x, 16) << "the corner's sure neighbours are 4 (wild), 5 and 7";
    EXPECT_EQ(replaced[1], shifts[1]) << "within the limit";
    EXPECT_EQ(replaced[9], shifts[9]);
}

// The sum at every level is the sum taken one at a time, for every length
// (the tail included) and for differences up to the largest allowed,
// where the squares' 32-bit pairs are nearly full.
TEST(LocalShifts, SquaredDifferencesMatchThePlainSumOnRandomRows)
{
    std::mt19937 random(12);
    // Reference levels and matched window levels as the search meets them.
    std::uniform_int_distribution<int> reference(0, 4080), matched(-16320, 20400), pick(0, 3);
    for (int count = 0; count <= 70; ++count) {
        std::vector<int> a(static_cast<std::size_t>(count)), b(a.size());
        for (std::size_t x = 0; x < a.size(); ++x) {
            switch (pick(random)) {
            case 0: a[x] = 0, b[x] = 23170; break;
            case 1: a[x] = 4080, b[x] = 4080 - 23170; break;
            default: a[x] = reference(random), b[x] = matched(random);
            }
        }
        long long plain = 0;
        for (std::size_t x = 0; x < a.size(); ++x) plain += static_cast<long long>(a[x] - b[x]) * (a[x] - b[x]);
        // The levels in 16 bits, as rows of a box read from a wider window:
        // three rows of the same, strides of their own.
        const std::size_t strideA = a.size() + 3, strideB = a.size() + 11;
        std::vector<std::int16_t> boxA(3 * strideA, 7), boxB(3 * strideB, -7);
        for (std::size_t r = 0; r < 3; ++r)
            for (std::size_t x = 0; x < a.size(); ++x) {
                boxA[r * strideA + x] = static_cast<std::int16_t>(a[x]);
                boxB[r * strideB + x] = static_cast<std::int16_t>(b[x]);
            }
        const auto strideOf = [](std::size_t s) { return static_cast<std::ptrdiff_t>(s); };
        for (const SimdLevel level : ProcessorSimdLevels()) {
            const ScopedSimdLevel forced(level);
            ASSERT_EQ(SquaredDifferences(boxA.data(), strideOf(strideA), boxB.data(), strideOf(strideB), count, 3),
                      3 * plain)
                << count << " " << SimdLevelName(level);
        }
    }
}

}  // namespace
}  // namespace quivane
