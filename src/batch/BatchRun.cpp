#include "batch/BatchRun.h"

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "actions/BitmapSequenceLoad.h"
#include "actions/CorrectionButton.h"
#include "prepare/FrameCorrection.h"
#include "actions/VideoLoad.h"
#include "actions/AlignmentRun.h"
#include "batch/HeadlessUi.h"
#include "actions/CalculationRun.h"
#include "actions/KernelButtons.h"
#include "actions/SaveActions.h"
#include "actions/ResultViewActions.h"
#include "actions/ControlHandlers.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
namespace {

// Input the user should fix: the command line ends with exit status 2.
struct Refusal {
    std::string message;
};

void Change(Workspace& ws, Ui& ui, ControlId id, int value) { ControlChanged(ws, ui, id, value); }

void RequireReadable(const std::string& path, const std::string& what)
{
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return;
    }
    throw Refusal{"Cannot read the " + what + " \"" + path + "\""};
}

// What the user sets in the window before loading.
void Prepare(Workspace& ws, HeadlessUi& ui, const BatchOptions& o, std::ostream& errors)
{
    using enum ControlId;
    Change(ws, ui, ResultSizeSpinEdit, o.width);
    Change(ws, ui, ResampleSpinEdit, o.resample);
    if (o.fullPicture) Change(ws, ui, WholeAreaCheckBox, 1);

    const std::pair<const std::string*, int> kernels[] = {
        {&o.umaPsf, UnsharpMaskKernel}, {&o.decPsf, DeconvolutionKernel}, {&o.filter, ConvolutionKernel}};
    for (const auto& [path, kind] : kernels) {
        if (path->empty()) continue;
        RequireReadable(*path, "kernel bitmap");
        ui.dialogAnswers = {*path};
        (void)AskPSFBitmap(ws, ui, kind);
        if (!ui.errors.empty()) throw Refusal{ui.errors.front()};
        errors << ui.status << '\n';  // the size report, or why the kernel was kept
    }

    Change(ws, ui, CombineRadioGroup, o.combine);
    if (o.param) Change(ws, ui, CombineSpinEdit, *o.param);
    if (o.unsharp) {
        Change(ws, ui, UmaCheckBox, 1);
        Change(ws, ui, UmaStrengthSpinEdit, *o.unsharp);
    }
    if (o.deconvolve) {
        Change(ws, ui, DecCheckBox, 1);
        Change(ws, ui, DecRadioGroup, *o.deconvolve);
    }
    Change(ws, ui, DecIterationsSpinEdit, o.iterations);
    if (o.convolve) Change(ws, ui, ConCheckBox, 1);
}

// The "Co&rrect" button with its three dialogs answered.
void Correct(Workspace& ws, HeadlessUi& ui, const BatchOptions& o)
{
    if (o.flat.empty() && o.dark.empty() && !o.shiftFix) return;
    if (!o.flat.empty()) RequireReadable(o.flat, "flat field");
    if (!o.dark.empty()) RequireReadable(o.dark, "dark frame");
    auto answer = [](const std::string& path) { return path.empty() ? std::nullopt : std::optional(path); };
    ui.dialogAnswers = {answer(o.flat), answer(o.dark), std::nullopt};
    LoadCorrectionBMPbuttonClick(ws, ui);
    if (!ui.errors.empty()) throw Refusal{ui.errors.front()};
    // The third dialog only has to be answered with some file.
    if (o.shiftFix) ws.correction.flags |= ShiftFixChosen;
}

void Load(Workspace& ws, HeadlessUi& ui, const BatchOptions& o, std::ostream& errors)
{
    if (!o.avi.empty()) {
        RequireReadable(o.avi, "video");
        ui.dialogAnswers = {o.avi};
        LoadAVIButtonClick(ws, ui);
    } else {
        for (const std::string* path : {&o.first, &o.last}) RequireReadable(*path, "bitmap");
        ui.dialogAnswers = {o.first, o.last};
        LoadBMPButtonClick(ws, ui);
    }
    if (!ws.picturesLoaded || ws.pictureCount == 0) {
        std::string message = !o.avi.empty() && !ui.status.empty() ? ui.status : "The load yielded no picture";
        for (const std::string& e : ui.errors) message = e;
        throw Refusal{message};
    }
    // A file that could not be read ended the load; what was read is used.
    for (const std::string& e : ui.errors) errors << e << '\n';
    ui.errors.clear();
}

