// One calculation run at 768 x 576 over 28 pictures: the mean, the median,
// and the mean followed by unsharp masking, 16 "LR" iterations and
// convolution with the built-in 15 x 15 kernel; and CLAHE at that size.
// The window's run keeps a record for deep saves; the same runs without it
// (the engine's Calculate, as the batch runs for a bitmap) show what the
// record costs. Last, what a 16-bit save adds after the enhanced run: the
// recorded stages redone exactly, twice, and rendered.
#include <benchmark/benchmark.h>

#include "SampleMaterial.h"
#include "actions/CalculationRun.h"
#include "actions/ResultViewActions.h"
#include "combine/CalculationRecord.h"
#include "combine/FineCalculation.h"
#include "tone/FineRender.h"
#include "prepare/FramePreparation.h"
#include "tone/Clahe.h"
#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"

namespace {

using namespace quivane;

constexpr int PictureCount = 28;

struct Loaded {
    Workspace ws{"/tmp"};
    testing::FakeUi ui;

    Loaded()
    {
        FormCreate(ws, ui);
        ws.resultSize = 768;
        ResetWorkspaceSize(ws, ui);
        const std::vector<Bitmap24> frames = samples::MakeFrames();
        AddPicture(ws.pictures, frames[0], 2, false, ws.resultWidth, ws.resultHeight);
        for (int n = 1; n <= PictureCount; ++n)
            AddPicture(ws.pictures, frames[static_cast<std::size_t>(n - 1)], 2, false, ws.resultWidth,
                       ws.resultHeight);
        ws.pictureCount = PictureCount;
        ws.picturesLoaded = true;
    }
};

// The combine method, and every enhancement stage on (16 LR iterations) or off.
void Choose(Loaded& loaded, int method, bool enhance)
{
    Workspace& ws = loaded.ws;
    ControlChanged(ws, loaded.ui, ControlId::CombineRadioGroup, method);
    ws.unsharpOn = ws.deconvolutionOn = ws.convolutionOn = enhance;
    ws.deconvolutionMethod = 1;
    ws.deconvolutionIterations = 16;
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
            CalculateAndRecord(ws.pictures, PictureCount, CurrentCalculationSettings(ws), ws.kernels, quiet, kept);
        } else {
            Calculate(ws.pictures, PictureCount, CurrentCalculationSettings(ws), ws.kernels, quiet);
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
    ws.unsharpOn = ws.deconvolutionOn = ws.convolutionOn = true;
    ws.deconvolutionMethod = 1;
    ws.deconvolutionIterations = 16;
    CalculationRun(ws, loaded.ui);
    RenderResult(ws);
    for (auto _ : state) {
        const FineRuns runs = EnhanceBoth(ws.lastRun);
        auto levels = RenderGained(ws.resultView, runs.fromFractions, runs.fromBytes, ws.lastRun.result,
                                   ws.equalisedSinceRun, ws.pictures.front(), CurrentRenderFlags(ws), ws.tone);
        benchmark::DoNotOptimize(levels);
    }
}

void ClaheAtFullSize(benchmark::State& state)
{
    Loaded loaded;
    for (auto _ : state) {
        state.PauseTiming();
        Picture picture = loaded.ws.pictures[1];
        state.ResumeTiming();
        ApplyClahe(picture, 2.0);
        benchmark::DoNotOptimize(picture.bitmap.row(0));
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
BENCHMARK(ClaheAtFullSize)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
