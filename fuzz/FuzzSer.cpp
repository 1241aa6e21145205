// Any bytes, read as a SER capture: the header checked against the file's
// size, every frame the file holds decoded (the byte order decided from the
// data) and looked at sample by sample, and the timestamps read.
#include <cstdint>
#include <variant>

#include "InputFile.h"
#include "acquire/BmpReader.h"
#include "acquire/SerFile.h"

namespace {

constexpr int FramesRead = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto opened = quivane::SerFile::Open(quivane::fuzz::InputFile(data, size), quivane::MaxFrameSide);
    auto* ser = std::get_if<quivane::SerFile>(&opened);
    if (!ser) return 0;
    unsigned sum = 0;
    for (int k = 0; k < FramesRead && k < ser->layout().frames; ++k) {
        const auto frame = ser->ReadFrame(k);
        if (const auto* deep = std::get_if<quivane::DeepFrame>(&frame)) {
            // Every sample must be there: a short buffer shows here.
            if (deep->samples.size() != static_cast<std::size_t>(deep->width) * deep->height * deep->channels)
                __builtin_trap();
            for (const std::uint16_t v : deep->samples) sum += v;
        }
        if (const auto stamp = ser->Timestamp(k)) sum += static_cast<unsigned>(*stamp);
    }
    __asm__ volatile("" : : "r"(sum));
    return 0;
}
