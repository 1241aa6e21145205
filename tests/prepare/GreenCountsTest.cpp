#include "prepare/GreenCounts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace quivane {
namespace {

// Sample by sample, in wide counters, saturated at the end.
struct ReferenceCounts {
    std::array<std::uint64_t, 256> counts{};

    void addRow(const std::vector<std::uint8_t>& levels, int width)
    {
        for (int x = 0; x < width; x += 2) ++counts[levels[static_cast<std::size_t>(x)]];
    }
    Histogram histogram() const
    {
        Histogram h;
        for (std::size_t v = 0; v < 256; ++v) h[v] = static_cast<std::uint16_t>(std::min<std::uint64_t>(counts[v], 65535));
        return h;
    }
};

// Levels of one row: a sky of a few levels, or any level, or a sky with an
// object's wide levels in places, so that blocks of samples come narrow,
// wide, and just either side of the width counted level by level.
std::vector<std::uint8_t> Levels(std::mt19937& random, int width, int kind)
{
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(width));
    const int span = 1 + static_cast<int>(random() % 80);
    const int base = static_cast<int>(random() % static_cast<unsigned>(257 - span));
    for (int x = 0; x < width; ++x) {
        int v = base + static_cast<int>(random() % static_cast<unsigned>(span));
        if (kind == 1 || (kind == 2 && (x / 150) % 3 == 1)) v = static_cast<int>(random() % 256);
        levels[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v);
    }
    return levels;
}

std::vector<ColourPixel> WithGreens(std::mt19937& random, const std::vector<std::uint8_t>& greens)
{
    std::vector<ColourPixel> row(greens.size());
    for (std::size_t x = 0; x < row.size(); ++x)
        row[x] = ColourPixel{static_cast<std::uint8_t>(random()), greens[x], static_cast<std::uint8_t>(random())};
    return row;
}

// Colour and grey rows of every width up to past three blocks of 128, and
// of camera widths, each kind of content: the counts are what counting
// sample by sample gives.
TEST(GreenCounts, RowsOfEveryWidthCountAsSampleBySample)
{
    std::vector<int> widths;
    for (int w = 0; w <= 400; ++w) widths.push_back(w);
    for (int w : {640, 641, 1000, 1920}) widths.push_back(w);
    std::mt19937 random(17);
    for (int width : widths) {
        GreenCounts colour, grey;
        ReferenceCounts reference;
        for (int kind = 0; kind < 3; ++kind) {
            const std::vector<std::uint8_t> levels = Levels(random, width, kind);
            const std::vector<ColourPixel> row = WithGreens(random, levels);
            colour.addRow(row.data(), width);
            grey.addRow(levels.data(), width);
            reference.addRow(levels, width);
        }
        ASSERT_EQ(colour.histogram(), reference.histogram()) << "colour, width " << width;
        ASSERT_EQ(grey.histogram(), reference.histogram()) << "grey, width " << width;
    }
}

// A sky of a few levels row after row, as a frame's is, with rows that
// leave its band between, and bands at the top levels with rows of the
// lowest ones between: the counts asked for at any row are those of the
// rows so far.
TEST(GreenCounts, RowsOfOneBandCountAsSampleBySample)
{
    std::mt19937 random(23);
    for (int width : {128, 640, 700}) {
        GreenCounts colour, grey;
        ReferenceCounts reference;
        for (int row = 0; row < 120; ++row) {
            const int base = row % 40 == 39 ? 60 : row >= 100 ? row % 2 * 252 : row >= 80 ? 249 : 10;
            const int span = row % 40 == 39 ? 9 : row >= 100 ? 4 : row >= 20 && row < 60 ? 1 : 7;
            std::vector<std::uint8_t> levels(static_cast<std::size_t>(width));
            for (auto& v : levels) v = static_cast<std::uint8_t>(base + static_cast<int>(random() % span));
            colour.addRow(WithGreens(random, levels).data(), width);
            grey.addRow(levels.data(), width);
            reference.addRow(levels, width);
            if (row % 7 == 0 || row % 40 == 39) {
                ASSERT_EQ(colour.histogram(), reference.histogram()) << "colour, width " << width << " row " << row;
                ASSERT_EQ(grey.histogram(), reference.histogram()) << "grey, width " << width << " row " << row;
            }
        }
        ASSERT_EQ(colour.histogram(), reference.histogram()) << "colour, width " << width;
        ASSERT_EQ(grey.histogram(), reference.histogram()) << "grey, width " << width;
    }
}

// A frame of one level has more samples of it than a count holds.
TEST(GreenCounts, ACountSaturatesWhereItWouldWrap)
{
    GreenCounts counts;
    std::vector<std::uint8_t> row(1024, 9);
    row[2] = 200;
    for (int y = 0; y < 150; ++y) counts.addRow(row.data(), 1024);  // 150 * 511 nines
    const Histogram h = counts.histogram();
    EXPECT_EQ(h[9], 65535);
    EXPECT_EQ(h[200], 150);
    EXPECT_EQ(h[10], 0);
}

}  // namespace
}  // namespace quivane
