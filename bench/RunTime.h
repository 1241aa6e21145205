#pragma once

// What a reporter that sets runs side by side takes from each run: its real
// time per iteration, where a repeated run's median stands for all its
// repetitions and the other aggregates and failed runs count for nothing.
#include <benchmark/benchmark.h>

namespace quivane::bench {

struct RunTime {
    double seconds = 0.0;
    bool fromMedian = false;
};

// Whether the run has a time to take: it ran, and is no aggregate but the median.
inline bool HasTime(const benchmark::BenchmarkReporter::Run& run)
{
    if (run.error_occurred || run.iterations == 0) return false;
    return run.run_type != benchmark::BenchmarkReporter::Run::RT_Aggregate || run.aggregate_name == "median";
}

// Takes the run's time unless a median was already taken for the same runs.
inline void Take(RunTime& time, const benchmark::BenchmarkReporter::Run& run)
{
    const bool median = run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate;
    if (median || !time.fromMedian) time.seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
    time.fromMedian = time.fromMedian || median;
}

}  // namespace quivane::bench
