// Milliseconds per picture of an automatic alignment run over 455 pictures
// at 192 x 144 with enlargement 2: the engine alone, and driving the real
// window (offscreen), which repaints the input box after every picture.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "SampleMaterial.h"
#include "actions/AlignmentRun.h"
#include "actions/AutoAlign.h"
#include "align/OffsetSearch.h"
#include "prepare/FramePreparation.h"
#include "actions/ControlHandlers.h"
#include "support/FakeUi.h"
#include "window/MainForm.h"
#include "actions/WorkspaceActions.h"
#include "support/Pictures.h"

namespace {

using namespace quivane;

constexpr int PictureCount = 455;

// The demo series, repeated to 455 pictures, as a load leaves them.
void LoadPictures(Workspace& ws, Ui& ui)
{
    static const std::vector<Bitmap24> frames = samples::MakeFrames();
    ws.pictures.clear();
    ws.pictures.setResult(PictureOf(frames[0], 2, false, ws.resultWidth, ws.resultHeight));
    for (int n = 1; n <= PictureCount; ++n) {
        ws.pictures.addInput(PictureOf(frames[static_cast<std::size_t>(n - 1) % frames.size()], 2, false,
                                       ws.resultWidth, ws.resultHeight));
    }
    ws.pictureCount = PictureCount;
    ws.picturesLoaded = true;
    SetControlRange(ws, ui, ControlId::RegisterSpinEdit, 0, PictureCount);
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, PictureCount);
    SetAndApplyControl(ws, ui, ControlId::RegisterSpinEdit, 1);
    SetAndApplyControl(ws, ui, ControlId::DataPicNrSpinEdit, 1);
}

void RunAutomatic(benchmark::State& state, Workspace& ws, Ui& ui)
{
    for (auto _ : state) {
        state.PauseTiming();
        testing::ForEachPicture(ws.pictures, [&](Picture& p) { p.dx = p.dy = 0; });
        ControlChanged(ws, ui, ControlId::RegisterRadioGroup, 1);
        state.ResumeTiming();
        GoButtonClick(ws, ui);
    }
    // Seconds per picture, printed with an SI prefix (m = milliseconds).
    state.counters["s_per_picture"] = benchmark::Counter(
        static_cast<double>(PictureCount) * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The search alone, as the batch runs it: no drawing, no status line.
void SearchOnly(benchmark::State& state)
{
    Workspace ws("/tmp");
    testing::FakeUi ui;
    FormCreate(ws, ui);
    LoadPictures(ws, ui);
    const AlignmentSettings settings = CurrentAlignmentSettings(ws);
    for (auto _ : state) {
        testing::ForEachPicture(ws.pictures, [&](Picture& p) { p.dx = p.dy = 0; });
        AlignSeries(ws.pictures, PictureCount, settings, nullptr);
    }
    state.counters["s_per_picture"] = benchmark::Counter(
        static_cast<double>(PictureCount) * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void EngineOnly(benchmark::State& state)
{
    Workspace ws("/tmp");
    testing::FakeUi ui;
    FormCreate(ws, ui);
    LoadPictures(ws, ui);
    RunAutomatic(state, ws, ui);
}

void WithWindow(benchmark::State& state)
{
    MainForm form("/tmp");
    form.show();
    LoadPictures(form.workspace(), form);
    RunAutomatic(state, form.workspace(), form);
}

BENCHMARK(SearchOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(WithWindow)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
