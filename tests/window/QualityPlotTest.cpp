#include "window/QualityPlot.h"

#include <gtest/gtest.h>

#include "select/KeepBest.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

// Pictures 1..6: 4 scores 0.3, 0.1, 0.5, 0.2 usable, picture 5 repeated
// (0.9), picture 6 not scored.
std::vector<PlotPoint> Points()
{
    return {{1, 0.3, QualityAvg, FrameFault::None},  {2, 0.1, QualityDont, FrameFault::None},
            {3, 0.5, QualityGood, FrameFault::None}, {4, 0.2, QualityAvg, FrameFault::None},
            {5, 0.9, QualityDont, FrameFault::Repeated}, {6, std::nan(""), QualityAvg, FrameFault::None}};
}

constexpr PlotRect Area{50.0, 20.0, 400.0, 200.0};

TEST(PlotLayout, FrameOrderLeavesOutWhatIsNotScoredAndScalesOnTheUsableScores)
{
    const PlotLayout layout(Points(), false, Area);
    EXPECT_EQ(layout.order(), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(layout.xOf(5)) << "a picture without a score is not drawn";
    EXPECT_DOUBLE_EQ(layout.xOfSlot(0), 50.0 + 40.0);
    EXPECT_DOUBLE_EQ(*layout.xOf(4), 50.0 + 360.0);
    // 0.1 .. 0.5 with a twentieth spare: 0.08 .. 0.52.
    EXPECT_NEAR(layout.lowest(), 0.08, 1e-12);
    EXPECT_NEAR(layout.highest(), 0.52, 1e-12);
    EXPECT_NEAR(layout.yOf(0.52), 20.0, 1e-9);
    EXPECT_NEAR(layout.yOf(0.08), 220.0, 1e-9);
    EXPECT_LT(layout.yOf(0.9), 20.0) << "a bad frame may lie outside";
    for (const double score : {0.1, 0.25, 0.47}) EXPECT_NEAR(layout.scoreAt(layout.yOf(score)), score, 1e-12);
}

TEST(PlotLayout, SortedPutsTheUsableBestFirstAndTheBadFramesAfter)
{
    const PlotLayout layout(Points(), true, Area);
    EXPECT_EQ(layout.order(), (std::vector<std::size_t>{2, 0, 3, 1, 4}));
    EXPECT_LT(*layout.xOf(2), *layout.xOf(0));
}

TEST(PlotLayout, APlaceNearAPointFindsItAndNothingFarAway)
{
    const PlotLayout layout(Points(), false, Area);
    const double x = *layout.xOf(2), y = layout.yOf(0.5);
    EXPECT_EQ(layout.pointAt(x + 3, y - 2, 6.0), std::optional<std::size_t>(2));
    EXPECT_FALSE(layout.pointAt(x + 20, y, 6.0));
    EXPECT_FALSE(layout.pointAt(x, y + 30, 6.0));
}

TEST(Threshold, KeepsTheUsablePicturesScoringAtLeastIt)
{
    const std::vector<PlotPoint> points = Points();
    EXPECT_EQ(UsableCount(points), 4);
    EXPECT_EQ(KeptAtThreshold(points, 0.25), 2);
    EXPECT_EQ(KeptAtThreshold(points, 0.0), 4) << "not the bad frame, not the unscored one";
    EXPECT_EQ(KeptAtThreshold(points, 0.95), 0);
    for (int kept = 0; kept <= 4; ++kept) {
        EXPECT_EQ(KeptAtThreshold(points, ThresholdKeeping(points, kept)), kept) << kept;
    }
    EXPECT_DOUBLE_EQ(ThresholdKeeping(points, 2), 0.25);
    EXPECT_GT(ThresholdKeeping(points, 0), 0.5);
    EXPECT_LT(ThresholdKeeping(points, 9), 0.1);
}

// The threshold of a keep rule keeps as many as the rule marks.
TEST(Threshold, AgreesWithTheMarksOfTheRule)
{
    const std::vector<PlotPoint> points = Points();
    std::vector<double> scores;
    std::vector<FrameVerdict> verdicts;
    for (const PlotPoint& p : points) {
        scores.push_back(p.score);
        verdicts.push_back({p.scored() ? p.fault : FrameFault::Black});
    }
    for (const int percent : {0, 25, 50, 75, 100}) {
        const KeepRule rule = KeepRule::Percent(percent);
        const std::vector<int> marks = MarksFromRanking(scores, verdicts, rule);
        const int kept = static_cast<int>(std::count_if(marks.begin(), marks.end(), [](int m) { return m != QualityDont; }));
        EXPECT_EQ(KeptAtThreshold(points, ThresholdKeeping(points, KeptCount(rule, UsableCount(points)))), kept)
            << percent;
    }
}

TEST(PlotPoints, ComeFromTheInputPictures)
{
    PictureSeries pictures = testing::SeriesOf(3, Picture{});
    pictures.at(2).sharpness = 0.7;
    pictures.at(2).quality = QualityGood;
    pictures.at(3).fault = FrameFault::Dim;
    const std::vector<PlotPoint> points = PlotPointsOf(pictures, 3);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1].picture, 2);
    EXPECT_EQ(points[1].score, 0.7);
    EXPECT_EQ(points[1].mark, QualityGood);
    EXPECT_FALSE(points[0].scored());
    EXPECT_EQ(points[2].fault, FrameFault::Dim);
}

}  // namespace
}  // namespace quivane
