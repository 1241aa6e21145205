#pragma once

#include <functional>

namespace quivane {

// The threads a loop may use: `wanted` when above 0, else one per core the
// machine reports (at least one).
int ThreadCount(int wanted);

// Calls work(item, thread) for every item 0..count - 1, on `threads`
// threads (the caller's among them) numbered 0..threads - 1: thread t takes
// items t, t + threads, ... in order. A caller that keeps one accumulator per
// thread and adds them up exactly gets the same numbers for any thread
// count. Whatever a thread throws is thrown here once all have ended.
void ForEachOnThreads(int count, int threads, const std::function<void(int item, int thread)>& work);

}  // namespace quivane
