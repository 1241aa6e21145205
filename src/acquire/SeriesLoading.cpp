#include "acquire/SeriesLoading.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <variant>

#include "acquire/BmpReader.h"
#include "acquire/VideoSource.h"
#include "files/FileNames.h"
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
    if (pictures.empty()) AddPreparedFrame(pictures, 0, frame, settings, observer);
    const int index = InputCount(pictures) + 1;
    AddPreparedFrame(pictures, index, frame, settings, observer);
    observer.counted(index);
}

std::optional<std::string> LoadBitmapSeries(const std::string& folder, const SequenceNames& names,
                                            const std::string& extension, const SeriesSettings& settings,
                                            PictureList& pictures, LoadObserver& observer)
{
    std::string number = names.numberText;
    std::string name = names.prefix + number + extension;
    const auto files = FilesByUpperCaseName(folder);
    while (!observer.stopRequested() && name <= names.last && InputCount(pictures) <= settings.maxPictures) {
        if (const auto file = files.find(name); file != files.end()) {
            auto frame = ReadBmp(folder + file->second);
            if (auto* failure = std::get_if<ReadFailure>(&frame)) return failure->message;
            AddSeriesFrame(pictures, std::get<Bitmap24>(frame), settings, observer);
        }
        observer.paused();
        const std::string next = IncrementNumberText(number);
        // A number that wraps (999 -> 000) would start the series over again.
        if (next <= number) break;
        number = next;
        name = names.prefix + number + extension;
    }
    return std::nullopt;
}

std::optional<std::string> LoadVideoSeries(const std::string& path, int frameCount, const SeriesSettings& settings,
                                           PictureList& pictures, LoadObserver& observer)
{
    VideoSource video;
    if (!video.Open(path)) return video.LastError();
    const int frames = std::min(settings.maxPictures, frameCount);
    for (int k = 0; k < frames; ++k) {
        video.Seek(k);
        if (const auto frame = video.ReadFrame()) AddSeriesFrame(pictures, *frame, settings, observer);
        observer.paused();
        if (observer.stopRequested()) break;
    }
    video.Close();
    return std::nullopt;
}

}  // namespace quivane
