#include "combine/FineCombine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "combine/CombineMethods.h"
#include "image/ArithmeticErrors.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

std::array<double, 4> Channels(const FinePixel& p) { return {p.chromaBlue, p.chromaGreen, p.chromaRed, p.luminance}; }
std::array<int, 4> Channels(const PicturePixel& p) { return {p.chromaBlue, p.chromaGreen, p.chromaRed, p.luminance}; }

// The bytes are the described method's, and every fine channel lies in
// [byte, byte + 1): its floor is the byte.
void ExpectConsistent(const FineCombination& c, const PicturePixel& described, const std::string& where)
{
    EXPECT_EQ(c.pixel, described) << where;
    const auto fine = Channels(c.fine);
    const auto whole = Channels(c.pixel);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_GE(fine[i], whole[i]) << where << " channel " << i;
        EXPECT_LT(fine[i], whole[i] + 1) << where << " channel " << i;
    }
}

// Random stacks of every size up to nine, random marks (Dont included) and
// offsets reaching past the edges, every method over parameters from both
// ends of its range.
TEST(FineCombine, BytesAreTheDescribedOnesAndFloorsOfTheFractions)
{
    std::mt19937 random(14);
    std::uniform_int_distribution<int> mark(0, 3), shift(-4, 4);
    for (int count = 1; count <= 9; ++count) {
        PictureSeries list = testing::SeriesOf(std::vector<Picture>(static_cast<std::size_t>(count) + 1));
        list.at(0) = testing::RandomPicture(6, 5, random);
        for (int k = 1; k <= count; ++k) {
            Picture& p = list.at(k);
            p = testing::RandomPicture(6, 5, random);
            p.quality = mark(random);
            p.dx = shift(random);
            p.dy = shift(random);
        }
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const std::string at = std::to_string(count) + " pictures at " + std::to_string(x) + "," + std::to_string(y);
                ExpectConsistent(CombineMeanFine(list, count, x, y), CombineMean(list, count, x, y), "mean " + at);
                for (int param : {0, 4, 8, 128, 252}) {
                    const std::string p = " param " + std::to_string(param) + " " + at;
                    ExpectConsistent(CombineMedianFine(list, count, x, y, param),
                                     CombineMedian(list, count, x, y, param), "median" + p);
                    ExpectConsistent(CombineMinMaxFine(list, count, x, y, param),
                                     CombineMinMax(list, count, x, y, param), "minmax" + p);
                    ExpectConsistent(CombineMultiplyFine(list, count, x, y, param),
                                     CombineMultiply(list, count, x, y, param), "multiply" + p);
                }
            }
    }
}

PictureSeries Uniform(const std::vector<int>& levels, const std::vector<int>& qualities = {})
{
    PictureSeries list = testing::SeriesOf(std::vector<Picture>(levels.size() + 1));
    testing::ForEachPicture(list, [&](Picture& p) { PreparePictureBitmap(p, 2, 2); });
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const auto v = static_cast<std::uint8_t>(levels[k]);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) list.at(k + 1).bitmap.at(x, y) = PicturePixel{v, v, v, v};
        if (k < qualities.size()) list.at(k + 1).quality = qualities[k];
    }
    return list;
}

TEST(FineCombine, TheFractionIsTheExactQuotient)
{
    // (40 * 201 + 10 * 100) / 50 = 180.8, where the described mean stores 180.
    const auto mean = CombineMeanFine(Uniform({201, 100}, {QualityGood, QualityBad}), 2, 0, 0);
    EXPECT_EQ(mean.pixel.luminance, 180);
    EXPECT_DOUBLE_EQ(mean.fine.luminance, 180.8);

    // N = 2, parameter 1: (2a + b) / 3.
    EXPECT_DOUBLE_EQ(CombineMedianFine(Uniform({90, 31}), 2, 0, 0, 1).fine.luminance, (2 * 31 + 90) / 3.0);

    // 255 * 255 / 1024; and a product past 255 is 255 exactly.
    EXPECT_DOUBLE_EQ(CombineMultiplyFine(Uniform({255, 255}), 2, 0, 0, 128).fine.luminance, 65025.0 / 1024);
    EXPECT_EQ(CombineMultiplyFine(Uniform({255, 255}), 2, 0, 0, 4).fine.luminance, 255.0);

    // The min/max luminance is one picture's own; only the chroma is a mean.
    const auto minmax = CombineMinMaxFine(Uniform({50, 101, 240}), 3, 0, 0, 128);
    EXPECT_EQ(minmax.fine.luminance, 240.0);
    EXPECT_DOUBLE_EQ(minmax.fine.chromaRed, 391 / 3.0);

    // Every picture "Dont": zeros, as described.
    EXPECT_EQ(CombineMeanFine(Uniform({201, 100}, {QualityDont, QualityDont}), 2, 0, 0).fine, FinePixel{});
    EXPECT_THROW(CombineMedianFine(Uniform(std::vector<int>(1001, 5)), 1001, 0, 0, 0), RangeCheckError);
}

}  // namespace
}  // namespace quivane
