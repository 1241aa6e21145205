#include "select/FrameMeasure.h"

#include <utility>

#include "select/ObjectView.h"
#include "select/PixelNoise.h"
#include "select/SharpnessScore.h"

namespace quivane {
namespace {

int WidthOf(const ColourRows& f) { return f.width(); }
int WidthOf(const GreyRows& f) { return f.width(); }
int WidthOf(const DeepFrame& f) { return f.width; }
int HeightOf(const ColourRows& f) { return f.height(); }
int HeightOf(const GreyRows& f) { return f.height(); }
int HeightOf(const DeepFrame& f) { return f.height; }

template <class Frame>
ObjectView View(const Frame& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return ViewObject(frame, wholeFrame ? AtFrameMiddle(survey, WidthOf(frame), HeightOf(frame)) : survey);
}

}  // namespace

ObjectView MeasuredView(const ColourRows& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return View(frame, survey, wholeFrame);
}

ObjectView MeasuredView(const GreyRows& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return View(frame, survey, wholeFrame);
}

ObjectView MeasuredView(const DeepFrame& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return View(frame, survey, wholeFrame);
}

FrameMeasure MeasureView(const ObjectView& view)
{
    // Both measures allow for the noise and read the mean level; each is
    // worked out once.
    const double noise = PixelNoiseVariance(view.window);
    FrameFacts facts = GatherFacts(view, noise);
    const double score = SharpnessScore(view.window, noise, facts.level);
    return {score, std::move(facts)};
}

FrameMeasure MeasureFrame(const ColourRows& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return MeasureView(View(frame, survey, wholeFrame));
}

FrameMeasure MeasureFrame(const GreyRows& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return MeasureView(View(frame, survey, wholeFrame));
}

FrameMeasure MeasureFrame(const DeepFrame& frame, const ObjectSurvey& survey, bool wholeFrame)
{
    return MeasureView(View(frame, survey, wholeFrame));
}

}  // namespace quivane
