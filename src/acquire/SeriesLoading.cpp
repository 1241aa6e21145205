#include "acquire/SeriesLoading.h"

#include <algorithm>
#include <array>
#include <future>
#include <optional>
#include <filesystem>
#include <map>
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
// or for a deep or debayered frame its 24-bit rendition), and the facts its
// series is judged on when the load scores.
struct PreparedFrame {
    Picture picture;
    Bitmap24 shown;
    std::optional<FrameFacts> facts;
};

// A picture and what was measured of its frame.
struct MadePicture {
    Picture picture;
    std::optional<FrameFacts> facts;
};

Picture NewPicture(const SeriesSettings& s)
{
    Picture picture;
    picture.enlargement = s.enlargement;
    picture.fullPicture = s.fullPicture;
    return picture;
}

// Builds the picture from the frame as it stands (unless only scores are
// asked for) and measures the frame around the object the building found.
template <class Frame>
MadePicture Made(const Frame& frame, const SeriesSettings& s)
{
    MadePicture made{NewPicture(s), std::nullopt};
    const ObjectSurvey survey = s.work == SeriesWork::ScoresOnly
                                    ? SurveyObject(frame)
                                    : BuildPicture(made.picture, frame, s.width, s.height);
    if (s.work == SeriesWork::Pictures) return made;
    const FrameMeasure measure = MeasureFrame(frame, survey, s.fullPicture);
    made.picture.sharpness = measure.score;
    made.facts = measure.facts;
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
    return {std::move(picture.picture), std::move(eight), std::move(picture.facts)};
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
        return {std::move(made.picture), {}, std::move(made.facts)};
    }
    if (const auto* grey = std::get_if<const Bitmap8*>(&frame)) {
        if (named != Mosaic::None || s.correction.flags != 0 || s.correction.deepFiles)
            return PrepareDeep(OneChannel(**grey, named), s);
        MadePicture made = Made(**grey, s);
        return {std::move(made.picture), {}, std::move(made.facts)};
    }
    return PrepareDeep(*std::get<const DeepFrame*>(frame), s);
}

// The facts of the frames a load adds, from its first input picture on, and
// the judgement of the series once it is read.
class SeriesJudge {
public:
    explicit SeriesJudge(const PictureList& pictures) : first_(InputCount(pictures) + 1) {}

    void add(const std::optional<FrameFacts>& facts)
    {
        if (facts) facts_.push_back(*facts);
        else complete_ = false;
    }

    // Every input picture the load added takes its frame's fault, when every
    // one was measured.
    void judge(PictureList& pictures) const
    {
        if (!complete_ || facts_.empty()) return;
        if (static_cast<std::size_t>(first_) + facts_.size() > pictures.size()) return;
        const std::vector<FrameVerdict> verdicts = JudgeFrames(facts_);
        for (std::size_t k = 0; k < verdicts.size(); ++k)
            pictures[static_cast<std::size_t>(first_) + k].fault = verdicts[k].reason;
    }

private:
    int first_;
    std::vector<FrameFacts> facts_;
    bool complete_ = true;
};

// Adds the prepared frame as the result and the first input when the list is
// empty, else as the next input, telling the observer as it goes.
void AppendPrepared(PictureList& pictures, FrameRef frame, PreparedFrame&& prepared, LoadObserver& observer,
                    SeriesJudge* judge = nullptr)
{
    if (judge) judge->add(prepared.facts);
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
    SeriesJudge judge(pictures);
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
                    judge.judge(pictures);
                    return report;
                }
                if (auto* bitmap = std::get_if<Bitmap24>(&frame))
                    AppendPrepared(pictures, bitmap, PrepareFrame(bitmap, settings), observer, &judge);
                if (auto* deep = std::get_if<DeepFrame>(&frame))
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
    const int frames = std::min(settings.maxPictures, capture.frameCount());
    // Frames are read two at a time and the second is prepared on another
    // thread while this one prepares the first: preparation is pure, and the
    // pictures are still added, and the observer told, in frame order.
    std::array<CaptureFrame, 2> read;
    SeriesJudge judge(pictures);
    bool stopped = false;
    for (int k = 0; k < frames && !stopped; k += 2) {
        const bool first = capture.ReadFrame(k, read[0]);
        const bool second = k + 1 < frames && capture.ReadFrame(k + 1, read[1]);
        std::future<PreparedFrame> other;
        if (second) other = std::async(std::launch::async, [&] { return PrepareFrame(RefOf(read[1]), settings); });
        std::optional<PreparedFrame> mine;
        if (first) mine = PrepareFrame(RefOf(read[0]), settings);
        std::optional<PreparedFrame> theirs;
        if (second) theirs = other.get();

        for (int j = 0; j < 2 && k + j < frames && !stopped; ++j) {
            std::optional<PreparedFrame>& prepared = j == 0 ? mine : theirs;
            if (prepared)
                AppendPrepared(pictures, RefOf(read[static_cast<std::size_t>(j)]), std::move(*prepared), observer, &judge);
            observer.paused();
            stopped = observer.stopRequested();
        }
    }
    judge.judge(pictures);
    for (std::string& warning : capture.TakeWarnings()) report.warnings.push_back(std::move(warning));
    if (capture.frameCount() > frames)
        report.warnings.push_back(FramesLeftOutWarning(InputCount(pictures), capture.frameCount()));
    return report;
}

}  // namespace quivane
