#include "pipeline/SeriesLoading.h"

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

#include "pipeline/FrameToPicture.h"
#include "acquire/PictureFile.h"
#include "pipeline/ReadAhead.h"
#include "files/FileNames.h"
#include "select/BadFrames.h"
#include "select/FrameMeasure.h"

namespace quivane {
namespace {

// Measures the views a load hands it on a thread of its own, so that
// measuring overlaps reading and preparing the frames after; each measure
// is kept in the place of its view, so they come back in the order given.
// A few views wait at most: a load that gets further ahead measures the
// oldest itself, and the load's end measures what is left beside the
// thread, so measuring small or detailed frames has both cores whenever
// the load leaves one free.
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
        while (waiting_.size() >= MaxWaiting) measureOldest(lock);
        waiting_.push_back({measures_.size(), std::move(view)});
        measures_.emplace_back();
        ready_.notify_one();
    }

    // Every measure, in order, once the last is done.
    std::vector<FrameMeasure> finish()
    {
        {
            std::unique_lock lock(mutex_);
            while (!waiting_.empty()) measureOldest(lock);
        }
        stop();
        if (failure_) std::rethrow_exception(failure_);
        return {measures_.begin(), measures_.end()};
    }

private:
    static constexpr std::size_t MaxWaiting = 8;

    struct Waiting {
        std::size_t place;
        ObjectView view;
    };

