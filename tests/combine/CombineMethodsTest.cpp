#include "combine/CombineMethods.h"
#include "combine/FineCombine.h"
#include "support/Pictures.h"

#include <gtest/gtest.h>

#include <random>

#include "combine/MedianRow.h"
#include "cpu/SimdLevel.h"
#include "image/ArithmeticErrors.h"

namespace quivane {
namespace {

// A list whose input pictures are 3 x 2 and uniform: luminance `levels[k]`,
// chroma (levels[k] / 2, 7, 9), and a blank result picture.
PictureSeries Uniform(const std::vector<int>& levels, const std::vector<int>& qualities = {})
{
    PictureSeries list = testing::SeriesOf(std::vector<Picture>(levels.size() + 1));
    testing::ForEachPicture(list, [&](Picture& p) { PreparePictureBitmap(p, 3, 2); });
    for (std::size_t k = 0; k < levels.size(); ++k) {
        Picture& p = list.at(k + 1);
        const auto v = static_cast<std::uint8_t>(levels[k]);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) p.bitmap.at(x, y) = PicturePixel{static_cast<std::uint8_t>(v / 2), 7, 9, v};
        if (k < qualities.size()) p.quality = qualities[k];
    }
    return list;
}

TEST(CombineMean, WeighsByQuality)
{
    const PictureSeries list = Uniform({200, 100}, {QualityGood, QualityBad});
    const PicturePixel p = CombineMean(list, 2, 1, 1);
    EXPECT_EQ(p.luminance, 180);
    EXPECT_EQ(p.chromaBlue, (40 * 100 + 10 * 50) / 50) << "chroma is weighted too";
    EXPECT_EQ(p.chromaGreen, 7);
}

TEST(CombineMean, EveryPictureDontGivesZero)
{
    const PictureSeries list = Uniform({200, 100}, {QualityDont, QualityDont});
    EXPECT_EQ(CombineMean(list, 2, 0, 0), (PicturePixel{0, 0, 0, 0}));
}

TEST(CombineMean, ReadsEachPictureThroughItsOffsetWithTheEdgeRepeated)
{
    PictureSeries list = Uniform({10});
    for (int x = 0; x < 3; ++x) list.at(1).bitmap.at(x, 0).luminance = static_cast<std::uint8_t>(100 + x);
    list.at(1).dx = 5;
    EXPECT_EQ(CombineMean(list, 1, 0, 0).luminance, 102);
    list.at(1).dx = -5;
    EXPECT_EQ(CombineMean(list, 1, 2, 0).luminance, 100);
}

TEST(CombineMedian, WindowAroundTheMedianCountsClampedEndsAgain)
{
    const PictureSeries list = Uniform({10, 20, 30, 40, 200}, {QualityDont});
    EXPECT_EQ(CombineMedian(list, 5, 0, 0, 0).luminance, 30) << "Dont pictures count for the median";
    EXPECT_EQ(CombineMedian(list, 5, 0, 0, 4).luminance, 72);
}

TEST(CombineMedian, OneAndTwoPictures)
{
    const PictureSeries one = Uniform({77});
    for (int param : {0, 4, 252}) EXPECT_EQ(CombineMedian(one, 1, 0, 0, param).luminance, 77);
    const PictureSeries two = Uniform({90, 30});
    EXPECT_EQ(CombineMedian(two, 2, 0, 0, 0).luminance, 30);
    EXPECT_EQ(CombineMedian(two, 2, 0, 0, 1).luminance, (2 * 30 + 90) / 3);
    EXPECT_EQ(CombineMedian(two, 2, 0, 0, 128).luminance, (2 * 30 + 90) / 3);
}

TEST(CombineMedian, MoreThanAThousandPicturesIsARangeError)
{
    const PictureSeries list = Uniform(std::vector<int>(1001, 5));
    EXPECT_THROW((void)CombineMedian(list, 1001, 0, 0, 0), RangeCheckError);
    EXPECT_NO_THROW((void)CombineMedian(list, 1000, 0, 0, 0));
}

TEST(CombineMinMax, MeanLuminanceChoosesDarkestOrBrightest)
{
    EXPECT_EQ(CombineMinMax(Uniform({50, 100, 240}), 3, 0, 0, 128).luminance, 240);
    EXPECT_EQ(CombineMinMax(Uniform({50, 100, 230}), 3, 0, 0, 128).luminance, 50);
    const PicturePixel p = CombineMinMax(Uniform({50, 100, 230}), 3, 0, 0, 128);
    EXPECT_EQ(p.chromaBlue, (25 + 50 + 115) / 3) << "chroma is the plain mean";
    EXPECT_EQ(CombineMinMax(Uniform({50, 100, 230}, {QualityAvg, QualityAvg, QualityDont}), 3, 0, 0, 70).luminance,
              100);
}

TEST(CombineMinMax, EveryPictureDont)
{
    const PictureSeries list = Uniform({50, 100}, {QualityDont, QualityDont});
    EXPECT_EQ(CombineMinMax(list, 2, 0, 0, 128), (PicturePixel{0, 0, 0, 255}));
    EXPECT_EQ(CombineMinMax(list, 2, 0, 0, 0), (PicturePixel{0, 0, 0, 0}));
}

TEST(CombineMultiply, ProductDividedPerPictureAndSaturated)
{
    EXPECT_EQ(CombineMultiply(Uniform({255, 255}), 2, 0, 0, 128).luminance, 255 * 255 / 1024);
    EXPECT_EQ(CombineMultiply(Uniform({100}), 1, 0, 0, 0).luminance, 100) << "a parameter below 4 divides by 1";
    EXPECT_EQ(CombineMultiply(Uniform({200, 200}), 2, 0, 0, 4).luminance, 255);
}

TEST(CombineMultiply, OnlyTheFirstSevenUsedPicturesCount)
{
    const std::vector<int> eight = {128, 128, 128, 128, 128, 128, 128, 1};
    EXPECT_EQ(CombineMultiply(Uniform(eight), 8, 0, 0, 128).luminance, 255) << "the eighth (1) is skipped";
    EXPECT_EQ(CombineMultiply(Uniform(eight, {QualityDont}), 8, 0, 0, 128).luminance, 128)
        << "with the first left out, the eighth is the seventh used: 128^6 * 1 / 32^7";
    EXPECT_EQ(CombineMultiply(Uniform({9, 9}, {QualityDont, QualityDont}), 2, 0, 0, 128),
              (PicturePixel{1, 1, 1, 1}));
}

// A run combines the mean a row at a time; every byte must be the one the
// pixel-by-pixel mean gives, whatever the offsets (far past the edges too),
// the marks (unknown ones weigh nothing) and the pictures' sizes.
TEST(CombineMean, RowAtATimeGivesThePixelByPixelBytesOnRandomPictures)
{
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        std::mt19937 random(23);
        std::uniform_int_distribution<int> mark(-1, 4), near(-12, 12), far(-500, 500);
        std::vector<int> sums;
        for (int round = 0; round < 30; ++round) {
            const int width = round == 0 ? 1 : 37 + round * 5, height = 9;
            PictureSeries list;
            testing::Append(list, testing::RandomPicture(width, height, random));
            // Long lists too, whose sums are carried in several parts.
            const int count = round % 5 == 4 ? 20 + round : 1 + round % 7;
            for (int k = 1; k <= count; ++k) {
                Picture picture = testing::RandomPicture(width, height, random);
                picture.quality = round == 3 ? QualityDont : mark(random);
                picture.dx = k % 3 == 0 ? far(random) : near(random);
                picture.dy = near(random);
                testing::Append(list, std::move(picture));
            }
            std::vector<PicturePixel> row(static_cast<std::size_t>(width)), fineBytes(row.size());
            std::vector<FinePixel> fine(row.size());
            for (int y = 0; y < height; ++y) {
                CombineMeanRow(list, count, y, row.data(), width, sums);
                CombineMeanFineRow(list, count, y, fineBytes.data(), fine.data(), width, sums);
                for (int x = 0; x < width; ++x) {
                    const auto i = static_cast<std::size_t>(x);
                    ASSERT_EQ(row[i], CombineMean(list, count, x, y)) << "round " << round << " at " << x << "," << y;
                    const FineCombination expected = CombineMeanFine(list, count, x, y);
                    ASSERT_EQ(fineBytes[i], expected.pixel);
                    ASSERT_EQ(fine[i], expected.fine) << "round " << round << " at " << x << "," << y;
                }
            }
        }
    }
}

