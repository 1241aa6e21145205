// Feeds arbitrary bytes to the picture reader as a file. Every sample of a
// frame it accepts is summed and the sum tested, so that a memory sanitizer
// reports any sample that was never written.
#include <sys/mman.h>
#include <unistd.h>

#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "acquire/PictureFile.h"

namespace {

// One file for the whole run, kept in memory and rewritten for every input:
// the reader takes a path, and a fresh file per input would only add disk
// traffic.
int InputFile()
{
    static const int fd = [] {
        const int created = ::memfd_create("quivane_fuzz_picture", MFD_CLOEXEC);
        if (created < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return created;
    }();
    return fd;
}

void Replace(int fd, const std::uint8_t* data, std::size_t size)
{
    if (::ftruncate(fd, 0) != 0) std::abort();
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::pwrite(fd, data + written, size - written, static_cast<off_t>(written));
        if (n <= 0) std::abort();
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The decoders' complaints about damaged input would drown the fuzzer's own output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = InputFile();
    Replace(fd, data, size);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);

    const auto read = quivane::ReadPictureFile(path);
    const auto* frame = std::get_if<quivane::DeepFrame>(&read);
    if (!frame) {
        // A refusal must say which file it refuses.
        if (std::get<quivane::ReadFailure>(read).message.find(path) == std::string::npos) std::abort();
        return 0;
    }
    const bool shaped =
        frame->width > 0 && frame->height > 0 && frame->width <= quivane::MaxFrameSide &&
        frame->height <= quivane::MaxFrameSide && (frame->channels == 1 || frame->channels == 3) && frame->bits >= 8 &&
        frame->bits <= 16 &&
        frame->samples.size() == static_cast<std::size_t>(frame->width) * frame->height * frame->channels;
    if (!shaped) std::abort();
    std::uint64_t sum = 0;
    for (std::uint16_t sample : frame->samples) sum += sample;
    if (sum > frame->samples.size() * std::uint64_t{65535}) std::abort();
    volatile std::uint64_t sink = sum;
    static_cast<void>(sink);
    return 0;
}
