#pragma once

#include <string_view>
#include <vector>

#include "image/FrameFault.h"
#include "select/FrameFacts.h"

namespace quivane {

// "-" for a good frame, else the fault in one lower-case word.
std::string_view FaultWord(FrameFault fault);

// What the fault means, in a few words for a person ("the same as the frame
// before"); empty for a good frame.
std::string_view FaultExplanation(FrameFault fault);

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
