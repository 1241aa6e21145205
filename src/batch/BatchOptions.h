#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "combine/CombineMethodList.h"
#include "enhance/EnhancementStages.h"
#include "enhance/Kernel.h"
#include "image/PictureMemory.h"
#include "output/SaveFormat.h"
#include "pipeline/SettingRanges.h"
#include "prepare/Debayer.h"
#include "select/KeepBest.h"

namespace quivane {

struct QualityOption {
    int picture;
    int quality;
};

struct OffsetOption {
    int picture;
    int dx;
    int dy;
};

// Everything the command line asks for. Absent options keep the window's
// start values, except the display mode, which defaults to full colour.
struct BatchOptions {
    std::string first, last;  // --bmp or --series
    std::string avi;          // --avi
    int width = WorkingWidthRange.start;
    int resample = EnlargementRange.start;
    bool fullPicture = false;
    std::string flat, dark;
    bool shiftFix = false;
    std::vector<QualityOption> qualities;
    std::vector<OffsetOption> offsets;
    std::optional<KeepRule> keep;  // --keep N% or --keep N
    bool printQuality = false;
    bool alignAuto = false;
    bool alignLocal = false;          // --align local: the automatic search, then alignment points
    std::optional<int> pointSize;     // --points SIZE: the points' box size
    std::optional<KeepRule> localKeep;  // --local-keep N%|N: what each point keeps
    std::optional<int> reference;
    std::optional<int> viewOriginX, viewOriginY;
    CombineMethod combine = CombineMethod::Mean;
    std::optional<int> param;
    EnhancementSettings enhancement;  // each stage's options, as the stage list declares them
    std::array<std::string, 4> kernelFiles;  // by KernelKind; empty: the built-in kernel
    int mode = 2;
    int saturation = SaturationRange.start;
    std::optional<int> clahe;
    std::optional<int> bias, gain;
    std::string lut;
    bool lutNegative = false;
    bool map0255 = false;
    std::string output;  // its extension decides the format
    SampleDepth depth = SampleDepth::Eight;
    bool printOffsets = false;
    BayerChoice bayer = BayerChoice::Auto;
    int memoryMiB = DefaultPictureMemoryMiB;
};

struct UsageError {
    std::string message;
};

// Parses the arguments after the program name; a bad argument gives a
// message that names it.
std::variant<BatchOptions, UsageError> ParseBatchOptions(const std::vector<std::string>& arguments);

// The command line's own help text.
std::string BatchUsage();

// The enhancement stages in the run's order, each option with its values
// and what it does; shown for --stages.
std::string StageListing();
bool AsksForStageListing(const std::vector<std::string>& arguments);

// True when --help or -h stands anywhere among the arguments.
bool AsksForHelp(const std::vector<std::string>& arguments);

}  // namespace quivane
