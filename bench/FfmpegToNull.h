#pragma once

// The peer every load benchmark is measured against: the ffmpeg command line
// decoding the same file to nowhere, frames per second in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace quivane::bench {

inline void FfmpegDecodeToNull(benchmark::State& state, const std::string& file, int frameCount)
{
    const std::string command = "ffmpeg -v quiet -i '" + file + "' -f null - </dev/null";
    if (std::system("command -v ffmpeg >/dev/null") != 0) {
        state.SkipWithError("the ffmpeg command line is not installed");
        return;
    }
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed");
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(frameCount) * state.iterations(), benchmark::Counter::kIsRate);
}

}  // namespace quivane::bench
