#include "select/FrameMeasure.h"

#include "select/ObjectView.h"
#include "select/SharpnessScore.h"

namespace quivane {
namespace {

int WidthOf(const Bitmap24& f) { return f.width(); }
int WidthOf(const Bitmap8& f) { return f.width(); }
int WidthOf(const DeepFrame& f) { return f.width; }
int HeightOf(const Bitmap24& f) { return f.height(); }
int HeightOf(const Bitmap8& f) { return f.height(); }
int HeightOf(const DeepFrame& f) { return f.height; }

template <class Frame>
FrameMeasure Measure(const Frame& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    const ObjectView view =
        ViewObject(frame, wholeFrame ? AtFrameMiddle(survey, WidthOf(frame), HeightOf(frame)) : survey);
    return {SharpnessScore(view.window), GatherFacts(view)};
}

}  // namespace

FrameMeasure MeasureFrame(const Bitmap24& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return Measure(frame, survey, wholeFrame);
}

FrameMeasure MeasureFrame(const Bitmap8& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return Measure(frame, survey, wholeFrame);
}

FrameMeasure MeasureFrame(const DeepFrame& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return Measure(frame, survey, wholeFrame);
}

}  // namespace quivane
