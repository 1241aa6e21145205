#include "acquire/SeriesLoading.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
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
#include "select/BadFrames.h"
#include "select/FrameMeasure.h"

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

// What a frame becomes, what an observer is shown of it (the frame itself,
// or for a deep or debayered frame its 24-bit rendition), and, when the load
// scores, what frame selection reads of the frame to measure it.
struct PreparedFrame {
    Picture picture;
    Bitmap24 shown;
    std::optional<ObjectView> view;
};

// A picture and what is to be measured of its frame.
struct MadePicture {
    Picture picture;
    std::optional<ObjectView> view;
};

Picture NewPicture(const SeriesSettings& s)
{
    Picture picture;
    picture.enlargement = s.enlargement;
    picture.fullPicture = s.fullPicture;
    return picture;
}

// Builds the picture from the frame as it stands (unless only scores are
// asked for) and reads what is measured of the frame around the object the
// building found.
template <class Frame>
MadePicture Made(const Frame& frame, const SeriesSettings& s)
{
    MadePicture made{NewPicture(s), std::nullopt};
    const ObjectSurvey survey = s.work == SeriesWork::ScoresOnly
                                    ? SurveyObject(frame)
                                    : BuildPicture(made.picture, frame, s.width, s.height);
    if (s.work != SeriesWork::Pictures) made.view = MeasuredView(frame, survey, s.fullPicture);
    return made;
}

// Preparation never changes the frame it is given: a correction works on a copy.
template <class Frame>
MadePicture PictureOf(const Frame& frame, const SeriesSettings& s)
{
    if (s.correction.flags == 0) return Made(frame, s);
    Frame corrected = frame;
    CorrectFrame(s.correction, corrected);
    return Made(corrected, s);
}

PreparedFrame PrepareDeep(const DeepFrame& frame, const SeriesSettings& s)
{
    const Mosaic mosaic = frame.channels == 1 ? ChosenMosaic(s.bayer, frame.mosaic) : Mosaic::None;
    DeepFrame made;
    if (mosaic != Mosaic::None) made = Debayer(frame, mosaic);
    const DeepFrame& colour = mosaic != Mosaic::None ? made : AsColour(frame, made);
    Bitmap24 eight = ToBitmap24(colour);
    // 8-bit data takes the 24-bit way, to the same bytes.
    MadePicture picture = !NeedsDeepPath(colour) && !s.correction.deepFiles ? PictureOf(eight, s) : PictureOf(colour, s);
    return {std::move(picture.picture), std::move(eight), std::move(picture.view)};
}

// Pure: may run on any thread.
PreparedFrame PrepareFrame(FrameRef frame, const SeriesSettings& s)
{
    // A frame that does not say it holds a mosaic (a grey AVI or SER) is read
    // with the pattern the user names.
    const Mosaic named = ChosenMosaic(s.bayer, Mosaic::None);
    if (const auto* bitmap = std::get_if<const Bitmap24*>(&frame)) {
        if (named != Mosaic::None || s.correction.deepFiles) return PrepareDeep(GreyMosaicOrColour(**bitmap, named), s);
        MadePicture made = PictureOf(**bitmap, s);
        return {std::move(made.picture), {}, std::move(made.view)};
    }
    if (const auto* grey = std::get_if<const Bitmap8*>(&frame)) {
        if (named != Mosaic::None || s.correction.flags != 0 || s.correction.deepFiles)
            return PrepareDeep(OneChannel(**grey, named), s);
        MadePicture made = Made(**grey, s);
        return {std::move(made.picture), {}, std::move(made.view)};
    }
    return PrepareDeep(*std::get<const DeepFrame*>(frame), s);
}

// Measures the views a load hands it, in the order given, on a thread of its
// own, so that measuring overlaps reading and preparing the frames after.
// A few views wait at most; a load that gets ahead waits for room.
class BackgroundMeasure {
public:
    BackgroundMeasure() = default;
    BackgroundMeasure(const BackgroundMeasure&) = delete;
    BackgroundMeasure& operator=(const BackgroundMeasure&) = delete;
    ~BackgroundMeasure() { stop(); }

