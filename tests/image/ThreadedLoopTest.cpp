#include "image/ThreadedLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace quivane {
namespace {

// Every item is done once, by the thread its number falls to, whatever the
// thread count (more threads than items, none asked for, none to do).
TEST(ThreadedLoop, DoesEveryItemOnceOnItsThread)
{
    for (const int threads : {1, 2, 3, 7, 40}) {
        std::vector<std::atomic<int>> done(23);
        std::vector<int> by(23, -1);
        ForEachOnThreads(23, threads, [&](int item, int thread) {
            ++done[static_cast<std::size_t>(item)];
            by[static_cast<std::size_t>(item)] = thread;
        });
        const int used = std::min(threads, 23);
        for (int item = 0; item < 23; ++item) {
            EXPECT_EQ(done[static_cast<std::size_t>(item)], 1) << threads << " threads, item " << item;
            EXPECT_EQ(by[static_cast<std::size_t>(item)], item % used) << threads << " threads, item " << item;
        }
    }
    int calls = 0;
    ForEachOnThreads(0, 4, [&](int, int) { ++calls; });
    ForEachOnThreads(3, 0, [&](int, int) { ++calls; });
    EXPECT_EQ(calls, 3);
    EXPECT_GE(ThreadCount(0), 1);
    EXPECT_EQ(ThreadCount(3), 3);
}

// A failure on another thread reaches the caller after every thread ended.
TEST(ThreadedLoop, HandsBackWhatAThreadThrows)
{
    std::atomic<int> done = 0;
    EXPECT_THROW(ForEachOnThreads(10, 2,
                                  [&](int item, int) {
                                      if (item == 5) throw std::runtime_error("out of memory");
                                      ++done;
                                  }),
                 std::runtime_error);
    EXPECT_EQ(done, 7) << "thread 1 stops at its failing item; thread 0 finishes its five";
}

}  // namespace
}  // namespace quivane
