// Frames per second of loading a 455-frame 640 x 480 bitmap series at the
// default working size (192 x 144, enlargement 2), against only reading the
// same files. Both run in one process on the same files.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "actions/BitmapSequenceLoad.h"
#include "acquire/BmpReader.h"
#include "output/BmpWriter.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"

namespace {

namespace fs = std::filesystem;
using namespace quivane;

constexpr int FrameCount = 455;

std::string FrameName(int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "FRAME_%04d.BMP", n);
    return name;
}

// A bright disc wandering over a noisy dark sky.
Bitmap24 Frame(int n)
{
    Bitmap24 frame(640, 480);
    std::uint32_t noise = 2463534242u + static_cast<std::uint32_t>(n);
    const double cx = 320 + 30 * std::sin(n * 0.1), cy = 240 + 20 * std::cos(n * 0.13);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double d = std::hypot(x - cx, y - cy);
            const int level = (d < 60 ? 200 - static_cast<int>(d) : 10) + static_cast<int>(noise % 7);
            const auto v = static_cast<std::uint8_t>(level);
            frame.at(x, y) = ColourPixel{static_cast<std::uint8_t>(v * 3 / 4), v, v};
        }
    return frame;
}

const fs::path& SeriesFolder()
{
    static const fs::path folder = [] {
        const fs::path f = fs::temp_directory_path() / ("quivane_bench_" + std::to_string(::getpid()));
        fs::create_directories(f);
        for (int n = 1; n <= FrameCount; ++n) {
            if (WriteBmp(Frame(n), (f / FrameName(n)).string())) std::abort();
        }
        return f;
    }();
    return folder;
}

void ReadOnly(benchmark::State& state)
{
    const fs::path& folder = SeriesFolder();
    for (auto _ : state) {
        for (int n = 1; n <= FrameCount; ++n) benchmark::DoNotOptimize(ReadBmp((folder / FrameName(n)).string()));
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(FrameCount) * state.iterations(), benchmark::Counter::kIsRate);
}

void FullLoad(benchmark::State& state)
{
    const fs::path& folder = SeriesFolder();
    for (auto _ : state) {
        Workspace ws{folder.string()};
        testing::FakeUi ui;
        FormCreate(ws, ui);
        ui.dialogAnswers = {(folder / FrameName(1)).string(), (folder / FrameName(FrameCount)).string()};
        LoadBMPButtonClick(ws, ui);
        if (ws.pictureCount != FrameCount) state.SkipWithError("the load did not read every frame");
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(FrameCount) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(ReadOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(FullLoad)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(SeriesFolder());
    return 0;
}
