// Frames per second of loading a 455-frame 640 x 480 bitmap series at the
// default working size (192 x 144, enlargement 2), against only reading and
// decoding the same files, and against only reading their bytes into one
// buffer (the peer a load is measured against). All run in one process on
// the same files. The same again for the series as 8-bit grey files, as a
// monochrome camera's capture program writes them ("Grey").
//
// And what scoring the frames while loading adds to a load ("score:1"
// against "score:0"), on that series, on the 60 frames of the seeing series
// of the shared test material (160 x 120, 8-bit) and on the 40 frames of the
// demo series (320 x 240, 24-bit); the last lines say it as a share of the
// load without scores (target: at most 10 %).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "actions/BitmapSequenceLoad.h"
#include "acquire/BmpReader.h"
#include "files/FileBytes.h"
#include "output/BmpWriter.h"
#include "support/FakeUi.h"
#include "actions/FrameSelection.h"
#include "actions/WorkspaceActions.h"

#include "ScoringCost.h"
#include "image/PictureMemory.h"

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

// A bright disc wandering over a noisy dark sky: its level at each pixel.
template <class Put>
void Disc(int n, Put put)
{
    std::uint32_t noise = 2463534242u + static_cast<std::uint32_t>(n);
    const double cx = 320 + 30 * std::sin(n * 0.1), cy = 240 + 20 * std::cos(n * 0.13);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double d = std::hypot(x - cx, y - cy);
            const int level = (d < 60 ? 200 - static_cast<int>(d) : 10) + static_cast<int>(noise % 7);
            put(x, y, static_cast<std::uint8_t>(level));
        }
}

Bitmap24 Frame(int n)
{
    Bitmap24 frame(640, 480);
    Disc(n, [&](int x, int y, std::uint8_t v) { frame.at(x, y) = ColourPixel{static_cast<std::uint8_t>(v * 3 / 4), v, v}; });
    return frame;
}

// The disc as an 8-bit bitmap with a grey palette, rows bottom-up.
std::vector<std::uint8_t> GreyFile(int n)
{
    constexpr std::uint32_t pixelOffset = 14 + 40 + 1024, size = pixelOffset + 640 * 480;
    std::vector<std::uint8_t> file(size);
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put(2, size, 4), put(10, pixelOffset, 4), put(14, 40, 4), put(18, 640, 4), put(22, 480, 4);
    put(26, 1, 2), put(28, 8, 2);
    for (std::uint32_t i = 0; i < 256; ++i) put(54 + 4 * i, i * 0x010101u, 4);
    Disc(n, [&](int x, int y, std::uint8_t v) { file[pixelOffset + static_cast<std::size_t>(479 - y) * 640 + static_cast<std::size_t>(x)] = v; });
    return file;
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

const fs::path& GreySeriesFolder()
{
    static const fs::path folder = [] {
        const fs::path f = fs::temp_directory_path() / ("quivane_bench_grey_" + std::to_string(::getpid()));
        fs::create_directories(f);
        for (int n = 1; n <= FrameCount; ++n) {
            const std::vector<std::uint8_t> bytes = GreyFile(n);
            std::ofstream((f / FrameName(n)).string(), std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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

void ReadBytesOf(benchmark::State& state, const fs::path& folder)
{
    std::vector<std::uint8_t> bytes;
    for (auto _ : state) {
        for (int n = 1; n <= FrameCount; ++n) {
            if (ReadFileBytesInto((folder / FrameName(n)).string(), 1u << 30, bytes)) state.SkipWithError("unreadable");
            benchmark::DoNotOptimize(bytes.data());
        }
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(FrameCount) * state.iterations(), benchmark::Counter::kIsRate);
}

void ReadBytesOnly(benchmark::State& state) { ReadBytesOf(state, SeriesFolder()); }
void ReadGreyBytesOnly(benchmark::State& state) { ReadBytesOf(state, GreySeriesFolder()); }

// The window's load of files first .. last (`count` of them), scoring the
// frames when the benchmark's argument is 1.
void WindowLoad(benchmark::State& state, const fs::path& first, const fs::path& last, int count)
{
    const bool score = state.range(0) != 0;
    for (auto _ : state) {
        Workspace ws{first.parent_path().string()};
        testing::FakeUi ui;
        FormCreate(ws, ui);
        SetScoreWhileLoading(ws, ui, score);
        ui.dialogAnswers = {first.string(), last.string()};
        LoadBMPButtonClick(ws, ui);
        if (ws.pictureCount != count) state.SkipWithError("the load did not read every frame");
        if (AllPicturesScored(ws) != score) state.SkipWithError("the frames were not scored as asked");
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(count) * state.iterations(), benchmark::Counter::kIsRate);
}

void FullLoad(benchmark::State& state)
{
    const fs::path& folder = SeriesFolder();
    WindowLoad(state, folder / FrameName(1), folder / FrameName(FrameCount), FrameCount);
}

void FullGreyLoad(benchmark::State& state)
{
    const fs::path& folder = GreySeriesFolder();
    WindowLoad(state, folder / FrameName(1), folder / FrameName(FrameCount), FrameCount);
}

void SeeingLoad(benchmark::State& state)
{
    const fs::path folder = fs::path(QUIVANE_TESTDATA) / "captures" / "seeing";
    WindowLoad(state, folder / "MARS_0001.BMP", folder / "MARS_0060.BMP", 60);
}

void DemoLoad(benchmark::State& state)
{
    const fs::path folder = fs::path(QUIVANE_SAMPLES) / "Pictures";
    WindowLoad(state, folder / "PLANET_0001.BMP", folder / "PLANET_0040.BMP", 40);
}

BENCHMARK(ReadBytesOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(ReadOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(FullLoad)->ArgName("score")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(ReadGreyBytesOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(FullGreyLoad)->ArgName("score")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(SeeingLoad)->ArgName("score")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(DemoLoad)->ArgName("score")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv)
{
    quivane::KeepFreedFrameMemory();
    benchmark::Initialize(&argc, argv);
    quivane::bench::ScoringCostReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove_all(SeriesFolder());
    fs::remove_all(GreySeriesFolder());
    return 0;
}
