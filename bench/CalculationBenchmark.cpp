// One calculation run at 768 x 576 over 28 pictures: the mean, the median,
// and the mean followed by unsharp masking, 16 "LR" iterations and
// convolution with the built-in 15 x 15 kernel; and CLAHE at that size, the
// direct path beside the one through planes.
// The median's combination alone, at 768 x 576 over 28 pictures and at
// 192 x 144 over 455, on one thread and on every core, beside its plain twin
// (each pixel's values sorted) and a per-pixel std::nth_element as its peer.
// The window's run keeps a record for deep saves; the same runs without it
// (the engine's Calculate, as the batch runs for a bitmap) show what the
// record costs. Last, what a 16-bit save adds after the enhanced run: the
// recorded stages redone exactly, twice, and rendered.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>

#include "SampleMaterial.h"
#include "combine/CombineMethods.h"
#include "image/Plane.h"
#include "actions/CalculationRun.h"
#include "actions/ResultViewActions.h"
#include "pipeline/CalculationRecord.h"
#include "pipeline/FineCalculation.h"
#include "tone/FineRender.h"
#include "prepare/FramePreparation.h"
#include "tone/Clahe.h"
#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"

namespace {

using namespace quivane;

constexpr int PictureCount = 28;

// The demo frames (repeated when more are asked for) as a load at the result
// size `size` leaves them.
struct Loaded {
    Workspace ws{"/tmp"};
    testing::FakeUi ui;

    explicit Loaded(int count = PictureCount, int size = 768)
    {
        FormCreate(ws, ui);
        ws.resultSize = size;
        ResetWorkspaceSize(ws, ui);
        static const std::vector<Bitmap24> frames = samples::MakeFrames();
        ws.pictures.setResult(PictureOf(frames[0], 2, false, ws.resultWidth, ws.resultHeight));
        for (int n = 1; n <= count; ++n)
            ws.pictures.addInput(PictureOf(frames[static_cast<std::size_t>(n - 1) % frames.size()], 2, false,
                                           ws.resultWidth, ws.resultHeight));
        ws.pictureCount = count;
        ws.picturesLoaded = true;
    }
};

// The combine method, and every enhancement stage on (16 LR iterations) or off.
void Choose(Loaded& loaded, int method, bool enhance)
{
    Workspace& ws = loaded.ws;
    ControlChanged(ws, loaded.ui, ControlId::CombineRadioGroup, method);
    for (const EnhancementStage* stage : EnhancementStages())
        ws.calculation.enhancement[stage->id].on = enhance;
    ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[0] = 1;
    ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[1] = 16;
}

void Run(benchmark::State& state, int method, bool enhance)
{
    Loaded loaded;
    Choose(loaded, method, enhance);
    for (auto _ : state) CalculationRun(loaded.ws, loaded.ui);
}

// The same runs through the engine alone, with and without the record.
void RunEngine(benchmark::State& state, int method, bool enhance, bool record)
{
    Loaded loaded;
    Choose(loaded, method, enhance);
    Workspace& ws = loaded.ws;
    CalculationObserver quiet;
    CalculationRecord kept;
    for (auto _ : state) {
        if (record) {
            CalculateAndRecord(ws.pictures, PictureCount, ws.calculation, ws.kernels, quiet, kept);
        } else {
            Calculate(ws.pictures, PictureCount, ws.calculation, ws.kernels, quiet);
        }
    }
}

void Mean(benchmark::State& state) { Run(state, 0, false); }
void Median(benchmark::State& state) { Run(state, 1, false); }
void MeanUnsharpLR16Convolve(benchmark::State& state) { Run(state, 0, true); }
void EngineMean(benchmark::State& state) { RunEngine(state, 0, false, false); }
void EngineMeanRecorded(benchmark::State& state) { RunEngine(state, 0, false, true); }
void EngineMedian(benchmark::State& state) { RunEngine(state, 1, false, false); }
void EngineMedianRecorded(benchmark::State& state) { RunEngine(state, 1, false, true); }
void EngineMeanUnsharpLR16Convolve(benchmark::State& state) { RunEngine(state, 0, true, false); }
void EngineMeanUnsharpLR16ConvolveRecorded(benchmark::State& state) { RunEngine(state, 0, true, true); }

void DeepLevelsAfterUnsharpLR16Convolve(benchmark::State& state)
{
    Loaded loaded;
    Workspace& ws = loaded.ws;
    for (const EnhancementStage* stage : EnhancementStages())
        ws.calculation.enhancement[stage->id].on = true;
    ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[0] = 1;
    ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[1] = 16;
    CalculationRun(ws, loaded.ui);
    RenderResult(ws);
    for (auto _ : state) {
        const FineRuns runs = EnhanceBoth(ws.lastRun);
        auto levels = RenderGained(ws.resultView, runs.fromFractions, runs.fromBytes, ws.lastRun.result,
                                   ws.equalisedSinceRun, ws.pictures.result(), CurrentRenderFlags(ws), ws.tone);
        benchmark::DoNotOptimize(levels);
    }
}

// A fresh copy of a loaded picture for each iteration, made off the clock.
Picture CopiedOffTheClock(benchmark::State& state, const Picture& picture)
{
    state.PauseTiming();
    Picture copy = picture;
    state.ResumeTiming();
    return copy;
}

void ClaheAtFullSize(benchmark::State& state)
{
    Loaded loaded;
    for (auto _ : state) {
        Picture picture = CopiedOffTheClock(state, loaded.ws.pictures.at(1));
        ApplyClahe(picture, 2.0);
        benchmark::DoNotOptimize(picture.bitmap.row(0));
    }
}

// The same step through the planes, as every picture took it before.
void ClaheThroughPlanesAtFullSize(benchmark::State& state)
{
    Loaded loaded;
    for (auto _ : state) {
        Picture picture = CopiedOffTheClock(state, loaded.ws.pictures.at(1));
        Plane source, destination;
        PictureToScratch(picture, source);
        Clahe(source, destination, source.width, source.height, ClaheRegionsX, ClaheRegionsY, 2.0);
        ScratchToPicture(picture, destination, 1);
        benchmark::DoNotOptimize(picture.bitmap.row(0));
    }
}

// A method's combination alone of `count` pictures at result size `size`
// (768 gives 768 x 576, 192 gives 192 x 144): arguments count, size and
// threads (0: one a core).
void Combination(benchmark::State& state, CombineMethod method)
{
    const int count = static_cast<int>(state.range(0));
    Loaded loaded(count, static_cast<int>(state.range(1)));
    CalculationSettings s;
    s.combineMethod = method;
    s.threads = static_cast<int>(state.range(2));
    CalculationObserver quiet;
    for (auto _ : state) Calculate(loaded.ws.pictures, count, s, loaded.ws.kernels, quiet);
}

void MedianCombination(benchmark::State& state) { Combination(state, CombineMethod::Median); }

// The weighted mean, every picture at its start mark.
void MeanCombination(benchmark::State& state) { Combination(state, CombineMethod::Mean); }

// Its plain twin, each pixel's values sorted, as every run did before.
void MedianSortingEachPixel(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    Loaded loaded(count, static_cast<int>(state.range(1)));
    PictureSeries& pictures = loaded.ws.pictures;
    Bitmap32& result = pictures.result().bitmap;
    for (auto _ : state)
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) result.at(x, y) = CombineMedian(pictures, count, x, y, 0);
}

