// The global run (automatic search and mean stack) against the local run
// (the same, then the alignment points measured and stacked), on the bent
// Saturn series of the shared test material loaded at the window's start
// settings. The local run should cost at most three global runs. The local
// run's argument is the number of threads it measures and reads pictures
// on; the processor time column counts every thread.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "combine/LocalStack.h"
#include "support/BentSeries.h"

namespace {

using namespace quivane;

const PictureSeries& Loaded()
{
    static const PictureSeries pictures = [] {
        PictureSeries p = testing::LoadBentSeries("bent");
        if (p.inputCount() != 40) {
            std::fprintf(stderr, "test material missing or unreadable: %s\n", testing::BentArchive().c_str());
            std::exit(1);
        }
        return p;
    }();
    return pictures;
}

void GlobalRun(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        PictureSeries pictures = Loaded();
        state.ResumeTiming();
        testing::AlignGlobally(pictures);
        CalculationObserver quiet;
        Calculate(pictures, 40, CalculationSettings{}, DefaultKernelSlots(), quiet);
        benchmark::DoNotOptimize(pictures.result().bitmap.row(0));
    }
}

void LocalRun(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        PictureSeries pictures = Loaded();
        state.ResumeTiming();
        testing::AlignGlobally(pictures);
        LocalSettings settings;
        settings.threads = static_cast<int>(state.range(0));
        const LocalPlan plan = PlanLocalAlignment(pictures, 40, settings, nullptr);
        CalculationObserver quiet;
        LocalStacking local{plan, KeepRule::Percent(100)};
        local.threads = settings.threads;
        Calculate(pictures, 40, CalculationSettings{}, DefaultKernelSlots(), quiet, local);
        benchmark::DoNotOptimize(pictures.result().bitmap.row(0));
    }
}

BENCHMARK(GlobalRun)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(LocalRun)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Arg(1)->Arg(2);

}  // namespace

BENCHMARK_MAIN();
