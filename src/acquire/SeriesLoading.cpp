#include "acquire/SeriesLoading.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <variant>

#include "acquire/BmpReader.h"
#include "files/FileNames.h"
#include "image/DeepConversion.h"
#include "prepare/FramePreparation.h"

namespace quivane {
namespace {

int InputCount(const PictureList& pictures) { return pictures.empty() ? 0 : static_cast<int>(pictures.size()) - 1; }

void AddPreparedFrame(PictureList& pictures, int index, const Bitmap24& frame, const SeriesSettings& s,
                      LoadObserver& observer)
{
    observer.preparing(index, frame);
    if (s.correction.flags == 0) {
        AddPicture(pictures, frame, s.enlargement, s.fullPicture, s.width, s.height);
    } else {
        // The frame as read stays untouched, so it can be prepared again.
        Bitmap24 corrected = frame;
        CorrectFrame(s.correction, corrected);
        AddPicture(pictures, corrected, s.enlargement, s.fullPicture, s.width, s.height);
    }
    observer.prepared(index, frame, pictures.back());
}

void AddPreparedFrame(PictureList& pictures, int index, const DeepFrame& colour, const Bitmap24& shown,
                      const SeriesSettings& s, LoadObserver& observer)
{
    observer.preparing(index, shown);
    if (s.correction.flags == 0) {
        AddPicture(pictures, colour, s.enlargement, s.fullPicture, s.width, s.height);
    } else {
        DeepFrame corrected = colour;
        CorrectFrame(s.correction, corrected);
        AddPicture(pictures, corrected, s.enlargement, s.fullPicture, s.width, s.height);
    }
    observer.prepared(index, shown, pictures.back());
}

// Adds the frame as the result and the first input when the list is empty,
// else as the next input.
template <class AddAt>
void AddInOrder(PictureList& pictures, LoadObserver& observer, AddAt addAt)
{
    if (pictures.empty()) addAt(0);
    const int index = InputCount(pictures) + 1;
    addAt(index);
    observer.counted(index);
}

// A frame read as 24 bits at its own depth: a grey one as the one-channel
// mosaic it holds when a pattern is named, else as colour.
DeepFrame GreyMosaicOrColour(const Bitmap24& frame, Mosaic mosaic)
{
    if (mosaic == Mosaic::None) return ToDeepFrame(frame);
    DeepFrame out(frame.width(), frame.height(), 1);
    out.mosaic = mosaic;
    for (int y = 0; y < frame.height(); ++y) {
        const ColourPixel* in = frame.row(y);
        std::uint16_t* row = out.row(y);
        for (int x = 0; x < frame.width(); ++x) row[x] = static_cast<std::uint16_t>(in[x].green * 257);
    }
    return out;
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
    // A video that does not say it holds a mosaic (a grey AVI) is read with
    // the pattern the user names.
    const Mosaic mosaic = ChosenMosaic(settings.bayer, Mosaic::None);
    if (mosaic != Mosaic::None || settings.correction.deepFiles) {
        AddSeriesFrame(pictures, GreyMosaicOrColour(frame, mosaic), settings, observer);
        return;
    }
    AddInOrder(pictures, observer, [&](int i) { AddPreparedFrame(pictures, i, frame, settings, observer); });
}

void AddSeriesFrame(PictureList& pictures, const DeepFrame& frame, const SeriesSettings& settings,
                    LoadObserver& observer)
{
    const Mosaic mosaic = frame.channels == 1 ? ChosenMosaic(settings.bayer, frame.mosaic) : Mosaic::None;
    const DeepFrame colour = mosaic != Mosaic::None ? Debayer(frame, mosaic) : ToColour(frame);
    const Bitmap24 eight = ToBitmap24(colour);
    if (!NeedsDeepPath(colour) && !settings.correction.deepFiles) {
        AddInOrder(pictures, observer, [&](int i) { AddPreparedFrame(pictures, i, eight, settings, observer); });
        return;
    }
    AddInOrder(pictures, observer,
               [&](int i) { AddPreparedFrame(pictures, i, colour, eight, settings, observer); });
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
                auto frame = ReadBmp(folder + file->second);
                if (auto* failure = std::get_if<ReadFailure>(&frame)) {
                    report.failure = failure->message;
                    return report;
                }
                AddSeriesFrame(pictures, std::get<Bitmap24>(frame), settings, observer);
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
    for (int k = 0; k < frames; ++k) {
        if (const auto frame = capture.ReadFrame(k)) {
            std::visit([&](const auto& f) { AddSeriesFrame(pictures, f, settings, observer); }, *frame);
        }
        observer.paused();
        if (observer.stopRequested()) break;
    }
    for (std::string& warning : capture.TakeWarnings()) report.warnings.push_back(std::move(warning));
    if (capture.frameCount() > frames)
        report.warnings.push_back(FramesLeftOutWarning(InputCount(pictures), capture.frameCount()));
    return report;
}

}  // namespace quivane
