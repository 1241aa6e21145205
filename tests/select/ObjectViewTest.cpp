#include "select/ObjectView.h"

#include <gtest/gtest.h>

namespace quivane {
namespace {

Bitmap8 Gradient(int width, int height)
{
    Bitmap8 frame(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) frame.at(x, y) = static_cast<std::uint8_t>((3 * x + 7 * y) % 256);
    return frame;
}

ObjectSurvey At(double x, double y)
{
    ObjectSurvey survey;
    survey.frame = {0, 255, x, y};
    return survey;
}

TEST(ObjectView, WindowIsCentredAndKeptInsideTheFrame)
{
    const struct {
        const char* name;
        int frameWidth, frameHeight;
        double centreX, centreY;
        int left, top, width, height;
    } cases[] = {
        {"middle, rounded", 300, 200, 150.6, 99.4, 119, 67, 64, 64},
        {"top-left corner", 300, 200, 3.0, 2.0, 0, 0, 64, 64},
        {"bottom-right corner", 300, 200, 299.0, 199.0, 236, 136, 64, 64},
        {"frame narrower than the window", 40, 200, 20.0, 100.0, 0, 68, 40, 64},
        {"frame smaller both ways", 30, 20, 15.0, 10.0, 0, 0, 30, 20},
    };
    for (const auto& c : cases) {
        const Bitmap8 frame = Gradient(c.frameWidth, c.frameHeight);
        const ObjectView view = ViewObject(frame, At(c.centreX, c.centreY), 64);
        EXPECT_EQ(view.window.left, c.left) << c.name;
        EXPECT_EQ(view.window.top, c.top) << c.name;
        ASSERT_EQ(view.window.width, c.width) << c.name;
        ASSERT_EQ(view.window.height, c.height) << c.name;
        EXPECT_EQ(view.window.at(c.width - 1, c.height - 1), frame.at(c.left + c.width - 1, c.top + c.height - 1));
        EXPECT_EQ(view.border.size(), 2u * static_cast<std::size_t>(c.frameWidth + c.frameHeight)) << c.name;
    }
}

// A grey frame, its 24-bit twin and its deep twin are one frame to the
// selection: the same levels, border and threshold.
TEST(ObjectView, GreyColourAndDeepTwinsLookAlike)
{
    Bitmap8 grey = Gradient(90, 70);
    grey.at(0, 0) = 0;
    grey.at(1, 0) = 255;  // the full range, so that the deep threshold is the byte one
    Bitmap24 colour(90, 70);
    DeepFrame deep(90, 70, 1);
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 90; ++x) {
            const std::uint8_t v = grey.at(x, y);
            colour.at(x, y) = ColourPixel{v, v, v};
            deep.row(y)[x] = static_cast<std::uint16_t>(v * 257);
        }
    const ObjectView fromGrey = ViewObject(grey, SurveyObject(grey), 48);
    for (const ObjectView& other : {ViewObject(colour, SurveyObject(colour), 48), ViewObject(deep, SurveyObject(deep), 48)}) {
        EXPECT_EQ(other.window.left, fromGrey.window.left);
        EXPECT_EQ(other.window.levels, fromGrey.window.levels);
        EXPECT_EQ(other.border, fromGrey.border);
        EXPECT_FLOAT_EQ(other.threshold, fromGrey.threshold);
    }
}

TEST(ObjectView, DeepThresholdIsTakenBackFromTheStretchedRange)
{
    ObjectSurvey survey = At(20, 15);
    survey.threshold = 51;  // a fifth of the range stretched onto 0..255
    survey.frame.minimum = 2570;
    survey.frame.maximum = 2570 + 257 * 100;
    EXPECT_FLOAT_EQ(ViewObject(DeepFrame(40, 30, 3), survey).threshold, 10.0f + 20.0f);
}

}  // namespace
}  // namespace quivane
