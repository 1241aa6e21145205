#include "acquire/SeriesLoading.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <variant>

#include "acquire/PictureFile.h"
#include "files/FileNames.h"
#include "image/DeepConversion.h"
#include "prepare/FramePreparation.h"

namespace quivane {
namespace {

int InputCount(const PictureList& pictures) { return pictures.empty() ? 0 : static_cast<int>(pictures.size()) - 1; }

std::uint16_t MosaicSample(std::uint8_t grey) { return static_cast<std::uint16_t>(grey * 257); }
std::uint16_t MosaicSample(const ColourPixel& p) { return static_cast<std::uint16_t>(p.green * 257); }

// A grey frame as the one-channel deep frame it is, a mosaic when a pattern
// is named. A 24-bit grey frame gives its green.
template <class Pixel>
DeepFrame OneChannel(const Bitmap<Pixel>& frame, Mosaic mosaic)
{
    DeepFrame out(frame.width(), frame.height(), 1);
    out.mosaic = mosaic;
    for (int y = 0; y < frame.height(); ++y) {
        const Pixel* in = frame.row(y);
        std::uint16_t* row = out.row(y);
        for (int x = 0; x < frame.width(); ++x) row[x] = MosaicSample(in[x]);
    }
    return out;
}

// A frame read as 24 bits at its own depth: as the one-channel mosaic it
// holds when a pattern is named, else as colour.
DeepFrame GreyMosaicOrColour(const Bitmap24& frame, Mosaic mosaic)
{
    return mosaic == Mosaic::None ? ToDeepFrame(frame) : OneChannel(frame, mosaic);
}

// A frame of any kind, as read.
using FrameRef = std::variant<const Bitmap24*, const Bitmap8*, const DeepFrame*>;

FrameRef RefOf(const CaptureFrame& frame)
{
    return std::visit([](const auto& f) -> FrameRef { return &f; }, frame);
}

// What a frame becomes, and what an observer is shown of it: the frame
// itself, or (for a deep or debayered frame) its 24-bit rendition.
struct PreparedFrame {
    Picture picture;
    Bitmap24 shown;
};

Picture NewPicture(const SeriesSettings& s)
{
    Picture picture;
    picture.enlargement = s.enlargement;
    picture.fullPicture = s.fullPicture;
    return picture;
}

// Preparation never changes the frame it is given: a correction works on a copy.
template <class Frame>
Picture PictureOf(const Frame& frame, const SeriesSettings& s)
{
    Picture picture = NewPicture(s);
    if (s.correction.flags == 0) {
        BuildPicture(picture, frame, s.width, s.height);
    } else {
        Frame corrected = frame;
        CorrectFrame(s.correction, corrected);
        BuildPicture(picture, corrected, s.width, s.height);
    }
    return picture;
}

PreparedFrame PrepareDeep(const DeepFrame& frame, const SeriesSettings& s)
{
    const Mosaic mosaic = frame.channels == 1 ? ChosenMosaic(s.bayer, frame.mosaic) : Mosaic::None;
    DeepFrame made;
    if (mosaic != Mosaic::None) made = Debayer(frame, mosaic);
    const DeepFrame& colour = mosaic != Mosaic::None ? made : AsColour(frame, made);
    Bitmap24 eight = ToBitmap24(colour);
    // 8-bit data takes the 24-bit way, to the same bytes.
    Picture picture = !NeedsDeepPath(colour) && !s.correction.deepFiles ? PictureOf(eight, s) : PictureOf(colour, s);
    return {std::move(picture), std::move(eight)};
}

// Pure: may run on any thread.
PreparedFrame PrepareFrame(FrameRef frame, const SeriesSettings& s)
{
    // A frame that does not say it holds a mosaic (a grey AVI or SER) is read
    // with the pattern the user names.
    const Mosaic named = ChosenMosaic(s.bayer, Mosaic::None);
    if (const auto* bitmap = std::get_if<const Bitmap24*>(&frame)) {
        if (named != Mosaic::None || s.correction.deepFiles) return PrepareDeep(GreyMosaicOrColour(**bitmap, named), s);
        return {PictureOf(**bitmap, s), {}};
    }
    if (const auto* grey = std::get_if<const Bitmap8*>(&frame)) {
        if (named != Mosaic::None || s.correction.flags != 0 || s.correction.deepFiles)
            return PrepareDeep(OneChannel(**grey, named), s);
        Picture picture = NewPicture(s);
        BuildPicture(picture, **grey, s.width, s.height);
        return {std::move(picture), {}};
    }
    return PrepareDeep(*std::get<const DeepFrame*>(frame), s);
}

// Adds the prepared frame as the result and the first input when the list is
// empty, else as the next input, telling the observer as it goes.
void AppendPrepared(PictureList& pictures, FrameRef frame, PreparedFrame&& prepared, LoadObserver& observer)
{
    auto add = [&](int index, Picture picture) {
        const auto* grey = std::get_if<const Bitmap8*>(&frame);
        const auto* bitmap = std::get_if<const Bitmap24*>(&frame);
        const Bitmap24& shown = prepared.shown.empty() && bitmap ? **bitmap : prepared.shown;
        if (grey && prepared.shown.empty()) {
            observer.preparingGrey(index, **grey);
            pictures.push_back(std::move(picture));
            observer.preparedGrey(index, **grey, pictures.back());
        } else {
            observer.preparing(index, shown);
            pictures.push_back(std::move(picture));
            observer.prepared(index, shown, pictures.back());
        }
    };
    if (pictures.empty()) add(0, prepared.picture);
    const int index = InputCount(pictures) + 1;
    add(index, std::move(prepared.picture));
    observer.counted(index);
}

// A second thread that prepares one frame at a time for the whole load, so
// its per-thread caches stay warm and no thread is started per frame. What
// preparation throws comes back from Take.
class PreparationWorker {
public:
    explicit PreparationWorker(const SeriesSettings& settings) : settings_(settings), thread_([this] { Run(); }) {}
    ~PreparationWorker()
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    PreparationWorker(const PreparationWorker&) = delete;
    PreparationWorker& operator=(const PreparationWorker&) = delete;

