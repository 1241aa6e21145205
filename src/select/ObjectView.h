#pragma once

#include <vector>

#include "image/Bitmap.h"
#include "image/FrameRows.h"
#include "image/DeepFrame.h"
#include "prepare/FramePreparation.h"

namespace quivane {

// The luminance of a rectangle of a frame as floats on the 8-bit scale (a
// deep level divided by 257), rows top first. Floats keep a deep frame's
// levels apart, and one scale lets a grey frame, its 24-bit twin and its deep
// twin measure alike.
struct LumaPlane {
    int left = 0;  // where the rectangle lies in the frame
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<float> levels;

    float at(int x, int y) const
    {
        return levels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    bool empty() const { return levels.empty(); }
};

// What the selection stages read of a frame: a window around the object
// (clipped to the frame, never padded, so that no repeated border pixel
// counts as detail), the frame's outermost rows and columns, and the level
// above which preparation counted a pixel as the object.
struct ObjectView {
    LumaPlane window;
    std::vector<float> border;  // top row, bottom row, left column, right column
    float threshold = 24.0f;
    double centreX = 0.0;
    double centreY = 0.0;
    int frameWidth = 0;
    int frameHeight = 0;
};

// The survey with its centre moved to the frame's middle, where a full
// picture is cut: a surface that fills the frame has no centre worth
// following, and an 8-bit survey of one may put it on whichever few pixels
// are brightest, so that the window would wander over the field.
ObjectSurvey AtFrameMiddle(ObjectSurvey survey, int width, int height);

// 128 x 128 frame pixels hold a whole small planet, or enough of the middle
// of a large one or of the lunar surface to judge it, at a small fraction of
// the cost of a load of a large frame.
constexpr int ObjectWindowSide = 128;

ObjectView ViewObject(const ColourRows& frame, const ObjectSurvey& survey, int side = ObjectWindowSide);
ObjectView ViewObject(const GreyRows& frame, const ObjectSurvey& survey, int side = ObjectWindowSide);
// A deep frame of one channel is read as grey (a mosaic must be debayered first).
ObjectView ViewObject(const DeepFrame& frame, const ObjectSurvey& survey, int side = ObjectWindowSide);

}  // namespace quivane
