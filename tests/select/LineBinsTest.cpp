#include "select/LineBins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "cpu/SimdLevel.h"

namespace quivane {
namespace {

// Ridges anywhere in a window, many of them at places whose distance lands
// on or next to a half (where the rounding turns), at every angle, in runs
// of every length around the vector blocks: every level gives BinOf's bins
// and their range.
TEST(LineBins, EveryLevelGivesEachRidgesBinAndTheirRange)
{
    std::mt19937 random(31);
    std::uniform_real_distribution<double> place(-64.0, 64.0);
    std::vector<double> dx(67), dy(67);
    for (std::size_t i = 0; i < dx.size(); ++i) {
        dx[i] = i % 3 == 0 ? std::floor(place(random)) + 0.5 : place(random);
        dy[i] = i % 5 == 0 ? std::floor(place(random)) : place(random);
    }
    dx[7] = dy[7] = 0.0;
    const int reach = 93;
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        for (int angle = 0; angle < 180; ++angle) {
            const double c = std::cos(angle * std::numbers::pi / 180), s = std::sin(angle * std::numbers::pi / 180);
            for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 66, 67}) {
                std::vector<int> bins(static_cast<std::size_t>(n) + 1, -7);
                const BinRange range = LineBins(dx.data(), dy.data(), n, c, s, reach, bins.data());
                int low = 1 << 30, high = -(1 << 30);
                for (int i = 0; i < n; ++i) {
                    const int want = BinOf(dx[static_cast<std::size_t>(i)], dy[static_cast<std::size_t>(i)], c, s, reach);
                    ASSERT_EQ(bins[static_cast<std::size_t>(i)], want)
                        << SimdLevelName(level) << " angle " << angle << " ridge " << i;
                    low = std::min(low, want);
                    high = std::max(high, want);
                }
                ASSERT_EQ(range.low, low) << SimdLevelName(level) << " angle " << angle << " n " << n;
                ASSERT_EQ(range.high, high) << SimdLevelName(level) << " angle " << angle << " n " << n;
                ASSERT_EQ(bins[static_cast<std::size_t>(n)], -7) << "nothing past the run";
            }
        }
    }
}

// The rounding is std::lround's, halves away from zero, on both sides.
TEST(LineBins, DistancesRoundAsLroundDoes)
{
    for (double v : {-2.5, -1.5, -0.5, -0.49999999999999994, 0.0, 0.49999999999999994, 0.5, 1.5, 2.5, 63.5, -63.5,
                     10.000000000000002, -10.000000000000002})
        EXPECT_EQ(Rounded(v), std::lround(v)) << v;
}

// Votes of every spread, with ties for the most between bins and no votes
// at all, over ranges of every length around the vector blocks: every level
// finds the first bin of the most votes, as searching bin by bin does.
TEST(LineBins, EveryLevelFindsTheFirstBinOfTheMostVotes)
{
    std::mt19937 random(4);
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        for (int round = 0; round < 400; ++round) {
            const int low = 2 + static_cast<int>(random() % 5), high = low + static_cast<int>(random() % 40);
            std::vector<int> votes(static_cast<std::size_t>(high + 3), 0);
            const int spread = round % 4 == 0 ? 0 : 1 + static_cast<int>(random() % 4);
            for (int b = low; b <= high; ++b) votes[static_cast<std::size_t>(b)] = spread ? static_cast<int>(random() % static_cast<unsigned>(spread)) : 0;
            VotedBin want{0, 0};
            for (int b = low - 1; b <= high + 1; ++b) {
                const int sum = votes[static_cast<std::size_t>(b - 1)] + votes[static_cast<std::size_t>(b)] + votes[static_cast<std::size_t>(b + 1)];
                if (sum > want.votes) want = {b, sum};
            }
            const VotedBin got = MostVotedBin(votes.data(), low, high);
            ASSERT_EQ(got.bin, want.bin) << SimdLevelName(level) << " round " << round;
            ASSERT_EQ(got.votes, want.votes) << SimdLevelName(level) << " round " << round;
        }
    }
}

}  // namespace
}  // namespace quivane
