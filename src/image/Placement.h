#pragma once

namespace quivane {

// How a picture of `sourceSize` pixels is placed along one axis of a target
// of `targetSize`: all of it centred when the target is at least as large,
// else a window of the target's size starting at `requestedStart` (or in the
// middle when that is negative). Rendering and the alignment score share it.
struct Placement {
    int offset;  // first target pixel
    int start;   // first source pixel
    int count;
};

constexpr Placement PlaceAxis(int sourceSize, int targetSize, int requestedStart)
{
    if (targetSize >= sourceSize) return Placement{(targetSize - sourceSize) / 2, 0, sourceSize};
    return Placement{0, requestedStart < 0 ? (sourceSize - targetSize) / 2 : requestedStart, targetSize};
}

}  // namespace quivane