    void stop()
    {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        ready_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    // Called with the lock held, which it lets go while it measures.
    void measureOldest(std::unique_lock<std::mutex>& lock)
    {
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        try {
            const FrameMeasure measure = MeasureView(next.view);
            lock.lock();
            measures_[next.place] = measure;
        } catch (...) {
            if (!lock.owns_lock()) lock.lock();
            if (!failure_) failure_ = std::current_exception();
        }
    }

    void run()
    {
        std::unique_lock lock(mutex_);
        while (true) {
            ready_.wait(lock, [&] { return !waiting_.empty() || closing_; });
            if (waiting_.empty()) return;
            measureOldest(lock);
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Waiting> waiting_;
    // A deque, so that the place a measure is written to stays where it is
    // while more are added.
    std::deque<FrameMeasure> measures_;
    std::exception_ptr failure_;
    bool closing_ = false;
    std::thread worker_;
};

// What is measured of the frames a load adds, from its first input picture
// on, and the judgement of the series once it is read.
class SeriesJudge {
public:
    explicit SeriesJudge(const PictureSeries& pictures) : first_(pictures.inputCount() + 1) {}

    void add(std::optional<ObjectView>&& view)
    {
        if (view) measure_.add(std::move(*view));
        else complete_ = false;
    }

    // Every input picture the load added takes its frame's score and, when
    // every one was measured, its fault. Call once, at the end of the load.
    void judge(PictureSeries& pictures)
    {
        const std::vector<FrameMeasure> measures = measure_.finish();
        const int measured = static_cast<int>(measures.size());
        if (first_ - 1 + measured > pictures.inputCount()) return;
        for (int k = 0; k < measured; ++k)
            pictures.input(first_ + k).sharpness = measures[static_cast<std::size_t>(k)].score;
        // The result picture was made from the first frame too.
        if (first_ == 1 && !measures.empty()) pictures.result().sharpness = measures[0].score;
        if (!complete_ || measures.empty()) return;
        std::vector<FrameFacts> facts;
        for (const FrameMeasure& m : measures) facts.push_back(m.facts);
        const std::vector<FrameVerdict> verdicts = JudgeFrames(facts);
        for (int k = 0; k < measured; ++k)
            pictures.input(first_ + k).fault = verdicts[static_cast<std::size_t>(k)].reason;
    }

private:
    int first_;
    BackgroundMeasure measure_;
    bool complete_ = true;
};

// Adds the prepared frame as the result and the first input when the list is
// empty, else as the next input, telling the observer as it goes.
void AppendPrepared(PictureSeries& pictures, FrameRef frame, PreparedFrame&& prepared, LoadObserver& observer,
                    SeriesJudge* judge = nullptr)
{
    // A frame added alone is measured at once; a load's, on the side.
    if (judge) judge->add(std::move(prepared.view));
    else if (prepared.view) prepared.picture.sharpness = MeasureView(*prepared.view).score;
    auto add = [&](int index, Picture picture) {
        const auto* grey = std::get_if<GreyRows>(&frame);
        const auto* rows = std::get_if<ColourRows>(&frame);
        const ColourRows shown = prepared.shown.empty() && rows ? *rows : ColourRows(prepared.shown);
        const auto store = [&] {
            if (index == 0)
                pictures.setResult(std::move(picture));
            else
                pictures.addInput(std::move(picture));
        };
        if (grey && prepared.shown.empty()) {
            observer.preparingGrey(index, *grey);
            store();
            observer.preparedGrey(index, *grey, pictures.at(index));
        } else {
            observer.preparing(index, shown);
            store();
            observer.prepared(index, shown, pictures.at(index));
        }
    };
    if (pictures.empty()) add(0, prepared.picture);
    const int index = pictures.inputCount() + 1;
    add(index, std::move(prepared.picture));
    observer.counted(index);
}

// A frame added alone is prepared, added and measured at once; what it
// showed is kept until the observer has been told the load ends.
void AddAlone(PictureSeries& pictures, FrameRef frame, const SeriesSettings& settings, LoadObserver& observer)
{
    PreparedFrame prepared = PrepareFrame(frame, settings);
    AppendPrepared(pictures, frame, std::move(prepared), observer);
    observer.ending();
}

// Adds a load's frames in order as the read-ahead hands them out, and keeps
// the frame added last (its slot, and what it showed) until the next is
// added: an observer may hold on to the frame it was given last, without a
// copy, until the load ends.
template <class Source>
class AddedInOrder {
public:
    AddedInOrder(Source& source, int count, const SeriesSettings& settings) : frames_(source, count, settings) {}

    // Reads frame k and adds it when it was read; what reading gave.
    FrameRead Add(int k, PictureSeries& pictures, LoadObserver& observer, SeriesJudge& judge)
    {
        std::optional<Done>& mine = kept_[static_cast<std::size_t>(turn_)];
        mine.emplace(frames_.Next(k));
        const auto* frame = std::get_if<FrameRef>(&mine->read);
        if (!frame) {
            frames_.Release(k);
            FrameRead read = std::move(mine->read);
            mine.reset();
            return read;
        }
        AppendPrepared(pictures, *frame, std::move(*mine->prepared), observer, &judge);
        if (added_ >= 0) {
            frames_.Release(added_);
            kept_[static_cast<std::size_t>(turn_ ^ 1)].reset();
        }
        added_ = k;
        turn_ ^= 1;
        return *frame;
    }

private:
    using Done = typename ReadAhead<Source>::Done;
    ReadAhead<Source> frames_;
    std::array<std::optional<Done>, 2> kept_;
    int turn_ = 0;
    int added_ = -1;  // the frame added last, still kept
};

// A capture's frames by number; one that does not decode is left out. A raw
// video's frames are read where the decoder leaves them.
struct CaptureSource {
    using Storage = CaptureFrame;
    static constexpr bool ReadsApart = false;
    CaptureFile& capture;
    FrameRead read(int k, CaptureFrame& frame)
    {
        if (!capture.ReadFrameInPlace(k, frame)) return {};
        return RefOf(frame);
    }
};

// A bitmap series' files in order; one that cannot be read ends the load
// with its message. A bitmap's rows stay in its reader's storage, a deeper
// picture in the slot's. Each file is read alone, into its slot, so two
// are read at once.
struct SeriesFiles {
    struct Storage {
        SeriesPictureReader reader;
        DeepFrame deep;
    };
    static constexpr bool ReadsApart = true;
    const std::vector<std::string>& paths;
    FrameRead read(int k, Storage& storage)
    {
        auto frame = storage.reader.read(paths[static_cast<std::size_t>(k)]);
        if (auto* failure = std::get_if<ReadFailure>(&frame)) return std::move(failure->message);
        if (auto* deep = std::get_if<DeepFrame>(&frame)) {
            storage.deep = std::move(*deep);
            return FrameRef(&storage.deep);
        }
        if (const auto* grey = std::get_if<GreyRows>(&frame)) return FrameRef(*grey);
        return FrameRef(std::get<ColourRows>(frame));
    }
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

void AddSeriesFrame(PictureSeries& pictures, const Bitmap24& frame, const SeriesSettings& settings,
                    LoadObserver& observer)
{
    AddAlone(pictures, ColourRows(frame), settings, observer);
}

void AddSeriesFrame(PictureSeries& pictures, const Bitmap8& frame, const SeriesSettings& settings,
                    LoadObserver& observer)
{
    AddAlone(pictures, GreyRows(frame), settings, observer);
}

void AddSeriesFrame(PictureSeries& pictures, const DeepFrame& frame, const SeriesSettings& settings,
                    LoadObserver& observer)
{
    AddAlone(pictures, &frame, settings, observer);
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
                                  PictureSeries& pictures, LoadObserver& observer)
{
    SeriesLoadReport report;
    // The files of the series that are there, in order: as many as there is
    // room for are read, and all of them counted for the warning.
    const auto files = FilesByUpperCaseName(folder);
    std::vector<std::string> paths;
    int found = 0;
    const int room = std::max(0, settings.maxPictures - pictures.inputCount());
    for (std::string number = names.numberText;;) {
        const std::string name = names.prefix + number + extension;
        if (name > names.last) break;
        if (const auto file = files.find(name); file != files.end()) {
            ++found;
            if (static_cast<int>(paths.size()) < room) paths.push_back(folder + file->second);
        }
        const std::string next = IncrementNumberText(number);
        // A number that wraps (999 -> 000) would start the series over again.
        if (next <= number) break;
        number = next;
    }
    SeriesJudge judge(pictures);
    SeriesFiles source{paths};
    {
        AddedInOrder frames(source, static_cast<int>(paths.size()), settings);
        for (int k = 0; k < static_cast<int>(paths.size()); ++k) {
            if (observer.stopRequested()) break;
            FrameRead read = frames.Add(k, pictures, observer, judge);
            if (auto* failure = std::get_if<std::string>(&read)) {
                // What was read so far stays a complete series.
                report.failure = std::move(*failure);
                break;
            }
            observer.paused();
        }
        observer.ending();
    }
    judge.judge(pictures);
    if (report.failure) return report;
    if (found > pictures.inputCount() && pictures.inputCount() >= settings.maxPictures)
        report.warnings.push_back(FramesLeftOutWarning(pictures.inputCount(), found));
    return report;
}

SeriesLoadReport LoadCaptureSeries(CaptureFile& capture, const SeriesSettings& settings, PictureSeries& pictures,
                                   LoadObserver& observer)
{
    SeriesLoadReport report;
    const int count = std::min(settings.maxPictures, capture.frameCount());
    // Preparation is pure and shared between two threads; the pictures are
    // still added, and the observer told, in frame order, on this thread.
    SeriesJudge judge(pictures);
    CaptureSource source{capture};
    {
        AddedInOrder frames(source, count, settings);
        for (int k = 0; k < count; ++k) {
            (void)frames.Add(k, pictures, observer, judge);
            observer.paused();
            if (observer.stopRequested()) break;
        }
        observer.ending();
    }
    judge.judge(pictures);
    for (std::string& warning : capture.TakeWarnings()) report.warnings.push_back(std::move(warning));
    if (capture.frameCount() > count)
        report.warnings.push_back(FramesLeftOutWarning(pictures.inputCount(), capture.frameCount()));
    return report;
}

}  // namespace quivane
