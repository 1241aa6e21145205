#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "parallel/Bands.h"

namespace quivane {
namespace {

TEST(Bands, EveryIndexOnceInOrderedPiecesForAnyCount)
{
    for (const int bands : {-1, 0, 1, 2, 3, 7, 50}) {
        for (const auto& [begin, end] : {std::pair{0, 0}, std::pair{3, 4}, std::pair{5, 17}, std::pair{10, 3}}) {
            std::vector<int> seen(20, 0);
            RunInBands(begin, end, bands, [&](int first, int last) {
                for (int i = first; i < last; ++i) ++seen[static_cast<std::size_t>(i)];
            });
            for (int i = 0; i < 20; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)], i >= begin && i < end ? 1 : 0);
        }
    }
}

TEST(Bands, TheEarliestPiecesExceptionComesBackAfterAllFinished)
{
    std::vector<int> finished(4, 0);
    try {
        RunInBands(0, 4, 4, [&](int first, int) {
            finished[static_cast<std::size_t>(first)] = 1;
            if (first >= 2) throw std::runtime_error(first == 2 ? "second" : "third");
        });
        FAIL() << "nothing thrown";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "second");
    }
    EXPECT_EQ(finished, (std::vector<int>{1, 1, 1, 1}));

    EXPECT_EQ(BandsFor(0, 100, 4), 1);
    EXPECT_EQ(BandsFor(1'000'000, 100, 1), 1);
    EXPECT_LE(BandsFor(1'000'000, 100, 4), 4);
}

}  // namespace
}  // namespace quivane
