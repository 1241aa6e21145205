// The convolution at 768 x 576 with a 15 x 15 kernel (the built-in one,
// plain weights, as the unsharp mask and the deconvolution use it) and a
// dense 31 x 31 one: as the program runs it, on one thread, with the
// portable loop and with the checked loop; and, in the same run, OpenCV's
// filter2D on the same 16-bit plane when OpenCV was found at configure
// time. Then one Richardson-Lucy and one Van Cittert iteration with the
// 15 x 15 kernel, on planes kept across iterations as the calculation run
// keeps them. Each run is set beside filter2D at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "PeerRatio.h"
#include "cpu/SimdLevel.h"
#include "enhance/Convolution.h"
#include "enhance/Deconvolution.h"
#include "image/Bitmap.h"

#ifdef QUIVANE_OPENCV_PEER
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace quivane;

// A picture's luminance: 0..255 with some structure, the same every run.
void FillPicture(Plane& plane)
{
    std::mt19937 random(768);
    plane.width = ScratchColumns;
    plane.height = ScratchRows;
    for (int y = 0; y < ScratchRows; ++y)
        for (int x = 0; x < ScratchColumns; ++x) {
            const double disc = std::hypot(x - 384.0, y - 288.0) < 250.0 ? 160.0 : 20.0;
            plane.set(x, y,
                      static_cast<int>(disc + 60.0 * std::sin(x * 0.05) * std::cos(y * 0.07)) +
                          static_cast<int>(random() % 16));
        }
}

// 15: the built-in kernel; 31: a broad blob with no zero weight.
Kernel KernelOfSize(int size)
{
    if (size == 15) return DefaultKernelSlots().deconvolution();
    Kernel kernel(size, size);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) {
            const double d2 = (r - 15.0) * (r - 15.0) + (c - 15.0) * (c - 15.0);
            kernel.set(r, c, static_cast<std::uint8_t>(1.0 + 254.0 * std::exp(-d2 / 120.0)));
        }
    return kernel;
}

// Milliseconds of real time, and the processor time of all threads.
void BothSizes(benchmark::internal::Benchmark* b)
{
    b->ArgName("size")->Arg(15)->Arg(31)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}
void SmallerSize(benchmark::internal::Benchmark* b)
{
    b->ArgName("size")->Arg(15)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

void Convolve(benchmark::State& state, const ConvolutionChoices& choices)
{
    Plane source, destination;
    FillPicture(source);
    const Kernel kernel = KernelOfSize(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ConvolveScratch(source, destination, kernel, true, choices);
        benchmark::DoNotOptimize(destination.row(300));
    }
}

void Convolution(benchmark::State& state) { Convolve(state, {}); }
void ConvolutionOneThread(benchmark::State& state) { Convolve(state, {SumLoop::Automatic, 1}); }
void ConvolutionPortable(benchmark::State& state)
{
    const ScopedSimdLevel plain(SimdLevel::Plain);
    Convolve(state, {SumLoop::Automatic, 1});
}
void ConvolutionChecked(benchmark::State& state) { Convolve(state, {SumLoop::Checked, 1}); }

#ifdef QUIVANE_OPENCV_PEER
// The same weights, normalised, on the same 16-bit samples, with OpenCV's
// own choice of method and threads; it also fills the border.
void Filter2D(benchmark::State& state)
{
    Plane plane;
    FillPicture(plane);
    cv::Mat source(ScratchRows, ScratchColumns, CV_16S);
    for (int y = 0; y < ScratchRows; ++y)
        for (int x = 0; x < ScratchColumns; ++x) source.at<std::int16_t>(y, x) = plane.row(y)[x];
    const int size = static_cast<int>(state.range(0));
    const Kernel kernel = KernelOfSize(size);
    const double sum = KernelSum(kernel, true);
    cv::Mat weights(size, size, CV_32F);
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) weights.at<float>(r, c) = static_cast<float>(kernel.at(r, c) / sum);
    cv::Mat destination;
    for (auto _ : state) {
        cv::filter2D(source, destination, CV_16S, weights);
        benchmark::DoNotOptimize(destination.data);
    }
}
BENCHMARK(Filter2D)->Apply(BothSizes);
#endif

template <typename Iteration>
void Deconvolve(benchmark::State& state, Iteration iteration)
{
    Plane observed, estimate;
    FillPicture(observed);
    const Kernel kernel = KernelOfSize(static_cast<int>(state.range(0)));
    DeconvolutionPlanes planes;
    for (auto _ : state) {
        state.PauseTiming();
        CopyScratch(observed, estimate);
        state.ResumeTiming();
        iteration(observed, estimate, kernel, planes);
        benchmark::DoNotOptimize(estimate.row(300));
    }
}

void RichardsonLucy(benchmark::State& state)
{
    Deconvolve(state,
               [](const Plane& o, Plane& e, const Kernel& k, DeconvolutionPlanes& p) { DeconvolveLR(o, e, k, p); });
}
void VanCittert(benchmark::State& state)
{
    Deconvolve(state,
               [](const Plane& o, Plane& e, const Kernel& k, DeconvolutionPlanes& p) { DeconvolveCit(o, e, k, p); });
}

BENCHMARK(Convolution)->Apply(BothSizes);
BENCHMARK(ConvolutionOneThread)->Apply(BothSizes);
BENCHMARK(ConvolutionPortable)->Apply(BothSizes);
BENCHMARK(ConvolutionChecked)->Apply(BothSizes);
BENCHMARK(RichardsonLucy)->Apply(SmallerSize);
BENCHMARK(VanCittert)->Apply(SmallerSize);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    quivane::bench::PeerRatioReporter reporter("Filter2D");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
