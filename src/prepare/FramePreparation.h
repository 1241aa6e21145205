#pragma once

#include "image/Bitmap.h"
#include "image/FrameRows.h"
#include "image/DeepFrame.h"
#include "image/Picture.h"
#include "image/PixelHelpers.h"

namespace quivane {

// The luminance above which a pixel counts towards the object's centre: 24
// levels above the point where the sky background's histogram has fallen to
// a quarter of its peak. 24..224.
int ObjectThreshold(const Histogram& histogram);

// The frame's luminance range and the centre of every pixel brighter than
// the threshold, each weighted by its own luminance; (0, 0) when none is.
struct FrameSurvey {
    int minimum = 255;
    int maximum = 0;
    double centreX = 0.0;
    double centreY = 0.0;
};
FrameSurvey SurveyFrame(const ColourRows& frame, int threshold);

// The threshold and survey BuildPicture finds the object with, for stages
// that measure the frame around the object. A deep frame's threshold is on
// its luminance range stretched onto 0..255, its minimum and maximum at full
// depth (0..65535).
struct ObjectSurvey {
    int threshold = 24;
    FrameSurvey frame;
};
ObjectSurvey SurveyObject(const ColourRows& frame);
ObjectSurvey SurveyObject(const GreyRows& frame);
ObjectSurvey SurveyObject(const DeepFrame& frame);

// Fills `picture` (whose Enlargement and FullPicture are set) from a 24-bit
// frame: finds the object as the luminance-weighted centre of everything
// above the sky, cuts out the working size divided by the enlargement around
// it, stretches its contrast to the frame's luminance range, enlarges it to
// width x height and packs every pixel. Returns the survey it cut with, the
// one SurveyObject gives of the frame, so that a stage measuring the frame
// around its object needs no second pass over the frame.
ObjectSurvey BuildPicture(Picture& picture, const ColourRows& frame, int width, int height);
// The same from a grey frame, to the same picture as its 24-bit twin.
ObjectSurvey BuildPicture(Picture& picture, const GreyRows& frame, int width, int height);
// The same from a deep frame (grey or colour, never a mosaic): the stretch
// works on the full depth, so levels an 8-bit frame would merge stay apart.
ObjectSurvey BuildPicture(Picture& picture, const DeepFrame& frame, int width, int height);

// A picture built from a frame, with fresh alignment state.
Picture PictureOf(const Bitmap24& frame, int enlargement, bool fullPicture, int width, int height);
Picture PictureOf(const DeepFrame& frame, int enlargement, bool fullPicture, int width, int height);
Picture PictureOf(const Bitmap8& frame, int enlargement, bool fullPicture, int width, int height);

}  // namespace quivane
