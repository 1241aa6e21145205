// One calculation run at 768 x 576 over 28 pictures: the mean, the median,
// and the mean followed by unsharp masking, 16 "LR" iterations and
// convolution with the built-in 15 x 15 kernel; and CLAHE at that size.
#include <benchmark/benchmark.h>

#include "SampleMaterial.h"
#include "actions/CalculationRun.h"
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

void Run(benchmark::State& state, int method, bool enhance)
{
    Loaded loaded;
    Workspace& ws = loaded.ws;
    ControlChanged(ws, loaded.ui, ControlId::CombineRadioGroup, method);
    ws.unsharpOn = ws.deconvolutionOn = ws.convolutionOn = enhance;
    ws.deconvolutionMethod = 1;
    ws.deconvolutionIterations = 16;
    for (auto _ : state) CalculationRun(ws, loaded.ui);
}

void Mean(benchmark::State& state) { Run(state, 0, false); }
void Median(benchmark::State& state) { Run(state, 1, false); }
void MeanUnsharpLR16Convolve(benchmark::State& state) { Run(state, 0, true); }

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
BENCHMARK(ClaheAtFullSize)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
