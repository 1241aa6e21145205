// The whole batch on a 455-frame 640 x 480 uncompressed AVI: load, automatic
// alignment, median, unsharp mask, 4 "LR" iterations, convolution and CLAHE,
// written as a bitmap; against the ffmpeg command line decoding the same
// file to nowhere. Each iteration runs both, one after the other, and the
// ratio of their wall-clock times is the figure.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <variant>

#include "batch/BatchRun.h"

#include "SyntheticVideo.h"

namespace {

namespace fs = std::filesystem;
using namespace quivane;
using Clock = std::chrono::steady_clock;

constexpr int FrameCount = 455;

const fs::path& VideoFile()
{
    static const fs::path file = bench::WriteSyntheticVideo(FrameCount);
    return file;
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void EndToEndAgainstFfmpeg(benchmark::State& state)
{
    const std::string file = VideoFile().string();
    const fs::path output = fs::temp_directory_path() / ("quivane_bench_" + std::to_string(::getpid()) + ".bmp");
    const auto parsed = ParseBatchOptions({"--avi", file, "--align", "auto", "--combine", "median", "--unsharp", "3",
                                           "--deconvolve", "lr", "--iterations", "4", "--convolve", "--clahe", "2",
                                           "--output", output.string()});
    const bool ffmpeg = std::system("command -v ffmpeg >/dev/null") == 0;
    if (!ffmpeg) state.SkipWithError("the ffmpeg command line is not installed");
    const std::string decode = "ffmpeg -v quiet -i '" + file + "' -f null - </dev/null";
    // The file was just written: one untimed pass lets its pages reach the
    // disk and the cache before either side is timed.
    if (ffmpeg && (std::system("sync") != 0 || std::system(decode.c_str()) != 0))
        state.SkipWithError("ffmpeg failed");
    double batchSeconds = 0, ffmpegSeconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        if (std::system(decode.c_str()) != 0) state.SkipWithError("ffmpeg failed");
        ffmpegSeconds += Seconds(start);
        std::ostringstream out, errors;
        start = Clock::now();
        if (RunBatch(std::get<BatchOptions>(parsed), out, errors, nullptr) != BatchWritten)
            state.SkipWithError(errors.str().c_str());
        const double took = Seconds(start);
        batchSeconds += took;
        state.SetIterationTime(took);
    }
    fs::remove(output);
    const auto n = static_cast<double>(state.iterations());
    state.counters["ffmpeg_ms"] = 1000 * ffmpegSeconds / n;
    state.counters["batch_over_ffmpeg"] = batchSeconds / ffmpegSeconds;
}

BENCHMARK(EndToEndAgainstFfmpeg)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

}  // namespace

int main(int argc, char** argv) { return quivane::bench::RunThenRemoveVideo(argc, argv, VideoFile); }
