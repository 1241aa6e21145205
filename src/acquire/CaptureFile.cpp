#include "acquire/CaptureFile.h"

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

std::optional<CaptureFrame> CaptureFile::ReadFrame(int k)
{
    if (!source_) return std::nullopt;
    if (auto* ser = std::get_if<SerFile>(&source_->reader)) {
        auto frame = ser->ReadFrame(k);
        if (auto* deep = std::get_if<DeepFrame>(&frame)) return CaptureFrame{std::move(*deep)};
        return std::nullopt;
    }
    VideoSource& video = std::get<VideoSource>(source_->reader);
    video.Seek(k);
    if (auto frame = video.ReadFrame()) return CaptureFrame{std::move(*frame)};
    return std::nullopt;
}

}  // namespace quivane
