#pragma once

namespace quivane {

// Why a frame is no use to a stack; frame selection (select/) finds it, and
// a picture keeps the one its frame was found with.
enum class FrameFault {
    None,
    Clipped,   // the object touches or leaves the frame's edge
    Repeated,  // the same as the frame before it
    Dim,       // much fainter than the series: cloud
    Jump,      // the object far off the track of the series
    Black,     // no object, or a frame of nearly one level
    Streak,    // a straight bright line crosses the object: a satellite or a plane
};

}  // namespace quivane
