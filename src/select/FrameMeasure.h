#pragma once

#include "image/Bitmap.h"
#include "image/FrameRows.h"
#include "image/DeepFrame.h"
#include "prepare/FramePreparation.h"
#include "select/FrameFacts.h"
#include "select/ObjectView.h"

namespace quivane {

// What frame selection takes of one frame while it is loaded: how sharp its
// object is, and the facts the whole series is judged on once it is read.
struct FrameMeasure {
    double score = 0.0;
    FrameFacts facts;
};

// Measures a frame in the window around its object as `survey` (the one its
// picture was cut with) found it; for a whole frame (a full picture: a
// surface filling the frame) in the frame's middle, where the picture is cut.
// The same as MeasureView(MeasuredView(...)).
FrameMeasure MeasureFrame(const ColourRows& frame, const ObjectSurvey& survey, bool wholeFrame);
FrameMeasure MeasureFrame(const GreyRows& frame, const ObjectSurvey& survey, bool wholeFrame);
FrameMeasure MeasureFrame(const DeepFrame& frame, const ObjectSurvey& survey, bool wholeFrame);

// The two halves of it: what is read of the frame (quick; the view owns its
// levels, so the frame may go), and the measuring of that (the most of the
// work, which may run on another thread).
ObjectView MeasuredView(const ColourRows& frame, const ObjectSurvey& survey, bool wholeFrame);
ObjectView MeasuredView(const GreyRows& frame, const ObjectSurvey& survey, bool wholeFrame);
ObjectView MeasuredView(const DeepFrame& frame, const ObjectSurvey& survey, bool wholeFrame);
FrameMeasure MeasureView(const ObjectView& view);

}  // namespace quivane
