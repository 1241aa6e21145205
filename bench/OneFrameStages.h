#pragma once

// The parts of one frame's load on one thread, for a capture file: reading
// its frames one after another, and surveying and preparing its first frame
// (`Frame`: the kind it reads as) at the default settings.
#include <benchmark/benchmark.h>

#include <string>
#include <variant>

#include "acquire/CaptureFile.h"
#include "pipeline/SeriesLoading.h"
#include "prepare/FramePreparation.h"

namespace quivane::bench {

// Frames 0 .. count - 1 in turn, one a benchmark iteration.
inline void ReadFramesInTurn(benchmark::State& state, const std::string& file, int count)
{
    auto opened = CaptureFile::Open(file);
    auto& capture = std::get<CaptureFile>(opened);
    CaptureFrame frame;
    int k = 0;
    for (auto _ : state) {
        capture.ReadFrame(k, frame);
        k = (k + 1) % count;
    }
}

template <class Frame>
Frame FirstFrame(const std::string& file)
{
    auto opened = CaptureFile::Open(file);
    CaptureFrame frame;
    std::get<CaptureFile>(opened).ReadFrame(0, frame);
    return std::get<Frame>(std::move(frame));
}

template <class Frame>
void SurveyFirstFrame(benchmark::State& state, const std::string& file)
{
    const Frame frame = FirstFrame<Frame>(file);
    for (auto _ : state) benchmark::DoNotOptimize(SurveyObject(frame));
}

template <class Frame>
void PrepareFirstFrame(benchmark::State& state, const std::string& file)
{
    const Frame frame = FirstFrame<Frame>(file);
    const SeriesSettings settings;
    for (auto _ : state) {
        Picture picture;
        picture.enlargement = settings.enlargement;
        BuildPicture(picture, frame, settings.width, settings.height);
        benchmark::DoNotOptimize(picture.bitmap.row(0));
    }
}

}  // namespace quivane::bench
