#include "batch/BatchRun.h"

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <variant>

#include "acquire/BmpReader.h"
#include "acquire/SequenceNames.h"
#include "pipeline/SeriesLoading.h"
#include "acquire/CaptureFile.h"
#include "acquire/PictureFile.h"
#include "align/OffsetSearch.h"
#include "pipeline/Calculation.h"
#include "pipeline/CalculationRecord.h"
#include "pipeline/FineCalculation.h"
#include "combine/LocalStack.h"
#include "pipeline/RunNotes.h"
#include "enhance/Kernel.h"
#include "files/FileBytes.h"
#include "files/FileNames.h"
#include "image/PictureMemory.h"
#include "image/PixelHelpers.h"
#include "image/LevelPicture.h"
#include "output/BmpWriter.h"
#include "output/PictureWriter.h"
#include "select/BadFrames.h"
#include "select/KeepBest.h"
#include "tone/Clahe.h"
#include "tone/DisplayNotes.h"
#include "tone/FineRender.h"
#include "tone/LookupTableFile.h"
#include "tone/RenderPicture.h"

namespace quivane {
namespace {

// Input the user should fix: the command line ends with exit status 2.
struct Refusal {
    std::string message;
};

// The window's default choices that the command line does not offer.
constexpr int ViewWidth = 192;
constexpr int ViewHeight = 144;
constexpr int DefaultReference = 1;

void RequireReadable(const std::string& path, const std::string& what)
{
    const auto checked = CheckReadableFile(path);
    if (const auto* problem = std::get_if<FileProblem>(&checked))
        throw Refusal{"Cannot read the " + what + " \"" + path + "\": " + problem->reason};
}

DeepFrame ReadPictureOrRefuse(const std::string& path)
{
    auto picture = ReadPictureFile(path);
    if (auto* failure = std::get_if<ReadFailure>(&picture)) throw Refusal{failure->message};
    return std::move(std::get<DeepFrame>(picture));
}

Bitmap24 ReadBitmapOrRefuse(const std::string& path)
{
    auto bitmap = ReadBmp(path);
    if (auto* failure = std::get_if<ReadFailure>(&bitmap)) throw Refusal{failure->message};
    return std::move(std::get<Bitmap24>(bitmap));
}

// Progress lines for a person watching; nothing when `progress` is null.
class ProgressLines {
public:
    explicit ProgressLines(std::ostream* progress) : progress_(progress) {}
    bool watched() const { return progress_ != nullptr; }
    void line(const std::string& text) const
    {
        if (progress_) *progress_ << text << '\n';
    }

private:
    std::ostream* progress_;
};

class BatchLoadObserver : public LoadObserver {
public:
    explicit BatchLoadObserver(const ProgressLines& lines) : lines_(lines) {}
    void prepared(int index, const ColourRows& frame, const Picture&) override
    {
        line(index, frame.width(), frame.height());
    }
    void preparedGrey(int index, const GreyRows& frame, const Picture&) override
    {
        line(index, frame.width(), frame.height());
    }

private:
    void line(int index, int width, int height)
    {
        lines_.line("Loading pictures [Nr: " + std::to_string(index) + " / Size: " + std::to_string(width) + " x " +
                    std::to_string(height) + "]");
    }

