#include "select/BadFrames.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "select/SeriesMaterial.h"

namespace quivane {
namespace {

using Make = std::function<std::uint8_t(const Bitmap24& frame, int x, int y)>;

// A good frame changed pixel by pixel into a bad one.
Bitmap24 Changed(const Bitmap24& frame, const Make& make)
{
    Bitmap24 out(frame.width(), frame.height());
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const std::uint8_t v = make(frame, x, y);
            out.at(x, y) = ColourPixel{v, v, v};
        }
    return out;
}

// Moved right; the uncovered columns get sky, noise and all, from the left edge.
Make Shift(int dx)
{
    return [dx](const Bitmap24& f, int x, int y) { return f.at(x >= dx ? x - dx : x % 30, y).green; };
}

Make Gain(double gain)
{
    return [gain](const Bitmap24& f, int x, int y) { return static_cast<std::uint8_t>(std::lround(f.at(x, y).green * gain)); };
}

// A line about 1.5 pixels wide from (0, 20) to (159, 100), 50 levels above what is there.
std::uint8_t Line(const Bitmap24& f, int x, int y)
{
    const bool on = std::fabs(x * 80.0 - (y - 20.0) * 159.0) / std::hypot(80.0, 159.0) < 0.75;
    return static_cast<std::uint8_t>(std::min(255, f.at(x, y).green + (on ? 50 : 0)));
}

std::vector<FrameVerdict> Judged(const std::vector<Bitmap24>& frames, std::string& flagged)
{
    std::vector<FrameFacts> facts;
    for (const Bitmap24& frame : frames) facts.push_back(GatherFacts(ViewObject(frame, SurveyObject(frame))));
    std::vector<FrameVerdict> verdicts = JudgeFrames(facts);
    for (std::size_t i = 0; i < verdicts.size(); ++i)
        if (verdicts[i].bad()) flagged += " " + std::to_string(i + 1) + ":" + std::string(FaultWord(verdicts[i].reason));
    return verdicts;
}

TEST(BadFrames, GoodSeriesGivesAtMostOneFalseFlag)
{
    ASSERT_EQ(testing::SeeingFrames().size(), 60u);
    std::string flagged;
    const std::vector<FrameVerdict> verdicts = Judged(testing::SeeingFrames(), flagged);
    std::printf("[ flags    ] 60 good frames of the seeing series, flagged:%s\n", flagged.empty() ? " none" : flagged.c_str());
    EXPECT_LE(std::count_if(verdicts.begin(), verdicts.end(), [](const FrameVerdict& v) { return v.bad(); }), 1);
}

TEST(BadFrames, EveryInjectedFaultIsFoundWithItsReason)
{
    const struct {
        std::size_t index;
        FrameFault fault;
        Make make;
    } injections[] = {
        {9, FrameFault::Repeated, nullptr},  // frame 9 once more
        {19, FrameFault::Dim, Gain(0.2)},
        {29, FrameFault::Jump, Shift(30)},
        {39, FrameFault::Black, Gain(0.0)},
        {49, FrameFault::Clipped, Shift(55)},
        {54, FrameFault::Streak, Line},
    };
    std::vector<Bitmap24> frames = testing::SeeingFrames();
    ASSERT_EQ(frames.size(), 60u);
    for (const auto& j : injections) frames[j.index] = j.make ? Changed(frames[j.index], j.make) : frames[j.index - 1];
    std::string flagged;
    const std::vector<FrameVerdict> verdicts = Judged(frames, flagged);
    for (const auto& j : injections) EXPECT_EQ(FaultWord(verdicts[j.index].reason), FaultWord(j.fault)) << j.index + 1;
    EXPECT_LE(std::count_if(verdicts.begin(), verdicts.end(), [](const FrameVerdict& v) { return v.bad(); }), 7) << flagged;
}

// 21 frames of a planet drifting slowly right, with a little jitter.
std::vector<FrameFacts> SteadySeries()
{
    std::vector<FrameFacts> series(21);
    for (std::size_t i = 0; i < series.size(); ++i) {
        const double jitter = (static_cast<int>(i * 7 % 5) - 2) * 0.4;
        series[i] = {40.0 + jitter, 50.0 - jitter, 0.3, 80.0 + 0.2 * static_cast<double>(i) + jitter, 60.0 - jitter,
                     0, 1000 + i, 5 + static_cast<int>(i % 3)};
    }
    return series;
}

TEST(JudgeFrames, EachFaultAndWhichWinsWhenSeveralShow)
{
    const struct {
        const char* name;
        std::function<void(std::vector<FrameFacts>&)> change;  // to the steady series
        FrameFault fault;                                      // of frame 10
    } cases[] = {
        {"steady", [](auto&) {}, FrameFault::None},
        {"cloud", [](auto& s) { s[10].level = 15.0; }, FrameFault::Dim},
        {"a little thinner is no cloud", [](auto& s) { s[10].level = 25.0; }, FrameFault::None},
        // Dim is a level under half the series' median level, which is 40
        // here: these sit just either side of that half, and on it.
        {"49 % of the usual level is cloud", [](auto& s) { s[10].level = 19.6; }, FrameFault::Dim},
        {"half the usual level is not yet cloud", [](auto& s) { s[10].level = 20.0; }, FrameFault::None},
        {"51 % of the usual level is no cloud", [](auto& s) { s[10].level = 20.4; }, FrameFault::None},
        {"the median is the usable frames', not the mean",
         [](auto& s) { s[3].level = s[4].level = s[6].level = 400.0; s[10].level = 20.4; }, FrameFault::None},
        {"a tenth of the usual spread", [](auto& s) { s[10].spread = 4.0; }, FrameFault::Black},
        {"nothing above the threshold", [](auto& s) { s[10].objectShare = 0.0; }, FrameFault::Black},
        {"the frame before again", [](auto& s) { s[10].hash = s[9].hash; }, FrameFault::Repeated},
        {"on the edge", [](auto& s) { s[10].edgePixels = 30; }, FrameFault::Clipped},
        {"four border pixels are not yet an edge", [](auto& s) { s[10].edgePixels = 4; }, FrameFault::None},
        {"a line", [](auto& s) { s[10].streak = 80; }, FrameFault::Streak},
        {"off the track upwards", [](auto& s) { s[10].centreY -= 9.0; }, FrameFault::Jump},
        {"three pixels off is no jump", [](auto& s) { s[10].centreX += 3.0; }, FrameFault::None},
        {"clipped rather than jumped", [](auto& s) { s[10].edgePixels = 40; s[10].centreX += 20.0; }, FrameFault::Clipped},
        {"black rather than dim or repeated", [](auto& s) { s[10] = s[9] = {1.0, 0.2, 0.0, 0, 0, 0, 7, 0}; },
         FrameFault::Black},
        {"the frame after a jump is no jump", [](auto& s) { s[9].centreX += 30.0; }, FrameFault::None},
        {"a fast drift is followed to the last frame",
         [](auto& s) { for (std::size_t i = 0; i < s.size(); ++i) s[i].centreX += 1.5 * static_cast<double>(i); },
         FrameFault::None},
        {"a field whose border is all object",
         [](auto& s) { for (std::size_t i = 0; i < s.size(); ++i) s[i].edgePixels = 540 - static_cast<int>(i % 4) * 5; },
         FrameFault::None},
        {"a field full of straight detail", [](auto& s) { for (auto& f : s) f.streak = 40; }, FrameFault::None},
    };
    for (const auto& c : cases) {
        std::vector<FrameFacts> series = SteadySeries();
        c.change(series);
        const std::vector<FrameVerdict> verdicts = JudgeFrames(series);
        EXPECT_EQ(FaultWord(verdicts[10].reason), FaultWord(c.fault)) << c.name;
        for (const std::size_t i : {0, 5, 15, 20}) EXPECT_FALSE(verdicts[i].bad()) << c.name << ", frame " << i;
    }
    EXPECT_TRUE(JudgeFrames({}).empty());
}

TEST(FaultWord, OneWordEach)
{
    const char* words[] = {"-", "clipped", "repeated", "dim", "jump", "black", "streak"};
    for (int f = 0; f <= static_cast<int>(FrameFault::Streak); ++f) EXPECT_EQ(FaultWord(FrameFault(f)), words[f]);
}

}  // namespace
}  // namespace quivane