    // The frame must stay as it is until Take returns.
    void Start(FrameRef frame)
    {
        {
            std::lock_guard lock(mutex_);
            job_ = frame;
        }
        changed_.notify_all();
    }

    PreparedFrame Take()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return result_.has_value() || error_; });
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
        PreparedFrame prepared = std::move(*result_);
        result_.reset();
        return prepared;
    }

private:
    void Run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return quit_ || job_.has_value(); });
            if (quit_) return;
            const FrameRef frame = *job_;
            job_.reset();
            lock.unlock();
            std::optional<PreparedFrame> prepared;
            std::exception_ptr error;
            try {
                prepared = PrepareFrame(frame, settings_);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            result_ = std::move(prepared);
            error_ = error;
            changed_.notify_all();
        }
    }

    const SeriesSettings& settings_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<FrameRef> job_;
    std::optional<PreparedFrame> result_;
    std::exception_ptr error_;
    bool quit_ = false;
    std::thread thread_;  // last: it starts running once everything above is made
};

// The sequence works on upper-cased names; on a case-sensitive file system
// each is matched to the file of the folder with that name in any case.
std::map<std::string, std::string> FilesByUpperCaseName(const std::string& folder)
{
    std::map<std::string, std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::string name = entry.path().filename().string();
        files.emplace(UpperCase(name), name);  // the first in sort order wins a tie
    }
    return files;
}

}  // namespace

void AddSeriesFrame(PictureList& pictures, const Bitmap24& frame, const SeriesSettings& settings,
                    LoadObserver& observer)
{
    AppendPrepared(pictures, &frame, PrepareFrame(&frame, settings), observer);
}

void AddSeriesFrame(PictureList& pictures, const Bitmap8& frame, const SeriesSettings& settings,
                    LoadObserver& observer)
{
    AppendPrepared(pictures, &frame, PrepareFrame(&frame, settings), observer);
}

