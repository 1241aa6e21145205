#include "actions/LocalAlignmentRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "actions/AlignmentFixture.h"
#include "actions/AlignmentRun.h"
#include "actions/CalculationRun.h"
#include "combine/LocalStack.h"

namespace quivane {
namespace {

using testing::AlignmentFixture;

// A surface with detail everywhere, moved by (mx, my) pixels: the Moon.
AlignmentFixture::Shade Surface(double mx, double my)
{
    return [=](int x, int y) {
        const double u = x - mx, v = y - my;
        return static_cast<int>(std::lround(120 + 50 * std::sin(u / 4.0) * std::cos(v / 5.0) + 30 * std::sin((u + 2 * v) / 7.0)));
    };
}

void LoadMoon(AlignmentFixture& f)
{
    f.Load({Surface(0, 0), Surface(1, 0), Surface(0, -1), Surface(2, 1)});
    ControlChanged(f.ws, f.ui, ControlId::RegisterRadioGroup, 1);  // "Auto"
}

bool Logged(const testing::FakeUi& ui, const std::string& line)
{
    return std::find(ui.log.begin(), ui.log.end(), line) != ui.log.end();
}

// With local alignment on, Go runs the search, then measures every picture
// at the points with its own progress, shows the points over the reference,
// and the calculation stacks the boxes.
TEST(LocalAlignmentRun, GoMeasuresThePointsShowsThemAndCalculateStacksThem)
{
    AlignmentFixture f;
    LoadMoon(f);
    SetLocalAlignment(f.ws, f.ui, true);
    GoButtonClick(f.ws, f.ui);
    ASSERT_FALSE(f.ws.localPlan.empty());
    EXPECT_EQ(f.ws.localPlan.count, 4);
    EXPECT_TRUE(Logged(f.ui, "status Local alignment "));
    EXPECT_TRUE(Logged(f.ui, "status Local alignment of picture 4"));
    EXPECT_EQ(f.ui.status, "Local alignment: " + std::to_string(f.ws.localPlan.points.size()) + " alignment points");
    const AlignmentPoint& first = f.ws.localPlan.points.front();
    EXPECT_EQ(f.ui.inputBox.at(first.left + first.size / 4, first.top + first.size / 4).green, 220);
    EXPECT_FALSE(f.ws.aligning);

    PictureSeries expected = f.ws.pictures;
    CalculationObserver quiet;
    Calculate(expected, 4, f.ws.calculation, f.ws.kernels, quiet,
              LocalStacking{f.ws.localPlan, KeepRule::Percent(100)});
    CalculationRun(f.ws, f.ui);
    EXPECT_EQ(f.ws.pictures.result().bitmap, expected.result().bitmap);
}

// Off (the start), Go keeps no plan and the calculation is the global one;
// switched off after a run, the plan is left unused.
TEST(LocalAlignmentRun, OffTheCalculationIsTheGlobalOne)
{
    AlignmentFixture f;
    LoadMoon(f);
    GoButtonClick(f.ws, f.ui);
    EXPECT_TRUE(f.ws.localPlan.empty());
    EXPECT_FALSE(Logged(f.ui, "status Local alignment "));

    SetLocalAlignment(f.ws, f.ui, true);
    ControlChanged(f.ws, f.ui, ControlId::RegisterRadioGroup, 1);
    GoButtonClick(f.ws, f.ui);
    ASSERT_FALSE(f.ws.localPlan.empty());
    SetLocalAlignment(f.ws, f.ui, false);
    PictureSeries expected = f.ws.pictures;
    CalculationObserver quiet;
    Calculate(expected, 4, f.ws.calculation, f.ws.kernels, quiet);
    CalculationRun(f.ws, f.ui);
    EXPECT_EQ(f.ws.pictures.result().bitmap, expected.result().bitmap);
}

// Escape during the measuring gives up: no plan, and the run still ends in
// the ready state.
TEST(LocalAlignmentRun, EscapeDuringTheMeasuringGivesUp)
{
    AlignmentFixture f;
    LoadMoon(f);
    SetLocalAlignment(f.ws, f.ui, true);
    f.ui.onProcessEvents = [&] {
        if (f.ui.status.rfind("Local alignment of picture", 0) == 0) f.ws.abortRequested = true;
    };
    GoButtonClick(f.ws, f.ui);
    EXPECT_TRUE(f.ws.localPlan.empty());
    EXPECT_EQ(f.ui.status, "Alignment ready");
    EXPECT_TRUE(f.ui.enabled[ActionButton::Calculate]);
}

// The menu's settings are held within their ranges; a new load drops the plan.
TEST(LocalAlignmentRun, SettingsAreHeldInRangeAndALoadDropsThePlan)
{
    AlignmentFixture f;
    SetLocalBoxSize(f.ws, f.ui, 33);
    EXPECT_EQ(f.ws.localBoxSize, 32);
    SetLocalBoxSize(f.ws, f.ui, 4);
    EXPECT_EQ(f.ws.localBoxSize, MinimumBoxSize);
    SetLocalBoxSize(f.ws, f.ui, 0);
    EXPECT_EQ(f.ws.localBoxSize, 0);
    SetLocalKeep(f.ws, f.ui, 0);
    EXPECT_EQ(f.ws.localKeepPercent, 1);
    SetLocalKeep(f.ws, f.ui, 250);
    EXPECT_EQ(f.ws.localKeepPercent, 100);

    LoadMoon(f);
    SetLocalAlignment(f.ws, f.ui, true);
    GoButtonClick(f.ws, f.ui);
    ASSERT_FALSE(f.ws.localPlan.empty());
    ClearPictureList(f.ws);
    EXPECT_TRUE(f.ws.localPlan.empty());
}

}  // namespace
}  // namespace quivane
