#pragma once

namespace quivane {

// The memory the loaded pictures may take: 48 MiB unless the user gives more,
// up to what the machine has.
constexpr int DefaultPictureMemoryMiB = 48;

// The machine's physical memory in MiB (at least the default).
int MachineMemoryMiB();

// The number of 4-byte-per-pixel pictures of this size that fit into the
// picture memory.
int ComputeMaxPictures(int width, int height, int memoryMiB = DefaultPictureMemoryMiB);

}  // namespace quivane
