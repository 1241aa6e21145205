// Any bytes, read as a video file the way the loader reads one: counted,
// opened, and its first frames decoded, at 8 bits or deep as the file holds
// them, and looked at sample by sample, so that a frame whose buffer is
// shorter than its stated size is caught where it is read.
#include <cstdint>
#include <variant>

#include "InputFile.h"
#include "acquire/VideoSource.h"

namespace {

// Enough frames to pass the first key frame and reach frames that refer to
// others, few enough to keep each input fast.
constexpr int FramesRead = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quivane::VideoSource;
    static const bool silenced = (VideoSource::SilenceDecoderMessages(), true);
    (void)silenced;

    const std::string& path = quivane::fuzz::InputFile(data, size);
    std::string message;
    VideoSource::VideoFrameCount(path, message);

    VideoSource video;
    if (!video.Open(path)) return 0;
    unsigned sum = 0;
    // One step back at the end, as browsing does: going back reopens the file.
    for (int step = 0; step <= FramesRead; ++step) {
        video.Seek(step < FramesRead ? step : 1);
        const auto frame = video.ReadVideoFrame();
        if (!frame) continue;
        if (const auto* bitmap = std::get_if<quivane::Bitmap24>(&*frame)) {
            for (int y = 0; y < bitmap->height(); ++y) {
                const quivane::ColourPixel* row = bitmap->row(y);
                for (int x = 0; x < bitmap->width(); ++x) sum += row[x].blue + row[x].green + row[x].red;
            }
        } else {
            for (const std::uint16_t sample : std::get<quivane::DeepFrame>(*frame).samples) sum += sample;
        }
    }
    // Handed to an empty asm statement, so the reads cannot be optimised away.
    __asm__ volatile("" : : "r"(sum));
    return 0;
}
