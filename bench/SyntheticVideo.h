#pragma once

// An uncompressed 640 x 480 AVI of a bright disc wandering over a faintly
// textured sky, written to the temporary folder for the load benchmarks and
// removed by whoever made it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "AviWriter.h"
#include "image/PictureMemory.h"

namespace quivane::bench {

inline std::filesystem::path WriteSyntheticVideo(int frameCount)
{
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
        ("quivane_bench_" + std::to_string(::getpid()) + "_" + std::to_string(frameCount) + ".avi");
    std::vector<Bitmap24> frames;
    frames.reserve(static_cast<std::size_t>(frameCount));
    for (int n = 0; n < frameCount; ++n) {
        Bitmap24 frame(640, 480);
        const double cx = 320 + 40 * std::sin(n * 0.05), cy = 240 + 30 * std::cos(n * 0.07);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const auto v = static_cast<std::uint8_t>(std::hypot(x - cx, y - cy) < 70 ? 200 : 12 + (x ^ y) % 5);
                frame.at(x, y) = ColourPixel{static_cast<std::uint8_t>(v * 3 / 4), v, v};
            }
        frames.push_back(std::move(frame));
    }
    if (samples::WriteUncompressedAvi(file.string(), frames, 25)) std::abort();
    return file;
}

// A benchmark program's main: runs the benchmarks asked for, then removes
// the video `video` made for them.
inline int RunThenRemoveVideo(int argc, char** argv, const std::filesystem::path& (*video)())
{
    KeepFreedFrameMemory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(video());
    return 0;
}

}  // namespace quivane::bench