    void add(ObjectView&& view)
    {
        std::unique_lock lock(mutex_);
        if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
        room_.wait(lock, [&] { return waiting_.size() < MaxWaiting; });
        waiting_.push_back(std::move(view));
        ready_.notify_one();
    }

    // Every measure, in order, once the last is done.
    std::vector<FrameMeasure> finish()
    {
        stop();
        if (failure_) std::rethrow_exception(failure_);
        return std::move(measures_);
    }

private:
    static constexpr std::size_t MaxWaiting = 8;

    void stop()
    {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        ready_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    void run()
    {
        while (true) {
            ObjectView view;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !waiting_.empty() || closing_; });
                if (waiting_.empty()) return;
                view = std::move(waiting_.front());
                waiting_.pop_front();
                room_.notify_one();
            }
            try {
                const FrameMeasure measure = MeasureView(view);
                const std::lock_guard lock(mutex_);
                measures_.push_back(measure);
            } catch (...) {
                const std::lock_guard lock(mutex_);
                if (!failure_) failure_ = std::current_exception();
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<ObjectView> waiting_;
    std::vector<FrameMeasure> measures_;
    std::exception_ptr failure_;
    bool closing_ = false;
    std::thread worker_;
};

// What is measured of the frames a load adds, from its first input picture
// on, and the judgement of the series once it is read.
class SeriesJudge {
public:
    explicit SeriesJudge(const PictureList& pictures) : first_(InputCount(pictures) + 1) {}

    void add(std::optional<ObjectView>&& view)
    {
        if (view) measure_.add(std::move(*view));
        else complete_ = false;
    }

