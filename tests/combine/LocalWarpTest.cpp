#include "combine/LocalWarp.h"

#include <gtest/gtest.h>

#include <random>

#include "cpu/SimdLevel.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

// A 4 x 3 lattice of boxes (32 pixels unless told) half a box apart, with
// the node at column `hole`, row 1 left out (as a box on sky would be).
std::vector<AlignmentPoint> Lattice(int hole = -1, int size = 32)
{
    std::vector<AlignmentPoint> points;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i)
            if (!(j == 1 && i == hole)) points.push_back({8 + size / 2 * i - (size - 32), 4 + size / 2 * j, size});
    return points;
}

// The field is exact where it can be: one shift everywhere stays that shift
// inside, between and beyond the nodes, and shifts that grow linearly
// across the lattice grow linearly between node centres and stay put past
// the outermost ones.
TEST(ShiftField, SpreadsShiftsBilinearlyAndHoldsThemPastTheEdge)
{
    const std::vector<AlignmentPoint> points = Lattice();
    const ShiftField constant(points, std::vector<LocalShift>(points.size(), LocalShift{5, -9, true}));
    for (const auto& [x, y] : {std::pair{0, 0}, {24, 20}, {31, 27}, {200, 3}, {-5, 400}})
        EXPECT_EQ(constant.at(x, y), (std::array<int, 2>{5 * 4, -9 * 4})) << x << ", " << y;

    std::vector<LocalShift> ramp;
    for (const AlignmentPoint& p : points) ramp.push_back({p.left - 8, 2 * (p.top - 4), true});  // 16ths per node step
    const ShiftField linear(points, ramp);
    // Node centres are at x = 24, 40, 56, 72 and y = 20, 36, 52.
    for (int x = 24; x <= 72; ++x)
        for (int y = 20; y <= 52; ++y) ASSERT_EQ(linear.at(x, y), (std::array<int, 2>{4 * (x - 24), 8 * (y - 20)})) << x << ", " << y;
    EXPECT_EQ(linear.at(0, 0), (std::array<int, 2>{0, 0}));
    EXPECT_EQ(linear.at(90, 70), (std::array<int, 2>{4 * 48, 8 * 32}));
}

// A node without a point takes its neighbours' mean, so a hole in the grid
// neither pulls the field to zero nor leaves a step; no points, no field.
TEST(ShiftField, FillsMissingNodesFromTheirNeighbours)
{
    const std::vector<AlignmentPoint> points = Lattice(1);
    std::vector<LocalShift> shifts(points.size(), LocalShift{16, 32, true});
    const ShiftField field(points, shifts);
    EXPECT_EQ(field.at(40, 36), (std::array<int, 2>{64, 128})) << "the hole's centre";

    EXPECT_TRUE(ShiftField({}, {}).empty());
    EXPECT_EQ(ShiftField({}, {}).at(10, 10), (std::array<int, 2>{0, 0}));
}

// Whole-pixel shifts read pixels as they are, through the picture's offsets
// and with the edges repeated; only the wanted pixels are read.
TEST(WarpPicture, WholeShiftsReadPixelsAsTheyAre)
{
    std::mt19937 random(3);
    Picture picture = testing::RandomPicture(96, 64, random);
    picture.dx = 2;
    picture.dy = -1;
    const std::vector<AlignmentPoint> points = Lattice();
    const ShiftField field(points, std::vector<LocalShift>(points.size(), LocalShift{-ShiftScale, 3 * ShiftScale, true}));
    std::vector<char> wanted(96 * 64, 1);
    wanted[5] = 0;
    std::vector<std::array<int, 4>> out;
    WarpPicture(picture, field, wanted, out);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 96; ++x) {
            const std::array<int, 4>& v = out[static_cast<std::size_t>(y) * 96 + x];
            if (y == 0 && x == 5) {
                EXPECT_EQ(v, (std::array<int, 4>{0, 0, 0, 0}));
                continue;
            }
            const PicturePixel& p = picture.bitmap.at(std::clamp(x + 1, 0, 95), std::clamp(y + 2, 0, 63));
            ASSERT_EQ(v, (std::array<int, 4>{16 * p.chromaBlue, 16 * p.chromaGreen, 16 * p.chromaRed, 16 * p.luminance}))
                << x << ", " << y;
        }
    }
}

