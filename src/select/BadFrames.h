#pragma once

#include <string_view>
#include <vector>

#include "select/FrameFacts.h"

namespace quivane {

// Why a frame is no use to a stack.
enum class FrameFault {
    None,
    Clipped,   // the object touches or leaves the frame's edge
    Repeated,  // the same as the frame before it
    Dim,       // much fainter than the series: cloud
    Jump,      // the object far off the track of the series
    Black,     // no object, or a frame of nearly one level
    Streak,    // a straight bright line crosses the object: a satellite or a plane
};

// "-" for a good frame, else the fault in one lower-case word.
std::string_view FaultWord(FrameFault fault);

struct FrameVerdict {
    FrameFault reason = FrameFault::None;
    bool bad() const { return reason != FrameFault::None; }
};

// One verdict a frame, in order. A frame takes the first fault it shows of
// black, repeated, clipped, dim, streak and jump: the faults that make the
// later measures meaningless come first (a clipped object's centre jumps
// too), and the series figures that dim, streak and jump are judged against
// are taken over the frames not already found bad.
std::vector<FrameVerdict> JudgeFrames(const std::vector<FrameFacts>& facts);

}  // namespace quivane
