#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "enhance/Kernel.h"
#include "image/FinePicture.h"
#include "image/FinePlane.h"
#include "image/Picture.h"
#include "image/Plane.h"
#include "image/SettingRange.h"

namespace quivane {

// The enhancement stages a calculation run can apply to the combined result.
// The order they run in is the list's (EnhancementStages), not this one's.
enum class EnhancementStageId { UnsharpMask, Deconvolution, Convolution };
constexpr int EnhancementStageCount = 3;

// One whole-number setting of a stage, declared once: the window's control,
// the command line, the saved notes and the tests all take it from here.
struct StageParameter {
    std::string_view name;         // what it is, in a few words
    SettingRange range;            // its start is the window's start value and the batch's default
    std::string_view option;       // the command line's option, e.g. "--iterations"
    std::string_view valueName;    // the value's name in the usage text, e.g. "N"
    std::string_view description;  // one line, for whoever lists the stages
    // A closed choice: the command line's name of each value 0, 1, ...;
    // empty for a number.
    std::span<const std::string_view> choices = {};
    // Giving the option switches the stage on (a strength, a method), where
    // a count of iterations only sets the value.
    bool switchesOn = false;
};

constexpr int MaxStageParameters = 2;

// A stage's switch and its parameters' values, in its declaration's order.
struct StageSettings {
    bool on = false;
    std::array<int, MaxStageParameters> values{};

    friend bool operator==(const StageSettings&, const StageSettings&) = default;
};

// The 8-bit pass's working state: the result picture and the run's two
// planes. The planes carry over from stage to stage, since a stage writes
// only a plane's interior and the band outside keeps what the stage before
// left there.
struct StagePlanes {
    Picture& result;
    Plane& a;
    Plane& b;
    const KernelSlots& kernels;
    std::function<void(int)> progressed;
    // After each write-back into the result: a stage, or one iteration.
    std::function<void()> wroteBack;

    void load(Plane& plane) const { PictureToScratch(result, plane); }
    void store(Plane& plane) const
    {
        ScratchToPicture(result, plane, 1);
        wroteBack();
    }
};

// The exact pass's working state: the fine result read through the recorded
// offsets, the same reuse of two planes, and the write-backs the recorded
// run completed, which the replay does not go beyond.
struct FineStagePlanes {
    FinePicture& picture;
    int dx = 0;
    int dy = 0;
    FinePlane& a;
    FinePlane& b;
    const KernelSlots& kernels;
    int writeBacksLeft = 0;

    bool more() const { return writeBacksLeft > 0; }
    void load(FinePlane& plane) const { FineToScratch(picture, dx, dy, plane); }
    void store(FinePlane& plane)
    {
        FineScratchToPicture(picture, dx, dy, plane);
        --writeBacksLeft;
    }
};

// Everything about one enhancement stage: its parameters, how it is named
// where users see it, its 8-bit pass (integer arithmetic, the planes'
// ranges checked) and its exact pass (doubles, for deep saves).
struct EnhancementStage {
    EnhancementStageId id;
    std::string_view title;         // the saved notes' label
    std::string_view noteKey;       // the saved notes' key (FITS keyword)
    std::string_view progressText;  // the status line while it runs
    // A command-line flag that switches the stage on, where no parameter's
    // option does; empty otherwise.
    std::string_view switchOption;
    std::string_view switchDescription;
    KernelKind kernel;
    std::string_view kernelOption;  // the command line's option naming its kernel bitmap
    std::span<const StageParameter> parameters;
    // The progress bar's range while it runs, and the write-backs it makes.
    int (*progressSteps)(const StageSettings&);
    int (*writeBacks)(const StageSettings&);
    // The saved notes' text for the stage when it ran.
    std::string (*describe)(const StageSettings&, const Kernel&);
    void (*runBytes)(const StageSettings&, StagePlanes&);
    void (*runFine)(const StageSettings&, FineStagePlanes&);
};

// For the stages that write back once.
inline int OneWriteBack(const StageSettings&) { return 1; }
inline int HundredSteps(const StageSettings&) { return 100; }

}  // namespace quivane
