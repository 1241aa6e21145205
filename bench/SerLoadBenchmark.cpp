// Frames per second of loading a 1920 x 1080 8-bit grey SER capture at the
// default settings, against the ffmpeg command line decoding the same file
// to nowhere, in one run. The file is made on first use. The load runs
// without ("score:0") and with scoring the frames ("score:1"); the last line
// says what scoring adds.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "acquire/CaptureFile.h"
#include "pipeline/SeriesLoading.h"
#include "image/PictureMemory.h"

#include "FfmpegToNull.h"
#include "OneFrameStages.h"
#include "ScoringCost.h"

namespace {

namespace fs = std::filesystem;
using namespace quivane;

constexpr int Width = 1920, Height = 1080, FrameCount = 300;

void Put32(std::vector<unsigned char>& b, std::size_t at, int v)
{
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

const fs::path& SerFile()
{
    static const fs::path file = [] {
        const fs::path f = fs::temp_directory_path() / ("quivane_bench_" + std::to_string(::getpid()) + ".ser");
        std::vector<unsigned char> header(178, 0);
        std::copy_n("LUCAM-RECORDER", 14, header.begin());
        Put32(header, 22, 1);
        Put32(header, 26, Width);
        Put32(header, 30, Height);
        Put32(header, 34, 8);
        Put32(header, 38, FrameCount);
        std::FILE* out = std::fopen(f.c_str(), "wb");
        std::fwrite(header.data(), 1, header.size(), out);
        std::vector<unsigned char> frame(static_cast<std::size_t>(Width) * Height);
        for (int n = 0; n < FrameCount; ++n) {
            const double cx = 960 + 60 * std::sin(n * 0.05), cy = 540 + 40 * std::cos(n * 0.07);
            for (int y = 0; y < Height; ++y)
                for (int x = 0; x < Width; ++x)
                    frame[static_cast<std::size_t>(y) * Width + x] =
                        static_cast<unsigned char>(std::hypot(x - cx, y - cy) < 150 ? 190 + (x + y) % 20 : 10 + (x ^ y) % 5);
            std::fwrite(frame.data(), 1, frame.size(), out);
        }
        std::fclose(out);
        return f;
    }();
    return file;
}

void LoadSer(benchmark::State& state)
{
    const std::string file = SerFile().string();  // made before the clock runs
    SeriesSettings settings;
    settings.maxPictures = ComputeMaxPictures(settings.width, settings.height, 1024);
    settings.work = state.range(0) != 0 ? SeriesWork::PicturesAndScores : SeriesWork::Pictures;
    for (auto _ : state) {
        auto opened = CaptureFile::Open(file);
        if (!std::holds_alternative<CaptureFile>(opened)) {
            state.SkipWithError("the capture did not open");
            return;
        }
        PictureSeries pictures;
        LoadObserver quiet;
        LoadCaptureSeries(std::get<CaptureFile>(opened), settings, pictures, quiet);
        if (pictures.inputCount() != FrameCount) state.SkipWithError("the load did not read every frame");
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(FrameCount) * state.iterations(), benchmark::Counter::kIsRate);
}

// The parts of one frame's load on one thread, in CPU time: reading it, and
// surveying and preparing it.
void ReadGreyFrame(benchmark::State& state) { bench::ReadFramesInTurn(state, SerFile().string(), FrameCount); }
void SurveyGreyFrame(benchmark::State& state) { bench::SurveyFirstFrame<Bitmap8>(state, SerFile().string()); }
void PrepareGreyFrame(benchmark::State& state) { bench::PrepareFirstFrame<Bitmap8>(state, SerFile().string()); }

void FfmpegDecodeToNull(benchmark::State& state) { bench::FfmpegDecodeToNull(state, SerFile().string(), FrameCount); }

BENCHMARK(LoadSer)->ArgName("score")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(FfmpegDecodeToNull)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(ReadGreyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(SurveyGreyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareGreyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    quivane::KeepFreedFrameMemory();
    benchmark::Initialize(&argc, argv);
    quivane::bench::ScoringCostReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove(SerFile());
    return 0;
}