// The peer: std::nth_element on each pixel's values, channel by channel.
void MedianNthElementEachPixel(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    Loaded loaded(count, static_cast<int>(state.range(1)));
    PictureSeries& pictures = loaded.ws.pictures;
    Bitmap32& result = pictures.result().bitmap;
    std::array<std::vector<std::uint8_t>, 4> values;
    for (auto& channel : values) channel.resize(static_cast<std::size_t>(count));
    const auto middle = static_cast<std::ptrdiff_t>((count - 1) / 2);
    for (auto _ : state)
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                for (int k = 1; k <= count; ++k) {
                    const PicturePixel& p = GetShiftedPixel(pictures.at(k), x, y);
                    const auto i = static_cast<std::size_t>(k - 1);
                    values[0][i] = p.chromaBlue;
                    values[1][i] = p.chromaGreen;
                    values[2][i] = p.chromaRed;
                    values[3][i] = p.luminance;
                }
                std::array<std::uint8_t, 4> median{};
                for (std::size_t c = 0; c < 4; ++c) {
                    std::nth_element(values[c].begin(), values[c].begin() + middle, values[c].end());
                    median[c] = values[c][static_cast<std::size_t>(middle)];
                }
                result.at(x, y) = PicturePixel{median[0], median[1], median[2], median[3]};
            }
}

BENCHMARK(Mean)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Median)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MeanUnsharpLR16Convolve)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineMean)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineMeanRecorded)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineMedian)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineMedianRecorded)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineMeanUnsharpLR16Convolve)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineMeanUnsharpLR16ConvolveRecorded)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DeepLevelsAfterUnsharpLR16Convolve)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ClaheAtFullSize)->Unit(benchmark::kMillisecond);
BENCHMARK(ClaheThroughPlanesAtFullSize)->Unit(benchmark::kMillisecond);
void CombinationSizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"pictures", "size", "threads"})
        ->Args({455, 192, 1})
        ->Args({455, 192, 0})
        ->Args({28, 768, 1})
        ->Args({28, 768, 0})
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
}
BENCHMARK(MedianCombination)->Apply(CombinationSizes);
BENCHMARK(MeanCombination)->Apply(CombinationSizes);
BENCHMARK(MedianSortingEachPixel)->ArgNames({"pictures", "size"})->Args({455, 192})->Args({28, 768})->Unit(benchmark::kMillisecond);
BENCHMARK(MedianNthElementEachPixel)->ArgNames({"pictures", "size"})->Args({455, 192})->Args({28, 768})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