Picture& InputPicture(Workspace& ws, int n, const char* option)
{
    if (n < 1 || n > ws.pictureCount)
        throw Refusal{std::string(option) + ": there is no picture " + std::to_string(n) + " (1.." +
                      std::to_string(ws.pictureCount) + ")"};
    return ws.pictures[static_cast<std::size_t>(n)];
}

void MarkAndAlign(Workspace& ws, HeadlessUi& ui, const BatchOptions& o, std::ostream& out)
{
    for (const QualityOption& q : o.qualities) InputPicture(ws, q.picture, "--quality").quality = q.quality;
    for (const OffsetOption& off : o.offsets) {
        Picture& picture = InputPicture(ws, off.picture, "--offset");
        picture.dx = off.dx;
        picture.dy = off.dy;
    }
    if (o.reference) Change(ws, ui, ControlId::RegisterSpinEdit, std::min(*o.reference, ws.pictureCount));
    if (o.viewOriginX) ws.viewOrigin = Point{std::max(-1, *o.viewOriginX), std::max(-1, *o.viewOriginY)};
    if (o.alignAuto) {
        Change(ws, ui, ControlId::RegisterRadioGroup, 1);
        GoButtonClick(ws, ui);
    }
    if (o.printOffsets) {
        for (int n = 1; n <= ws.pictureCount; ++n) {
            const Picture& p = ws.pictures[static_cast<std::size_t>(n)];
            out << n << ' ' << p.dx << ' ' << p.dy << ' ' << p.quality << '\n';
        }
    }
}

// Display and tone act on the final render only.
void SetDisplay(Workspace& ws, HeadlessUi& ui, const BatchOptions& o)
{
    using enum ControlId;
    if (o.clahe) {
        Change(ws, ui, CLAHESpinEdit, *o.clahe);
        Change(ws, ui, CLAHECheckBox, 1);
    }
    Change(ws, ui, ShowResultRadioGroup, o.mode);
    Change(ws, ui, SaturationTrackBar, o.saturation);
    if (o.bias || o.gain) {
        Change(ws, ui, BiasGainCheckBox, 1);
        Change(ws, ui, BIASSpinEdit, o.bias.value_or(128));
        Change(ws, ui, GAINSpinEdit, o.gain.value_or(128));
    }
    if (!o.lut.empty()) {
        RequireReadable(o.lut, "lookup table");
        ui.dialogAnswers = {o.lut};
        LUTButtonClick(ws, ui);
        if (!ui.errors.empty()) throw std::runtime_error(ui.errors.front());
    }
    if (!o.lut.empty() || o.lutNegative) Change(ws, ui, TableMappingCheckBox, 1);
    if (o.map0255) Change(ws, ui, Map0255CheckBox, 1);
}

void Write(Workspace& ws, HeadlessUi& ui, const BatchOptions& o)
{
    const std::string path = std::filesystem::absolute(o.output).string();
    ui.dialogAnswers = {path};
    SaveAsButtonClick(ws, ui);
    if (!ui.errors.empty()) throw std::runtime_error(ui.errors.front());
}

}  // namespace

BatchExit RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& errors, std::ostream* progress)
{
    Workspace ws(std::filesystem::current_path().string());
    HeadlessUi ui(progress);
    try {
        FormCreate(ws, ui);
        Prepare(ws, ui, options, errors);
        Correct(ws, ui, options);
        Load(ws, ui, options, errors);
        MarkAndAlign(ws, ui, options, out);
        CalculationRun(ws, ui);
        SetDisplay(ws, ui, options);
        Write(ws, ui, options);
        return BatchWritten;
    } catch (const Refusal& refusal) {
        errors << refusal.message << '\n';
        return BatchRefused;
    } catch (const std::exception& error) {
        errors << error.what() << '\n';
        return BatchProcessingError;
    }
}

}  // namespace quivane
