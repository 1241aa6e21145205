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

// A load frees and asks again for frame-sized buffers at every frame (the
// decoder's packets among them). By default the C library hands memory of
// that size back to the system at once and gets it again page by page, a
// fault per page; this keeps freed memory in the process for reuse, up to a
// bound. Called once, at the start of a program.
void KeepFreedFrameMemory();

}  // namespace quivane
