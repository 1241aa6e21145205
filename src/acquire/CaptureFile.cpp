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

bool CaptureFile::ReadFrame(int k, CaptureFrame& frame)
{
    if (!source_) return false;
    if (auto* ser = std::get_if<SerFile>(&source_->reader)) {
        if (ser->IsEightBitGrey()) {
            if (!std::holds_alternative<Bitmap8>(frame)) frame = Bitmap8();
            return ser->ReadGrey(k, std::get<Bitmap8>(frame));
        }
        auto read = ser->ReadFrame(k);
        if (auto* deep = std::get_if<DeepFrame>(&read)) {
            frame = std::move(*deep);
            return true;
        }
        return false;
    }
    VideoSource& video = std::get<VideoSource>(source_->reader);
    video.Seek(k);
    if (auto read = video.ReadFrame()) {
        frame = std::move(*read);
        return true;
    }
    return false;
}

}  // namespace quivane
