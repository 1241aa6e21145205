#include "acquire/CaptureFile.h"

#include <algorithm>
#include <cstring>

#include "acquire/BmpReader.h"
#include "acquire/SerFile.h"
#include "acquire/VideoSource.h"
#include "files/FileBytes.h"
#include "files/FileHandle.h"

namespace quivane {
namespace {

bool StartsLikeSer(const std::string& path)
{
    const FileHandle file = OpenFile(path, "rb");
    char magic[14] = {};
    return file && std::fread(magic, 1, sizeof magic, file.get()) == sizeof magic &&
           std::memcmp(magic, "LUCAM-RECORDER", sizeof magic) == 0;
}

// Frames listed by number in a warning; more are only counted.
constexpr std::size_t ListedFrames = 8;

// "5, 9 and 12", 0-based numbers given.
std::string FrameList(const std::vector<int>& frames, bool more)
{
    std::string list;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const bool last = i + 1 == frames.size();
        if (i > 0) list += last && !more ? " and " : ", ";
        list += std::to_string(frames[i] + 1);
    }
    return more ? list + ", ..." : list;
}

}  // namespace

struct CaptureFile::Source {
    std::variant<SerFile, VideoSource> reader;
};

CaptureFile::CaptureFile() = default;
CaptureFile::~CaptureFile() = default;
CaptureFile::CaptureFile(CaptureFile&&) noexcept = default;
CaptureFile& CaptureFile::operator=(CaptureFile&&) noexcept = default;

std::variant<CaptureFile, std::string> CaptureFile::Open(const std::string& path)
{
    // A FIFO or a device would block the reader for ever.
    const auto checked = CheckReadableFile(path);
    if (const auto* problem = std::get_if<FileProblem>(&checked)) return problem->reason;
    CaptureFile capture;
    if (StartsLikeSer(path)) {
        auto ser = SerFile::Open(path, MaxFrameSide);
        if (auto* problem = std::get_if<std::string>(&ser)) return *problem;
        SerFile& file = std::get<SerFile>(ser);
        capture.frameCount_ = file.layout().frames;
        capture.note_ = file.note();
        capture.source_ = std::make_unique<Source>(Source{std::move(file)});
        return capture;
    }
    std::string message;
    const int count = VideoSource::VideoFrameCount(path, message);
    if (count <= 0) return message.empty() ? std::string("it holds no frame") : message;
    VideoSource video;
    if (!video.Open(path)) return video.LastError();
    capture.frameCount_ = count;
    capture.note_ = message;
    capture.source_ = std::make_unique<Source>(Source{std::move(video)});
    return capture;
}

bool CaptureFile::ReadFrame(int k, CaptureFrame& frame) { return Read(k, frame, false); }

bool CaptureFile::ReadFrameInPlace(int k, CaptureFrame& frame) { return Read(k, frame, true); }

bool CaptureFile::Read(int k, CaptureFrame& frame, bool inPlace)
{
    if (!source_) return false;
    if (auto* ser = std::get_if<SerFile>(&source_->reader)) {
        if (ser->IsEightBitGrey()) {
            if (!std::holds_alternative<Bitmap8>(frame)) frame = Bitmap8();
            if (ser->ReadGrey(k, std::get<Bitmap8>(frame))) return true;
            NoteLeftOut(k, "cannot be read");
            return false;
        }
        auto read = ser->ReadFrame(k);
        if (auto* deep = std::get_if<DeepFrame>(&read)) {
            frame = std::move(*deep);
            return true;
        }
        NoteLeftOut(k, "cannot be read (" + std::get<std::string>(read) + ")");
        return false;
    }
    VideoSource& video = std::get<VideoSource>(source_->reader);
    video.Seek(k);
    // The frame's storage goes to the reader and comes back with the frame.
    VideoFrame read;
    if (auto* bitmap = std::get_if<Bitmap24>(&frame)) read = std::move(*bitmap);
    const bool got = inPlace ? video.ReadVideoFrameInPlace(read) : video.ReadVideoFrame(read);
    std::visit([&](auto& f) { frame = std::move(f); }, read);
    if (got) return true;
    switch (video.LastMiss()) {
    case VideoSource::Miss::Undecodable:
        NoteLeftOut(k, "cannot be decoded");
        break;
    case VideoSource::Miss::Unshowable:
        NoteLeftOut(k, "cannot be used (" + video.LastProblem() + ")");
        break;
    case VideoSource::Miss::PastEnd:
        if (k < frameCount_ && (dataEnd_ < 0 || k < dataEnd_)) dataEnd_ = k;
        break;
    case VideoSource::Miss::None:
    case VideoSource::Miss::NotHeld:
        break;
    }
    return false;
}

void CaptureFile::NoteLeftOut(int k, const std::string& reason)
{
    auto kind = std::find_if(leftOut_.begin(), leftOut_.end(), [&](const LeftOut& l) { return l.reason == reason; });
    if (kind == leftOut_.end()) kind = leftOut_.insert(leftOut_.end(), LeftOut{reason, 0, {}});
    ++kind->count;
    if (kind->first.size() < ListedFrames) kind->first.push_back(k);
}

std::vector<std::string> CaptureFile::TakeWarnings()
{
    std::vector<std::string> warnings;
    const std::string ofAll = " of " + std::to_string(frameCount_);
    for (const LeftOut& kind : leftOut_) {
        const bool more = kind.count > static_cast<int>(kind.first.size());
        if (kind.count == 1) {
            warnings.push_back("frame " + FrameList(kind.first, false) + ofAll + " " + kind.reason +
                               " and was left out");
        } else if (!more) {
            warnings.push_back("frames " + FrameList(kind.first, false) + ofAll + " " + kind.reason +
                               " and were left out");
        } else {
            warnings.push_back(std::to_string(kind.count) + " frames" + ofAll + " " + kind.reason +
                               " and were left out: " + FrameList(kind.first, true));
        }
    }
    if (dataEnd_ >= 0) {
        warnings.push_back("the data ends after frame " + std::to_string(dataEnd_) + ofAll +
                           ": the capture was probably cut short");
    }
    leftOut_.clear();
    dataEnd_ = -1;
    return warnings;
}

}  // namespace quivane
