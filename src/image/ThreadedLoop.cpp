#include "image/ThreadedLoop.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace quivane {

int ThreadCount(int wanted)
{
    if (wanted > 0) return wanted;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void ForEachOnThreads(int count, int threads, const std::function<void(int item, int thread)>& work)
{
    threads = std::clamp(threads, 1, std::max(1, count));
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(threads));
    const auto run = [&](int t) {
        try {
            for (int item = t; item < count; item += threads) work(item, t);
        } catch (...) {
            failures[static_cast<std::size_t>(t)] = std::current_exception();
        }
    };
    std::vector<std::thread> others;
    others.reserve(static_cast<std::size_t>(threads - 1));
    for (int t = 1; t < threads; ++t) others.emplace_back(run, t);
    run(0);
    for (std::thread& other : others) other.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace quivane
