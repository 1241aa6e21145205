#pragma once

#include <cstdint>

#include "select/ObjectView.h"

namespace quivane {

// What JudgeFrames needs to know of one frame, gathered when it is prepared.
// Levels are on the 8-bit scale of ObjectView.
struct FrameFacts {
    double level = 0.0;       // mean level of the window: how bright the object came through
    double spread = 0.0;      // standard deviation of the window's levels: 0 when it is uniform
    double objectShare = 0.0; // part of the window above the object threshold, 0..1
    double centreX = 0.0;     // the object's centre in the frame, as surveyed
    double centreY = 0.0;
    int edgePixels = 0;       // outermost frame pixels above the threshold, in runs of two or more
    // Of the window's and the border's levels only: a capture repeats a frame
    // whole, and noise makes two real frames differ in the window already.
    std::uint64_t hash = 0;
    int streak = 0;           // places along the longest straight line of bright ridges in the window
};

FrameFacts GatherFacts(const ObjectView& view);
// The same with the window's PixelNoiseVariance already known.
FrameFacts GatherFacts(const ObjectView& view, double noiseVariance);

// The evidence of a straight bright line: how far, in one-pixel places, the
// window's strongest ridges (pixels well above the noise and brighter than
// their neighbours two pixels away on both sides) reach along the straight
// line (a pixel and a half either side) where they reach farthest, among
// the lines that hold most of them.
int StreakEvidence(const LumaPlane& window, double noiseVariance);

}  // namespace quivane