// The row-wise field (whole rows and parts of them) and the warp's vector
// paths give exactly the numbers of their plain twins, whether the pixels
// are written or added up, and pixels not wanted come out 0 (or add
// nothing): random shifts of up to six pixels (so many pixels read across
// the edges), random offsets, a hole in the lattice, and pixels at 0 and
// 255 where the cubic overshoots most.
TEST(WarpPicture, FastPathsMatchThePlainReadOnRandomData)
{
    std::mt19937 random(21);
    std::uniform_int_distribution<int> shift(-6 * ShiftScale, 6 * ShiftScale), offset(-5, 5), extreme(0, 3);
    for (int round = 0; round < 6; ++round) {
        Picture picture = testing::RandomPicture(96, 64, random);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x)
                if (extreme(random) == 0) picture.bitmap.at(x, y) = x % 2 ? PicturePixel{255, 255, 255, 255} : PicturePixel{};
        picture.dx = offset(random);
        picture.dy = offset(random);
        // Boxes of a power of two divide the field by a shift, the others
        // carry the remainder from pixel to pixel.
        const std::vector<AlignmentPoint> points = Lattice(round % 4, round < 3 ? 32 : round == 3 ? 48 : 18);
        std::vector<LocalShift> shifts;
        for (std::size_t p = 0; p < points.size(); ++p) shifts.push_back({shift(random), shift(random), true});
        const ShiftField field(points, shifts);
        std::vector<std::array<int, 2>> row;
        for (int y = -3; y < 70; ++y) {
            field.row(y, 96, row);
            ASSERT_EQ(row.size(), 96u);
            for (int x = 0; x < 96; ++x) ASSERT_EQ(row[static_cast<std::size_t>(x)], field.at(x, y)) << x << ", " << y;
        }
        // Every pixel, or runs of them with gaps, on rows with none as well.
        std::vector<char> wanted(96 * 64, 1);
        if (round % 2 == 1)
            for (std::size_t i = 0; i < wanted.size(); ++i) wanted[i] = (i / 7 + i / 96 / 5 + round) % 3 != 0 && i / 96 % 9 != 4;
        for (const SimdLevel level : ProcessorSimdLevels()) {
            const ScopedSimdLevel forced(level);
            std::vector<std::array<int, 4>> out(96 * 64, {1, 2, 3, 4});  // a buffer used before
            WarpPicture(picture, field, wanted, out);
            // Sums the pixels are added to, three times each.
            std::vector<std::array<int, 4>> sums(96 * 64, {5, -6, 7, 8});
            AddWarpedPicture(picture, field, wanted, 3, sums);
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 96; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * 96 + x;
                    const std::array<int, 2> s = field.at(x, y);
                    const std::array<int, 4> plain =
                        wanted[i] ? WarpedPixel(picture.bitmap, (x + picture.dx) * WarpPhases + s[0],
                                                (y + picture.dy) * WarpPhases + s[1])
                                  : std::array<int, 4>{0, 0, 0, 0};
                    ASSERT_EQ(out[i], plain)
                        << "round " << round << " " << SimdLevelName(level) << " at " << x << ", " << y;
                    const std::array<int, 4> added{5 + 3 * plain[0], -6 + 3 * plain[1], 7 + 3 * plain[2],
                                                   8 + 3 * plain[3]};
                    ASSERT_EQ(sums[i], added)
                        << "round " << round << " " << SimdLevelName(level) << " at " << x << ", " << y;
                }
            }
        }
        // A part of a row comes out as the whole row has it.
        std::vector<std::array<int, 2>> part(5, {7, 7});
        field.row(20, 5, 61, part);
        field.row(20, 96, row);
        ASSERT_EQ(part.size(), 61u);
        EXPECT_EQ(part[4], (std::array<int, 2>{7, 7}));
        for (int x = 5; x < 61; ++x) ASSERT_EQ(part[static_cast<std::size_t>(x)], row[static_cast<std::size_t>(x)]) << x;
    }
}

}  // namespace
}  // namespace quivane
