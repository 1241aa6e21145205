#include "image/PictureMemory.h"

#include <algorithm>
#include <cstdint>
#include <malloc.h>
#include <unistd.h>

namespace quivane {

int MachineMemoryMiB()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return DefaultPictureMemoryMiB;
    const std::int64_t mib = static_cast<std::int64_t>(pages) * pageSize / (1 << 20);
    return static_cast<int>(std::clamp<std::int64_t>(mib, DefaultPictureMemoryMiB, 1 << 30));
}

int ComputeMaxPictures(int width, int height, int memoryMiB)
{
    const std::int64_t bytesPerPicture = std::max<std::int64_t>(1, std::int64_t{width} * height * 4);
    const std::int64_t budget = std::int64_t{memoryMiB} << 20;
    return static_cast<int>(std::min<std::int64_t>(budget / bytesPerPicture, 1 << 30));
}

void KeepFreedFrameMemory()
{
    // Blocks up to 64 MiB come from the heap rather than their own mapping,
    // and up to 256 MiB of free heap stay with the process.
    ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace quivane