    // Every input picture the load added takes its frame's score and, when
    // every one was measured, its fault. Call once, at the end of the load.
    void judge(PictureList& pictures)
    {
        const std::vector<FrameMeasure> measures = measure_.finish();
        if (static_cast<std::size_t>(first_) + measures.size() > pictures.size()) return;
        for (std::size_t k = 0; k < measures.size(); ++k)
            pictures[static_cast<std::size_t>(first_) + k].sharpness = measures[k].score;
        // The result picture was made from the first frame too.
        if (first_ == 1 && !measures.empty()) pictures[0].sharpness = measures[0].score;
        if (!complete_ || measures.empty()) return;
        std::vector<FrameFacts> facts;
        for (const FrameMeasure& m : measures) facts.push_back(m.facts);
        const std::vector<FrameVerdict> verdicts = JudgeFrames(facts);
        for (std::size_t k = 0; k < verdicts.size(); ++k)
            pictures[static_cast<std::size_t>(first_) + k].fault = verdicts[k].reason;
    }

private:
    int first_;
    BackgroundMeasure measure_;
    bool complete_ = true;
};

// Adds the prepared frame as the result and the first input when the list is
// empty, else as the next input, telling the observer as it goes.
void AppendPrepared(PictureList& pictures, FrameRef frame, PreparedFrame&& prepared, LoadObserver& observer,
                    SeriesJudge* judge = nullptr)
{
    // A frame added alone is measured at once; a load's, on the side.
    if (judge) judge->add(std::move(prepared.view));
    else if (prepared.view) prepared.picture.sharpness = MeasureView(*prepared.view).score;
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

// A capture's frames 0 .. count - 1, read one at a time in frame order and
// prepared on two threads: the caller's, while it waits for the frame it
// wants next, and a helper's. Each thread takes the next frame to read,
// reads it and prepares it, so reading and preparing share both processors
// whichever of them costs more. Frames come back in order; a frame handed
// out stays as it is until the next call of Next.
class CaptureReadAhead {
public:
    struct Done {
        const CaptureFrame* frame = nullptr;
        std::optional<PreparedFrame> prepared;  // empty when the frame could not be read
    };

    CaptureReadAhead(CaptureFile& capture, int count, const SeriesSettings& settings)
        : capture_(capture), count_(count), settings_(settings), helper_([this] { Help(); })
    {
    }
    ~CaptureReadAhead()
    {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        helper_.join();
    }
    CaptureReadAhead(const CaptureReadAhead&) = delete;
    CaptureReadAhead& operator=(const CaptureReadAhead&) = delete;

    // Frame `wanted` (one more than the last asked for, from 0), reading and
    // preparing frames here until it is done. What its preparation threw is
    // thrown here.
    Done Next(int wanted)
    {
        std::unique_lock lock(mutex_);
        if (wanted > 0) Free(SlotOf(wanted - 1));
        for (;;) {
            Slot& slot = SlotOf(wanted);
            if (slot.state == State::Done && slot.index == wanted) {
                if (slot.failure) std::rethrow_exception(std::exchange(slot.failure, nullptr));
                slot.state = State::HandedOut;
                return {&slot.frame, std::exchange(slot.prepared, std::nullopt)};
            }
            if (CanStart()) {
                Work(lock);
                continue;
            }
            changed_.wait(lock);
        }
    }

private:
    enum class State { Free, Working, Done, HandedOut };
    struct Slot {
        State state = State::Free;
        int index = -1;
        CaptureFrame frame;
        std::optional<PreparedFrame> prepared;
        std::exception_ptr failure;
    };
    // Four frames in hand at most: one handed out, one or two being prepared,
    // one ready.
    static constexpr int SlotCount = 4;

    Slot& SlotOf(int k) { return slots_[static_cast<std::size_t>(k % SlotCount)]; }
    bool CanStart() { return next_ < count_ && SlotOf(next_).state == State::Free; }
    void Free(Slot& slot)
    {
        if (slot.state != State::HandedOut) return;
        slot.state = State::Free;
        changed_.notify_all();
    }

    // Reads the next frame and prepares it; called with `lock` held, which is
    // let go while the frame is read and prepared. The reading lock is taken
    // before the state lock is let go, so frames are read in the order taken.
    void Work(std::unique_lock<std::mutex>& lock)
    {
        const int k = next_++;
        Slot& slot = SlotOf(k);
        slot.state = State::Working;
        slot.index = k;
        std::unique_lock reading(readMutex_);
        lock.unlock();
        std::optional<PreparedFrame> prepared;
        std::exception_ptr failure;
        try {
            const bool read = capture_.ReadFrame(k, slot.frame);
            reading.unlock();
            if (read) prepared = PrepareFrame(RefOf(slot.frame), settings_);
        } catch (...) {
            failure = std::current_exception();
        }
        if (reading.owns_lock()) reading.unlock();
        lock.lock();
        slot.prepared = std::move(prepared);
        slot.failure = failure;
        slot.state = State::Done;
        changed_.notify_all();
    }

    void Help()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stopped_ || CanStart(); });
            if (stopped_) return;
            Work(lock);
        }
    }

    CaptureFile& capture_;
    const int count_;
    const SeriesSettings& settings_;
    std::mutex mutex_;
    std::mutex readMutex_;
    std::condition_variable changed_;
    std::array<Slot, SlotCount> slots_;
    int next_ = 0;  // the next frame to read
    bool stopped_ = false;
    std::thread helper_;  // last: it starts running once everything above is made
};