    const ProgressLines& lines_;
};

class BatchCalculationObserver : public CalculationObserver {
public:
    explicit BatchCalculationObserver(const ProgressLines& lines) : lines_(lines) {}
    void stageStarted(std::string_view text, int) override { lines_.line(std::string(text)); }

private:
    const ProgressLines& lines_;
};

// Each kernel named replaces the built-in one of its kind, and its size
// report goes to `errors`; a kernel of a refused size is refused input, since
// the result would silently use another kernel.
KernelSlots ReadKernels(const BatchOptions& o, std::ostream& errors)
{
    KernelSlots kernels = DefaultKernelSlots();
    for (const EnhancementStage* stage : EnhancementStages()) {
        const std::string& path = o.kernelFiles[static_cast<std::size_t>(stage->kernel)];
        if (path.empty()) continue;
        RequireReadable(path, "kernel bitmap");
        const Bitmap24 picture = ReadBitmapOrRefuse(path);
        const std::string report = LoadPSF(picture, stage->kernel, kernels);
        if (!FitsPSF(picture)) throw Refusal{path + ": " + report};
        errors << report << '\n';
    }
    return kernels;
}

CorrectionState ReadCorrections(const BatchOptions& o)
{
    CorrectionState correction;
    if (!o.flat.empty()) RequireReadable(o.flat, "flat field");
    if (!o.dark.empty()) RequireReadable(o.dark, "dark frame");
    if (!o.flat.empty()) {
        SetCorrectionFrame(correction, CorrectFlatField, ReadPictureOrRefuse(o.flat));
        correction.flags |= CorrectFlatField;
    }
    if (!o.dark.empty()) {
        SetCorrectionFrame(correction, CorrectDarkFrame, ReadPictureOrRefuse(o.dark));
        correction.flags |= CorrectDarkFrame;
    }
    FinishCorrection(correction);
    if (o.shiftFix) correction.flags |= ShiftFixChosen;
    return correction;
}

// A table that cannot be read is refused input; one cut short is an error
// while processing, as it is when the window reads it.
std::optional<ToneTable> ReadTable(const BatchOptions& o)
{
    if (o.lut.empty()) return std::nullopt;
    RequireReadable(o.lut, "lookup table");
    ToneTable table;
    for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    if (const auto error = ReadLookupTable(o.lut, table)) throw std::runtime_error(*error);
    return table;
}

// Every file the command line names besides the series, read and checked
// before the load: a bad one then costs nothing and nothing is printed.
struct NamedFiles {
    KernelSlots kernels;
    CorrectionState correction;
    std::optional<ToneTable> lookupTable;
};

NamedFiles ReadNamedFiles(const BatchOptions& o, std::ostream& errors)
{
    if (o.avi.empty()) {
        for (const std::string* path : {&o.first, &o.last}) RequireReadable(*path, "bitmap");
    } else {
        RequireReadable(o.avi, "video");
    }
    NamedFiles files;
    files.kernels = ReadKernels(o, errors);
    files.correction = ReadCorrections(o);
    files.lookupTable = ReadTable(o);
    return files;
}

SeriesSettings LoadSettings(const BatchOptions& o, const CorrectionState& correction)
{
    SeriesSettings s;
    s.enlargement = o.resample;
    s.fullPicture = o.fullPicture;
    s.width = o.width;
    s.height = o.width * 3 / 4;
    s.maxPictures = ComputeMaxPictures(s.width, s.height, o.memoryMiB);
    s.correction = correction;
    s.bayer = o.bayer;
    // Frames are scored only for the options that use the scores.
    s.work = o.keep || o.printQuality ? SeriesWork::PicturesAndScores : SeriesWork::Pictures;
    return s;
}

// A bitmap series as the window's two dialogs take it: a first file that is
// not a bitmap ends the choice before the last one is asked for.
void LoadBitmaps(const BatchOptions& o, SeriesSettings settings, PictureSeries& pictures, const ProgressLines& lines,
                 std::ostream& errors)
{
    const std::string extension = UpperCaseExtension(o.first);
    const bool askedForLast = IsPictureExtension(extension);
    const std::string held = askedForLast ? o.last : o.first;
    const BitmapPairCheck check = CheckBitmapPair(
        BitmapPair{FolderOf(o.first), FolderOf(held), NameOf(o.first), askedForLast ? NameOf(o.last) : "", extension});
    SeriesLoadReport report;
    if (check.accepted && check.names) {
        settings.correction.flags &= ~ShiftFixActive;  // the fix is for videos only
        BatchLoadObserver observer(lines);
        // A bare name is in the folder the command runs in.
        const std::string folder = FolderOf(o.first).empty() ? "./" : FolderOf(o.first);
        report = LoadBitmapSeries(folder, *check.names, extension, settings, pictures, observer);
    }
    std::vector<std::string> messages = check.messages;
    if (report.failure) messages.push_back(*report.failure);
    messages.insert(messages.end(), report.warnings.begin(), report.warnings.end());
    if (pictures.inputCount() < 1) throw Refusal{messages.empty() ? "The load yielded no picture" : messages.back()};
    // A file that could not be read ended the load; what was read is used.
    for (const std::string& message : messages) errors << message << '\n';
}

// A capture of any kind, by its content.
void LoadVideo(const BatchOptions& o, SeriesSettings settings, PictureSeries& pictures, const ProgressLines& lines,
               std::ostream& errors)
{
    const std::string name = NameOf(o.avi);
    auto opened = CaptureFile::Open(o.avi);
    if (auto* problem = std::get_if<std::string>(&opened)) throw Refusal{name + " holds no readable video (" + *problem + ")"};
    CaptureFile& capture = std::get<CaptureFile>(opened);
    if (settings.correction.flags & ShiftFixChosen) settings.correction.flags |= ShiftFixActive;
    BatchLoadObserver observer(lines);
    const SeriesLoadReport report = LoadCaptureSeries(capture, settings, pictures, observer);
    if (pictures.inputCount() < 1) {
        const std::string note = report.failure ? *report.failure : capture.note();
        throw Refusal{note.empty() ? name + " holds fewer than two readable frames" : name + ": " + note};
    }
    // Frames that were missing or left out are said even when the rest loads.
    if (!capture.note().empty()) errors << name << ": " << capture.note() << '\n';
    for (const std::string& warning : report.warnings) errors << name << ": " << warning << '\n';
}

Picture& InputPicture(PictureSeries& pictures, int n, const char* option)
{
    const int count = pictures.inputCount();
    if (n < 1 || n > count)
        throw Refusal{std::string(option) + ": there is no picture " + std::to_string(n) + " (1.." +
                      std::to_string(count) + ")"};
    return pictures.at(n);
}

// Marks from the ranking of the scores, as "Keep best" sets them in the window.
void KeepBest(const KeepRule& rule, PictureSeries& pictures)
{
    std::vector<double> scores;
    std::vector<FrameVerdict> verdicts;
    for (int n = 1; n <= pictures.inputCount(); ++n) {
        scores.push_back(pictures.input(n).sharpness);
        verdicts.push_back(FrameVerdict{pictures.input(n).fault});
    }
    const std::vector<int> marks = MarksFromRanking(scores, verdicts, rule);
    for (int n = 1; n <= pictures.inputCount(); ++n) pictures.input(n).quality = marks[static_cast<std::size_t>(n - 1)];
}

// "N score mark reason" for every input picture.
void PrintQuality(const PictureSeries& pictures, std::ostream& out)
{
    static const char* const marks[] = {"dont", "bad", "avg", "good"};
    for (int n = 1; n <= pictures.inputCount(); ++n) {
        const Picture& p = pictures.input(n);
        char score[32];
        std::snprintf(score, sizeof score, "%.6g", p.sharpness);
        const char* mark = p.quality >= QualityDont && p.quality <= QualityGood ? marks[p.quality] : "?";
        out << n << ' ' << score << ' ' << mark << ' ' << FaultWord(p.fault) << '\n';
    }
}

void MarkAndAlign(const BatchOptions& o, PictureSeries& pictures, const ProgressLines& lines, std::ostream& out)
{
    const int count = pictures.inputCount();
    // The marks given by hand come after the ranking's, as in the window.
    if (o.keep) KeepBest(*o.keep, pictures);
    for (const QualityOption& q : o.qualities) InputPicture(pictures, q.picture, "--quality").quality = q.quality;
    for (const OffsetOption& off : o.offsets) {
        Picture& picture = InputPicture(pictures, off.picture, "--offset");
        picture.dx = off.dx;
        picture.dy = off.dy;
    }
    if (o.alignAuto) {
        AlignmentSettings settings;
        settings.reference = o.reference ? std::min(*o.reference, count) : DefaultReference;
        settings.region = ComparedRegion{ViewWidth, ViewHeight, -1, -1};
        if (o.viewOriginX) settings.region = ComparedRegion{ViewWidth, ViewHeight, std::max(-1, *o.viewOriginX),
                                                            std::max(-1, *o.viewOriginY)};
        settings.saturation = SaturationRange.start;
        settings.enlargement = o.resample;
        AlignSeries(pictures, count, settings, [&](int n, const SearchBest& best, long long score) {
            lines.line("Automatic alignment of picture " + std::to_string(settings.reference) + " with nr. " +
                       std::to_string(n) + ", Dx,Dy= (" + std::to_string(best.x) + ", " + std::to_string(best.y) +
                       "), Value =[" + std::to_string(score) + "]");
            return true;
        });
    }
    if (o.printOffsets) {
        for (int n = 1; n <= count; ++n) {
            const Picture& p = pictures.at(n);
            out << n << ' ' << p.dx << ' ' << p.dy << ' ' << p.quality << '\n';
        }
    }
    if (o.printQuality) PrintQuality(pictures, out);
}

// Alignment points after the automatic search, when asked for; an empty
// plan (too few points on a small object) keeps the global offsets.
LocalPlan AlignLocally(const BatchOptions& o, const PictureSeries& pictures, const ProgressLines& lines)
{
    const int count = pictures.inputCount();
    LocalSettings settings;
    settings.boxSize = o.pointSize.value_or(0);
    settings.enlargement = o.resample;
    // Unwatched, the pictures are measured without a pause for each line.
    LocalProgress progress;
    if (lines.watched())
        progress = [&](int n) {
            lines.line("Local alignment of picture " + std::to_string(n));
            return true;
        };
    LocalPlan plan = PlanLocalAlignment(pictures, count, settings, progress);
    lines.line(plan.empty() ? std::string("Local alignment: too few alignment points, global offsets kept")
                            : "Local alignment: " + std::to_string(plan.points.size()) + " alignment points");
    return plan;
}

// The parameter each method starts with when chosen, unless one is given.
int CombineParameter(const BatchOptions& o)
{
    if (o.param) return *o.param;
    return DeclarationOf(o.combine).startParameter;
}

CalculationSettings Calculation(const BatchOptions& o)
{
    CalculationSettings s;
    s.combineMethod = o.combine;
    s.combineParameter = CombineParameter(o);
    s.enhancement = o.enhancement;
    return s;
}

// The display settings of the final render.
int DisplayFlags(const BatchOptions& o, const std::optional<ToneTable>& lookupTable, ToneSettings& tone)
{
    int flags = o.mode;
    tone.saturation = o.saturation;
    if (o.bias || o.gain) {
        flags |= FlagBiasGain;
        tone.biasLevel = o.bias.value_or(BiasGainRange.start);
        tone.gainLevel = o.gain.value_or(BiasGainRange.start);
    }
    if (lookupTable) tone.lookupTable = *lookupTable;
    if (lookupTable || o.lutNegative) flags |= FlagLookupTable;
    if (o.map0255) flags |= FlagMap0255;
    return flags;
}

// What a file other than a bitmap needs of the run: its record (for the
// notes, and the fractions of a deeper file) and the equalisation after it.
struct RunKept {
    CalculationRecord record;
    std::vector<ClaheStep> steps;
};

// The output's extension decides the format; a bitmap is written exactly as
// the window's "&Save" writes it, and 8-bit files hold the same pixels. A
// deeper file holds the result with the fractions the stack gained.
void Write(const BatchOptions& o, Picture& result, int flags, const ToneSettings& tone, const RunKept& kept)
{
    Bitmap24 view(result.bitmap.width(), result.bitmap.height());
    RenderPicture(result, view, -1, -1, flags, tone);
    const std::string path = std::filesystem::absolute(o.output).string();
    const SaveChoice choice{FormatOfName(path), o.depth};
    const bool grey = (flags & ModeMask) == ModeLuminance;
    std::optional<std::string> error;
    if (choice.format == PictureFormat::Bmp) {
        error = WriteBmp(view, path);
    } else {
        std::optional<LevelPicture> levels;
        if (choice.depth != SampleDepth::Eight) {
            const FineRuns runs = EnhanceBoth(kept.record);
            levels = RenderGained(view, runs.fromFractions, runs.fromBytes, kept.record.result, kept.steps, result,
                                  flags, tone);
        }
        PictureNotes notes = DescribeRun(kept.record, kept.record.pictureCount);
        const PictureNotes display = DescribeDisplay(flags, tone, kept.steps);
        notes.insert(notes.end(), display.begin(), display.end());
        error = WritePicture(levels ? *levels : LevelsOf(view, grey), choice, notes, path);
    }
    if (error) throw std::runtime_error(*error);
}

}  // namespace

BatchExit RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& errors, std::ostream* progress)
{
    const ProgressLines lines(progress);
    try {
        const NamedFiles files = ReadNamedFiles(options, errors);
        const SeriesSettings settings = LoadSettings(options, files.correction);
        PictureSeries pictures;
        if (options.avi.empty()) {
            LoadBitmaps(options, settings, pictures, lines, errors);
        } else {
            LoadVideo(options, settings, pictures, lines, errors);
        }
        MarkAndAlign(options, pictures, lines, out);
        BatchCalculationObserver observer(lines);
        const int count = pictures.inputCount();
        // Only files that carry notes or fractions need the run's record; a
        // bitmap run stays as fast as ever.
        RunKept kept;
        std::optional<LocalPlan> plan;
        std::optional<LocalStacking> local;
        if (options.alignLocal) {
            plan = AlignLocally(options, pictures, lines);
            local.emplace(LocalStacking{*plan, options.localKeep.value_or(KeepRule::Percent(100))});
        }
        if (FormatOfName(options.output) != PictureFormat::Bmp) {
            CalculateAndRecord(pictures, count, Calculation(options), files.kernels, observer, kept.record,
                               local ? &*local : nullptr);
        } else if (local) {
            Calculate(pictures, count, Calculation(options), files.kernels, observer, *local);
        } else {
            Calculate(pictures, count, Calculation(options), files.kernels, observer);
        }

        Picture& result = pictures.result();
        if (options.clahe) {
            kept.steps.push_back(ClaheStep{ClaheClipFactor(*options.clahe), result.dx, result.dy});
            ApplyClahe(result, ClaheClipFactor(*options.clahe));
        }
        ToneSettings tone;
        const int flags = DisplayFlags(options, files.lookupTable, tone);
        Write(options, result, flags, tone, kept);
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