// The heaviest marks on the brightest bytes, many pictures: every part of
// the sum is at its largest and must not wrap.
TEST(CombineMean, BrightestBytesAtTheHeaviestMarksDoNotWrap)
{
    const PictureSeries list = Uniform(std::vector<int>(60, 255), std::vector<int>(60, QualityGood));
    std::vector<int> sums;
    PicturePixel row[1];
    CombineMeanRow(list, 60, 0, row, 1, sums);
    EXPECT_EQ(row[0], (PicturePixel{127, 7, 9, 255}));
    EXPECT_EQ(sums[3], 255 * 60 * QualityWeights[QualityGood]);
}

// Pictures whose every byte is one of `levels`: few distinct values, so
// that long runs of equal values sit around the median and at the ends.
Picture FewLevels(int width, int height, const std::vector<int>& levels, std::mt19937& random)
{
    std::uniform_int_distribution<std::size_t> pick(0, levels.size() - 1);
    auto next = [&] { return static_cast<std::uint8_t>(levels[pick(random)]); };
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.bitmap.at(x, y) = PicturePixel{next(), next(), next(), next()};
    return picture;
}

// The median of a run is found a row at a time by counting instead of
// sorting; every byte and fraction must be the sorted median's, whatever the
// stack's size (past the 255 a byte counter holds, up to the limit), the
// offsets, the parameter, and however many values are equal.
TEST(CombineMedian, RowAtATimeGivesThePixelByPixelBytesOnRandomPictures)
{
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        std::mt19937 random(31);
        std::uniform_int_distribution<int> near(-9, 9), far(-400, 400);
        MedianRowWork work;
        std::vector<int> sums;
        struct Stack {
            int count, width;
            std::vector<int> levels;  // empty: any byte
        };
        for (const Stack& stack :
             {Stack{1, 5, {}}, Stack{2, 1, {}}, Stack{3, 17, {}}, Stack{8, 33, {}}, Stack{28, 70, {}},
              Stack{255, 9, {0, 255}}, Stack{256, 7, {}}, Stack{300, 6, {0, 1, 254, 255}}, Stack{511, 5, {127, 128}},
              Stack{1000, 3, {0, 255}}, Stack{1000, 2, {}}}) {
            const int height = 3;
            PictureSeries list;
            testing::Append(list, testing::RandomPicture(stack.width, height, random));
            for (int k = 1; k <= stack.count; ++k) {
                Picture picture = stack.levels.empty() ? testing::RandomPicture(stack.width, height, random)
                                                       : FewLevels(stack.width, height, stack.levels, random);
                picture.quality = k % 4;  // the median ignores the marks, Dont included
                picture.dx = k % 5 == 0 ? far(random) : near(random);
                picture.dy = near(random);
                testing::Append(list, std::move(picture));
            }
            std::vector<PicturePixel> row(static_cast<std::size_t>(stack.width)), fineBytes(row.size());
            std::vector<FinePixel> fine(row.size());
            for (int param : {0, 1, 4, 17, 128, 252}) {
                for (int y = 0; y < height; ++y) {
                    CombineMedianRow(list, stack.count, y, param, row.data(), stack.width, work, sums);
                    CombineMedianFineRow(list, stack.count, y, param, fineBytes.data(), fine.data(), stack.width, work,
                                         sums);
                    for (int x = 0; x < stack.width; ++x) {
                        const auto i = static_cast<std::size_t>(x);
                        const FineCombination expected = CombineMedianFine(list, stack.count, x, y, param);
                        const std::string where = std::to_string(stack.count) + " pictures, param " +
                                                  std::to_string(param) + " at " + std::to_string(x) + "," +
                                                  std::to_string(y);
                        ASSERT_EQ(row[i], expected.pixel) << where;
                        ASSERT_EQ(fineBytes[i], expected.pixel) << where;
                        ASSERT_EQ(fine[i], expected.fine) << where;
                    }
                }
            }
        }
    }
}

TEST(CombineMedian, RowAtATimeRefusesMoreThanAThousandPicturesBeforeWriting)
{
    const PictureSeries list = Uniform(std::vector<int>(1001, 5));
    MedianRowWork work;
    std::vector<int> sums;
    std::vector<PicturePixel> row(3, PicturePixel{1, 2, 3, 4});
    EXPECT_THROW(CombineMedianRow(list, 1001, 0, 0, row.data(), 3, work, sums), RangeCheckError);
    EXPECT_EQ(row[0], (PicturePixel{1, 2, 3, 4}));
    CombineMedianRow(list, 0, 0, 4, row.data(), 3, work, sums);
    EXPECT_EQ(row[2], (PicturePixel{0, 0, 0, 0})) << "no pictures give 0";
}

}  // namespace
}  // namespace quivane
