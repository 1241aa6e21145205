#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

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
    std::string first, last;  // --bmp
    std::string avi;          // --avi
    int width = 192;
    int resample = 2;
    bool fullPicture = false;
    std::string flat, dark;
    bool shiftFix = false;
    std::vector<QualityOption> qualities;
    std::vector<OffsetOption> offsets;
    bool alignAuto = false;
    std::optional<int> reference;
    std::optional<int> viewOriginX, viewOriginY;
    int combine = 0;
    std::optional<int> param;
    std::optional<int> unsharp;
    std::optional<int> deconvolve;  // 0 "Cit", 1 "LR"
    int iterations = 1;
    bool convolve = false;
    std::string umaPsf, decPsf, filter;
    int mode = 2;
    int saturation = 100;
    std::optional<int> clahe;
    std::optional<int> bias, gain;
    std::string lut;
    bool lutNegative = false;
    bool map0255 = false;
    std::string output;
    bool printOffsets = false;
};

struct UsageError {
    std::string message;
};

// Parses the arguments after the program name; a bad argument gives a
// message that names it.
std::variant<BatchOptions, UsageError> ParseBatchOptions(const std::vector<std::string>& arguments);

// The command line's own help text.
extern const char* const BatchUsage;

}  // namespace quivane
