#include "parallel/WorkerTeam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace quivane {
namespace {

TEST(WorkerTeam, RunsEveryIndexOnceWithEachWorkersStorageUsedByOneThreadAtATime)
{
    for (int size : {1, 2, 5}) {
        WorkerTeam team(size);
        ASSERT_EQ(team.size(), size);
        for (int job = 0; job < 3; ++job) {  // a team runs job after job
            const int count = 200 + job;
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
            std::vector<std::atomic<int>> inside(static_cast<std::size_t>(size));
            std::atomic<int> shared{0};
            team.run(count, [&](int index, int worker) {
                if (inside[static_cast<std::size_t>(worker)]++ != 0) ++shared;
                ++runs[static_cast<std::size_t>(index)];
                --inside[static_cast<std::size_t>(worker)];
            });
            for (int i = 0; i < count; ++i) ASSERT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << "index " << i;
            EXPECT_EQ(shared.load(), 0) << "two parts at once on worker storage, team of " << size;
        }
    }
    WorkerTeam everyCore(0);
    EXPECT_EQ(everyCore.size(), AvailableCores());
}

TEST(WorkerTeam, RethrowsTheLowestFailingIndexAfterEveryIndexBelowItRan)
{
    for (int size : {1, 2, 4}) {
        WorkerTeam team(size);
        std::vector<std::atomic<int>> runs(100);
        try {
            team.run(100, [&](int index, int) {
                ++runs[static_cast<std::size_t>(index)];
                if (index == 40 || index == 41 || index == 90) throw std::runtime_error(std::to_string(index));
            });
            ADD_FAILURE() << "nothing thrown";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "40") << "team of " << size;
        }
        for (int i = 0; i <= 40; ++i) EXPECT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << "index " << i;
        int done = 0;
        team.run(10, [&](int, int) { ++done; });
        EXPECT_EQ(done, 10) << "the team goes on after a failure";
    }
}

}  // namespace
}  // namespace quivane
