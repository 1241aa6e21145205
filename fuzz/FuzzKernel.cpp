// Fuzz entry: any bytes as a kernel bitmap, loaded the way the kernel
// buttons load one.
#include <cstddef>
#include <cstdint>
#include <variant>

#include "acquire/BmpDecoder.h"
#include "acquire/BmpReader.h"
#include "enhance/Kernel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto decoded = quivane::DecodeBmp(data, size, quivane::MaxFrameSide);
    if (const auto* picture = std::get_if<quivane::Bitmap24>(&decoded)) {
        quivane::KernelSlots slots = quivane::DefaultKernelSlots();
        (void)quivane::LoadPSF(*picture, quivane::ConvolutionKernel, slots);
    }
    return 0;
}
