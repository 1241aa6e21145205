#include "select/KeepBest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "image/Picture.h"

namespace quivane {
namespace {

constexpr int D = QualityDont, A = QualityAvg, G = QualityGood;

struct KeptCase {
    const char* name;
    KeepRule rule;
    int usable;
    int kept;
};

TEST(KeptCount, PercentRoundsToTheNearestFrameAndCountsAreHeldInRange)
{
    const KeptCase cases[] = {
        {"25% of 8", KeepRule::Percent(25), 8, 2},
        {"25% of 10 rounds 2.5 up", KeepRule::Percent(25), 10, 3},
        {"25% of 9 rounds 2.25 down", KeepRule::Percent(25), 9, 2},
        {"10% of 4 rounds 0.4 to none", KeepRule::Percent(10), 4, 0},
        {"100%", KeepRule::Percent(100), 7, 7},
        {"over 100%", KeepRule::Percent(250), 7, 7},
        {"0%", KeepRule::Percent(0), 7, 0},
        {"negative percent", KeepRule::Percent(-5), 7, 0},
        {"count", KeepRule::Count(3), 7, 3},
        {"count over the usable frames", KeepRule::Count(30), 7, 7},
        {"count zero", KeepRule::Count(0), 7, 0},
        {"negative count", KeepRule::Count(-1), 7, 0},
        {"no usable frames", KeepRule::Count(5), 0, 0},
        {"the default is a quarter", KeepRule{}, 100, 25},
        {"a large series", KeepRule::Percent(33), 1000000, 330000},
    };
    for (const KeptCase& c : cases) EXPECT_EQ(KeptCount(c.rule, c.usable), c.kept) << c.name;
}

struct MarksCase {
    const char* name;
    std::vector<double> scores;
    std::vector<int> bad;  // frames with a fault
    KeepRule rule;
    std::vector<int> marks;
};

TEST(MarksFromRanking, BestQuarterOfTheKeptGoodRestKeptAverageOthersNot)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MarksCase cases[] = {
        {"eight kept of eight: two good", {1, 8, 3, 6, 5, 4, 7, 2}, {}, KeepRule::Percent(100), {A, G, A, A, A, A, G, A}},
        {"a quarter of eight kept", {1, 8, 3, 6, 5, 4, 7, 2}, {}, KeepRule{}, {D, G, D, D, D, D, A, D}},
        {"the best of a few is always good", {5, 9, 1}, {}, KeepRule::Count(1), {D, G, D}},
        {"five kept: the quarter rounds up to two", {1, 2, 3, 4, 5, 6}, {}, KeepRule::Count(5), {D, A, A, A, G, G}},
        {"bad frames drop out however sharp", {9, 8, 7, 6}, {0, 2}, KeepRule::Count(2), {D, G, D, A}},
        {"percent of the usable frames only", {1, 2, 3, 4, 5, 6, 7, 8}, {0, 1, 2, 3}, KeepRule::Percent(50),
         {D, D, D, D, D, D, A, G}},
        {"more kept than frames", {3, 1, 2}, {}, KeepRule::Count(10), {G, A, A}},
        {"keep none", {3, 1, 2}, {}, KeepRule::Count(0), {D, D, D}},
        {"all bad", {3, 1, 2}, {0, 1, 2}, KeepRule::Percent(100), {D, D, D}},
        {"no frames", {}, {}, KeepRule::Percent(100), {}},
        {"ties rank the earlier frame first", {5, 5, 5, 5, 5}, {}, KeepRule::Count(2), {G, A, D, D, D}},
        {"not a number ranks last", {nan, 1, 2}, {}, KeepRule::Count(2), {D, A, G}},
        {"negative scores rank too", {-3, -1, -2}, {}, KeepRule::Count(1), {D, G, D}},
    };
    for (const MarksCase& c : cases) {
        std::vector<FrameVerdict> verdicts(c.scores.size());
        for (const int i : c.bad) verdicts[static_cast<std::size_t>(i)].reason = FrameFault::Dim;
        EXPECT_EQ(MarksFromRanking(c.scores, verdicts, c.rule), c.marks) << c.name;
    }
}

TEST(MarksFromRanking, NoVerdictsMeansNoFrameIsBad)
{
    EXPECT_EQ(MarksFromRanking({2, 1, 4, 3}, {}, KeepRule::Count(2)), (std::vector<int>{D, D, G, A}));
}

}  // namespace
}  // namespace quivane