// A frame of a bitmap series as read, and its preparation: done on the
// loading thread, failed there, or under way on the worker.
struct FrameAhead {
    std::variant<const Bitmap24*, DeepFrame, ReadFailure> frame;
    std::optional<PreparedFrame> prepared;
    std::exception_ptr failure;
    bool onWorker = false;
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
    // The next name of the series after `from` that names a file, if any.
    const auto nextFound = [&](std::string from) -> std::optional<std::string> {
        for (;;) {
            const std::string next = IncrementNumberText(from);
            if (next <= from) return std::nullopt;
            from = next;
            const std::string candidate = names.prefix + from + extension;
            if (candidate > names.last) return std::nullopt;
            if (files.count(candidate) != 0) return candidate;
        }
    };
    SeriesJudge judge(pictures);
    // Two readers, so that the next frame can be read while this one is
    // still in use; they outlive the worker, which may be preparing one.
    std::array<SeriesPictureReader, 2> readers;
    std::size_t spare = 0;
    PreparationWorker worker(settings);
    std::optional<FrameAhead> ahead;
    int found = 0;
    while (!observer.stopRequested() && name <= names.last) {
        // Past the limit the names are only counted, for the warning.
        const bool room = InputCount(pictures) < settings.maxPictures;
        if (const auto file = files.find(name); file != files.end()) {
            ++found;
            if (room) {
                FrameAhead current;
                if (ahead) {
                    current = std::move(*ahead);
                    ahead.reset();
                } else {
                    current.frame = readers[spare].read(folder + file->second);
                    spare ^= 1;
                }
                if (auto* failure = std::get_if<ReadFailure>(&current.frame)) {
                    report.failure = failure->message;
                    judge.judge(pictures);
                    return report;
                }
                const auto* bitmap = std::get_if<const Bitmap24*>(&current.frame);
                // Bitmaps are prepared two at a time: the series' next frame
                // is read now, and prepared by whichever of this thread and
                // the worker is not preparing this one. It is added, or its
                // problem reported, only when the series gets there.
                if (const auto next = bitmap && InputCount(pictures) + 1 < settings.maxPictures
                                          ? nextFound(number)
                                          : std::nullopt) {
                    ahead.emplace();
                    ahead->frame = readers[spare].read(folder + files.at(*next));
                    spare ^= 1;
                    if (const auto* nextBitmap = std::get_if<const Bitmap24*>(&ahead->frame)) {
                        if (!current.onWorker) {
                            worker.Start(*nextBitmap);
                            ahead->onWorker = true;
                        } else {
                            try {
                                ahead->prepared = PrepareFrame(*nextBitmap, settings);
                            } catch (...) {
                                ahead->failure = std::current_exception();
                            }
                        }
                    }
                }
                if (bitmap) {
                    if (current.onWorker) current.prepared = worker.Take();
                    if (current.failure) std::rethrow_exception(current.failure);
                    if (!current.prepared) current.prepared = PrepareFrame(*bitmap, settings);
                    AppendPrepared(pictures, *bitmap, std::move(*current.prepared), observer, &judge);
                }
                if (auto* deep = std::get_if<DeepFrame>(&current.frame))
                    AppendPrepared(pictures, deep, PrepareFrame(deep, settings), observer, &judge);
            }
        }
        if (room) observer.paused();
        const std::string next = IncrementNumberText(number);
        // A number that wraps (999 -> 000) would start the series over again.
        if (next <= number) break;
        number = next;
        name = names.prefix + number + extension;
    }
    judge.judge(pictures);
    if (found > InputCount(pictures) && InputCount(pictures) >= settings.maxPictures)
        report.warnings.push_back(FramesLeftOutWarning(InputCount(pictures), found));
    return report;
}

SeriesLoadReport LoadCaptureSeries(CaptureFile& capture, const SeriesSettings& settings, PictureList& pictures,
                                   LoadObserver& observer)
{
    SeriesLoadReport report;
    const int count = std::min(settings.maxPictures, capture.frameCount());
    // Preparation is pure and shared between two threads; the pictures are
    // still added, and the observer told, in frame order, on this thread.
    SeriesJudge judge(pictures);
    {
        CaptureReadAhead frames(capture, count, settings);
        for (int k = 0; k < count; ++k) {
            CaptureReadAhead::Done done = frames.Next(k);
            if (done.prepared) AppendPrepared(pictures, RefOf(*done.frame), std::move(*done.prepared), observer, &judge);
            observer.paused();
            if (observer.stopRequested()) break;
        }
    }
    judge.judge(pictures);
    for (std::string& warning : capture.TakeWarnings()) report.warnings.push_back(std::move(warning));
    if (capture.frameCount() > count)
        report.warnings.push_back(FramesLeftOutWarning(InputCount(pictures), capture.frameCount()));
    return report;
}

}  // namespace quivane
