// Frames per second of loading a 1000-frame 640 x 480 uncompressed AVI at
// 192 x 144 (455 pictures read), against the ffmpeg command line decoding
// the whole file to nowhere, in one run. The file is made on first use.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "actions/VideoLoad.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"

#include "FfmpegToNull.h"
#include "OneFrameStages.h"
#include "SyntheticVideo.h"

namespace {

namespace fs = std::filesystem;
using namespace quivane;

constexpr int FrameCount = 1000;
constexpr int PicturesRead = 455;

const fs::path& VideoFile()
{
    static const fs::path file = bench::WriteSyntheticVideo(FrameCount);
    return file;
}

void LoadVideo(benchmark::State& state)
{
    const std::string file = VideoFile().string();  // made before the clock runs
    for (auto _ : state) {
        Workspace ws("/tmp");
        testing::FakeUi ui;
        FormCreate(ws, ui);
        ui.dialogAnswers = {file};
        LoadAVIButtonClick(ws, ui);
        if (ws.pictureCount != PicturesRead) state.SkipWithError("the load did not read 455 pictures");
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(PicturesRead) * state.iterations(), benchmark::Counter::kIsRate);
}

void FfmpegDecodeToNull(benchmark::State& state) { bench::FfmpegDecodeToNull(state, VideoFile().string(), FrameCount); }

// The two halves of a load, a frame at a time: reading (demuxing and
// converting to a bitmap) and preparing the picture from it.
void ReadVideoFrame(benchmark::State& state) { bench::ReadFramesInTurn(state, VideoFile().string(), PicturesRead); }
void PrepareVideoFrame(benchmark::State& state) { bench::PrepareFirstFrame<Bitmap24>(state, VideoFile().string()); }
void SurveyVideoFrame(benchmark::State& state) { bench::SurveyFirstFrame<Bitmap24>(state, VideoFile().string()); }

BENCHMARK(LoadVideo)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(FfmpegDecodeToNull)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(ReadVideoFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(PrepareVideoFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(SurveyVideoFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return quivane::bench::RunThenRemoveVideo(argc, argv, VideoFile); }
