#include "select/FrameMeasure.h"

#include <gtest/gtest.h>

#include "select/ObjectView.h"
#include "select/SeriesMaterial.h"
#include "select/SharpnessScore.h"

namespace quivane {
namespace {

bool SameFacts(const FrameFacts& a, const FrameFacts& b)
{
    return a.level == b.level && a.spread == b.spread && a.objectShare == b.objectShare && a.centreX == b.centreX &&
           a.centreY == b.centreY && a.edgePixels == b.edgePixels && a.hash == b.hash && a.streak == b.streak;
}

// A load measures a frame as the selection stages were tested on it: the
// score and the facts of the window around the surveyed object.
TEST(MeasureFrame, IsTheScoreAndTheFactsOfTheObjectsWindow)
{
    ASSERT_FALSE(testing::SeeingFrames().empty());
    const Bitmap24& frame = testing::SeeingFrames()[7];
    const ObjectSurvey survey = SurveyObject(frame);
    const ObjectView view = ViewObject(frame, survey);
    const FrameMeasure measure = MeasureFrame(frame, survey, false);
    EXPECT_EQ(measure.score, SharpnessScore(view.window));
    EXPECT_TRUE(SameFacts(measure.facts, GatherFacts(view)));
    EXPECT_GT(measure.score, 0.0);
}

// A whole frame (a full picture) is measured in its middle, whatever the
// survey found; grey and deep frames as their 24-bit twins are.
TEST(MeasureFrame, WholeFrameLooksAtTheMiddle)
{
    const std::vector<Bitmap8> frames = testing::SerFrames<Bitmap8>("ser_trailer/moon_mono8_timestamps.ser");
    ASSERT_FALSE(frames.empty());
    const Bitmap8& grey = frames.front();
    const ObjectSurvey survey = SurveyObject(grey);
    const FrameMeasure whole = MeasureFrame(grey, survey, true);
    EXPECT_EQ(whole.facts.centreX, grey.width() / 2);
    EXPECT_EQ(whole.facts.centreY, grey.height() / 2);
    EXPECT_EQ(whole.score,
              SharpnessScore(ViewObject(grey, AtFrameMiddle(survey, grey.width(), grey.height())).window));

    Bitmap24 twin(grey.width(), grey.height());
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) twin.at(x, y) = ColourPixel{grey.at(x, y), grey.at(x, y), grey.at(x, y)};
    EXPECT_EQ(MeasureFrame(twin, SurveyObject(twin), true).score, whole.score);
    EXPECT_EQ(MeasureFrame(grey, survey, false).facts.centreX, survey.frame.centreX);
}

}  // namespace
}  // namespace quivane