void AddSeriesFrame(PictureList& pictures, const DeepFrame& frame, const SeriesSettings& settings,
                    LoadObserver& observer)
{
    AppendPrepared(pictures, &frame, PrepareFrame(&frame, settings), observer);
}

std::string FramesLeftOutWarning(int kept, int total)
{
    return "kept " + std::to_string(kept) + " of " + std::to_string(total) + " frames: picture memory full";
}

std::string JoinedWarnings(const SeriesLoadReport& report)
{
    std::string line;
    for (const std::string& warning : report.warnings) line += (line.empty() ? "" : "; ") + warning;
    return line;
}

SeriesLoadReport LoadBitmapSeries(const std::string& folder, const SequenceNames& names,
                                  const std::string& extension, const SeriesSettings& settings,
                                  PictureList& pictures, LoadObserver& observer)
{
    SeriesLoadReport report;
    std::string number = names.numberText;
    std::string name = names.prefix + number + extension;
    const auto files = FilesByUpperCaseName(folder);
    int found = 0;
    while (!observer.stopRequested() && name <= names.last) {
        // Past the limit the names are only counted, for the warning.
        const bool room = InputCount(pictures) < settings.maxPictures;
        if (const auto file = files.find(name); file != files.end()) {
            ++found;
            if (room) {
                auto frame = ReadSeriesPicture(folder + file->second);
                if (auto* failure = std::get_if<ReadFailure>(&frame)) {
                    report.failure = failure->message;
                    return report;
                }
                if (auto* bitmap = std::get_if<Bitmap24>(&frame)) AddSeriesFrame(pictures, *bitmap, settings, observer);
                if (auto* deep = std::get_if<DeepFrame>(&frame)) AddSeriesFrame(pictures, *deep, settings, observer);
            }
        }
        if (room) observer.paused();
        const std::string next = IncrementNumberText(number);
        // A number that wraps (999 -> 000) would start the series over again.
        if (next <= number) break;
        number = next;
        name = names.prefix + number + extension;
    }
    if (found > InputCount(pictures) && InputCount(pictures) >= settings.maxPictures)
        report.warnings.push_back(FramesLeftOutWarning(InputCount(pictures), found));
    return report;
}

SeriesLoadReport LoadCaptureSeries(CaptureFile& capture, const SeriesSettings& settings, PictureList& pictures,
                                   LoadObserver& observer)
{
    SeriesLoadReport report;
    const int frames = std::min(settings.maxPictures, capture.frameCount());
    // Frames go in pairs: this thread prepares the first while the worker
    // prepares the second, and reads the next first frame while the worker
    // is still busy. Preparation is pure; the pictures are still added, and
    // the observer told, in frame order, on this thread.
    std::array<CaptureFrame, 2> read;
    PreparationWorker worker(settings);  // after the frames it reads: it is stopped first
    bool stopped = false;
    auto addOrSkip = [&](const CaptureFrame& frame, std::optional<PreparedFrame>& prepared) {
        if (prepared) AppendPrepared(pictures, RefOf(frame), std::move(*prepared), observer);
        observer.paused();
        stopped = observer.stopRequested();
    };
    bool first = frames > 0 && capture.ReadFrame(0, read[0]);
    for (int k = 0; k < frames && !stopped; k += 2) {
        const bool second = k + 1 < frames && capture.ReadFrame(k + 1, read[1]);
        if (second) worker.Start(RefOf(read[1]));
        std::optional<PreparedFrame> mine;
        if (first) mine = PrepareFrame(RefOf(read[0]), settings);
        addOrSkip(read[0], mine);
        first = !stopped && k + 2 < frames && capture.ReadFrame(k + 2, read[0]);
        std::optional<PreparedFrame> theirs;
        if (second) theirs = worker.Take();
        if (!stopped && k + 1 < frames) addOrSkip(read[1], theirs);
    }
    for (std::string& warning : capture.TakeWarnings()) report.warnings.push_back(std::move(warning));
    if (capture.frameCount() > frames)
        report.warnings.push_back(FramesLeftOutWarning(InputCount(pictures), capture.frameCount()));
    return report;
}

}  // namespace quivane
