// Local alignment on the bent Saturn pair, loaded as the window loads it
// (192 x 144 pictures, enlargement 2) and aligned by the automatic search
// from the start settings; and on a small planet of our own.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "combine/LocalStack.h"
#include "select/SharpnessScore.h"
#include "support/BentSeries.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

using testing::LoadBentSeries;
using testing::Psnr;
using testing::Rendered;

Picture Stacked(PictureSeries pictures, const LocalPlan* plan = nullptr)
{
    const int count = pictures.inputCount();
    CalculationObserver quiet;
    if (plan) {
        Calculate(pictures, count, CalculationSettings{}, DefaultKernelSlots(), quiet,
                  LocalStacking{*plan, KeepRule::Percent(100)});
    } else {
        Calculate(pictures, count, CalculationSettings{}, DefaultKernelSlots(), quiet);
    }
    return pictures.result();
}

LocalPlan Plan(const PictureSeries& pictures)
{
    return PlanLocalAlignment(pictures, pictures.inputCount(), LocalSettings{}, nullptr);
}

// Loaded and aligned once for every test of the pair.
struct BentPair {
    PictureSeries bent = LoadBentSeries("bent");
    PictureSeries unbent = LoadBentSeries("unbent");
    Bitmap24 truth, global;
    testing::Registration registration;
    testing::FineRegistration fine;
    BentPair()
    {
        if (testing::PicturesIn(bent) != 41 || testing::PicturesIn(unbent) != 41) return;
        testing::AlignGlobally(bent);
        testing::AlignGlobally(unbent);
        truth = Rendered(Stacked(unbent));
        global = Rendered(Stacked(bent));
        registration = testing::Register(global, truth);
        fine = testing::RegisterFinely(global, truth);
    }
    bool loaded() const { return testing::PicturesIn(bent) == 41 && testing::PicturesIn(unbent) == 41; }
};

const BentPair& Pair()
{
    static const BentPair pair;
    return pair;
}

#define REQUIRE_BENT_MATERIAL()                                                                         \
    if (!Pair().loaded()) FAIL() << "test material missing or unreadable: " << testing::BentArchive()

// Mean absolute luminance step across the boxes' edges, against the mean
// step over the whole area the boxes cover, both directions.
double SeamRatio(const Picture& result, const std::vector<AlignmentPoint>& points)
{
    const int width = result.bitmap.width(), height = result.bitmap.height();
    std::vector<char> covered(static_cast<std::size_t>(width) * height, 0), edgeX(covered), edgeY(covered);
    for (const AlignmentPoint& p : points) {
        for (int y = p.top; y < p.top + p.size; ++y) {
            for (int x = p.left; x < p.left + p.size; ++x) covered[static_cast<std::size_t>(y) * width + x] = 1;
            for (int x : {p.left, p.left + p.size})
                if (x > 0 && x < width) edgeX[static_cast<std::size_t>(y) * width + x] = 1;
        }
        for (int x = p.left; x < p.left + p.size; ++x)
            for (int y : {p.top, p.top + p.size})
                if (y > 0 && y < height) edgeY[static_cast<std::size_t>(y) * width + x] = 1;
    }
    double edgeSum = 0.0, allSum = 0.0;
    long long edges = 0, all = 0;
    for (int y = 1; y < height; ++y) {
        for (int x = 1; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            if (!covered[i]) continue;
            const int l = result.bitmap.at(x, y).luminance;
            const double stepX = std::abs(l - result.bitmap.at(x - 1, y).luminance);
            const double stepY = std::abs(l - result.bitmap.at(x, y - 1).luminance);
            allSum += stepX + stepY;
            all += 2;
            if (edgeX[i]) edgeSum += stepX, ++edges;
            if (edgeY[i]) edgeSum += stepY, ++edges;
        }
    }
    return edges > 0 && allSum > 0.0 ? (edgeSum / edges) / (allSum / all) : 0.0;
}

double Sharpness(const Picture& picture)
{
    LumaPlane plane;
    plane.width = picture.bitmap.width();
    plane.height = picture.bitmap.height();
    for (int y = 0; y < plane.height; ++y)
        for (int x = 0; x < plane.width; ++x) plane.levels.push_back(picture.bitmap.at(x, y).luminance);
    return SharpnessScore(plane);
}

// Against a reference that has the unbent geometry the boxes' shifts put
// the stack on that geometry: registered to whole pixels only, as the
// global stack's registration places the unbent stack, it comes 1.5 dB or
// more closer to the unbent stack than the global stack does. Most of that
// is the fraction of a pixel by which the global stack misses the unbent
// one; registered to a fraction of a pixel each, what is left is the
// sharpness the boxes win.
TEST(LocalStackFigures, BoxesAlignedOnTheTrueGeometryLandOnIt)
{
    REQUIRE_BENT_MATERIAL();
    const BentPair& pair = Pair();
    PictureSeries placed = pair.unbent;  // the unbent pictures where the bent stack has the object
    testing::ForEachPicture(placed, [&](Picture& p) {
        p.dx -= pair.registration.x;
        p.dy -= pair.registration.y;
    });
    std::vector<int> all;
    for (int n = 1; n <= 40; ++n) all.push_back(n);
    const LocalPlan plan = PlanAgainstReference(pair.bent, 40, StackLuminance(placed, all), LocalSettings{}, nullptr);
    ASSERT_FALSE(plan.empty());
    const Bitmap24 local = Rendered(Stacked(pair.bent, &plan));
    const double global = Psnr(pair.global, pair.truth, pair.registration);
    const double whole = Psnr(local, pair.truth, pair.registration);
    RecordProperty("global_whole_pixel_dB", std::to_string(global));
    RecordProperty("local_true_geometry_whole_pixel_dB", std::to_string(whole));
    EXPECT_GE(whole - global, 1.5) << "global " << global << " dB, local " << whole << " dB";

    const double fineGlobal = Psnr(pair.global, pair.truth, pair.fine);
    const double fine = Psnr(local, pair.truth, testing::RegisterFinely(local, pair.truth));
    RecordProperty("gain_true_geometry_fine_dB", std::to_string(fine - fineGlobal));
    EXPECT_GE(fine - fineGlobal, 0.25) << "global " << fineGlobal << " dB, local " << fine << " dB";
}

// The whole chain from the bent pictures alone: closer to the unbent stack
// and sharper than the global stack, without seams; on the unbent series it
// changes almost nothing. Each stack is registered on the unbent stack to a
// fraction of a pixel by the same rule, so neither is charged for where its
// series' first picture put it. The gain stays short of 1.5 dB: the boxes'
// shifts are centred on the mean over the series, and with 40 frames that
// mean keeps about a sixth of one frame's bending, a third of a pixel here,
// which no bent picture can tell from the object's own shape.
TEST(LocalStackFigures, TheBentSeriesStacksCloserSharperAndWithoutSeams)
{
    REQUIRE_BENT_MATERIAL();
    const BentPair& pair = Pair();
    const LocalPlan plan = Plan(pair.bent);
    ASSERT_GE(plan.points.size(), 20u) << "Saturn's disc and rings fill the pictures";
    const Picture local = Stacked(pair.bent, &plan);
    const Bitmap24 rendered = Rendered(local);
    const double global = Psnr(pair.global, pair.truth, pair.fine);
    const double gained = Psnr(rendered, pair.truth, testing::RegisterFinely(rendered, pair.truth)) - global;
    RecordProperty("global_fine_dB", std::to_string(global));
    RecordProperty("gain_fine_dB", std::to_string(gained));
    RecordProperty("gain_whole_pixel_dB", std::to_string(Psnr(rendered, pair.truth, pair.registration) -
                                                         Psnr(pair.global, pair.truth, pair.registration)));
    EXPECT_GE(gained, 0.6) << "global " << global << " dB";

    const Picture globalStack = Stacked(pair.bent);
    EXPECT_GT(Sharpness(local), 1.05 * Sharpness(globalStack));

    const double seams = SeamRatio(local, plan.points);
    RecordProperty("seam_ratio", std::to_string(seams));
    EXPECT_LE(seams, 1.1);

    const LocalPlan unbentPlan = Plan(pair.unbent);
    EXPECT_GE(Psnr(Rendered(Stacked(pair.unbent, &unbentPlan)), pair.truth), 45.0);
}

// Pictures measured and read on several threads give the plan and the stack
// of one thread, to the byte.
TEST(LocalStackFigures, AnyNumberOfThreadsGivesTheSameStack)
{
    REQUIRE_BENT_MATERIAL();
    const PictureSeries& bent = Pair().bent;
    LocalSettings one, three;
    one.threads = 1;
    three.threads = 3;
    const LocalPlan alone = PlanLocalAlignment(bent, 40, one, nullptr);
    const LocalPlan shared = PlanLocalAlignment(bent, 40, three, nullptr);
    ASSERT_FALSE(alone.empty());
    EXPECT_EQ(alone.shifts, shared.shifts);
    // Told of every picture in order (a round of three at a time), or not.
    std::vector<int> told;
    const LocalPlan watched = PlanLocalAlignment(bent, 40, three, [&](int n) {
        told.push_back(n);
        return true;
    });
    EXPECT_EQ(alone.shifts, watched.shifts);
    ASSERT_EQ(told.size(), 40u);
    for (int n = 1; n <= 40; ++n) EXPECT_EQ(told[static_cast<std::size_t>(n - 1)], n);
    const std::vector<std::vector<double>> ranks = RankAtPoints(bent, alone, 1);
    EXPECT_EQ(ranks, RankAtPoints(bent, alone, 3));
    EXPECT_TRUE(std::isfinite(ranks[0][0]));
    const auto stack = [&](const LocalPlan& plan, int threads) {
        PictureSeries pictures = bent;
        CalculationObserver quiet;
        LocalStacking local{plan, KeepRule::Percent(60)};
        local.threads = threads;
        Calculate(pictures, 40, CalculationSettings{}, DefaultKernelSlots(), quiet, local);
        return pictures.result().bitmap;
    };
    const Bitmap32 single = stack(alone, 1);
    EXPECT_EQ(single, stack(alone, 3));
    // Ranks measured while stacking are the ranks a plan brings.
    LocalPlan ranked = alone;
    ranked.sharpness = ranks;
    EXPECT_EQ(single, stack(ranked, 2));
}

// A small planet: a banded disc of 50 pixels on black sky, jittered and
// noisy. Too few points fit on it, so the stack keeps the global offsets and
// is the global stack to the byte, never black.
TEST(LocalStackFigures, ASmallPlanetStacksAsTheGlobalStack)
{
    std::mt19937 random(17);
    std::normal_distribution<double> noise(0.0, 4.0);
    std::uniform_int_distribution<int> jitter(-3, 3);
    PictureSeries pictures = testing::SeriesOf(std::vector<Picture>(13));
    testing::ForEachPicture(pictures, [&](Picture& picture) {
        PreparePictureBitmap(picture, 192, 144);
        const int cx = 96 + jitter(random), cy = 72 + jitter(random);
        for (int y = 0; y < 144; ++y) {
            for (int x = 0; x < 192; ++x) {
                const double r = std::hypot(x - cx, y - cy);
                const double disc = r < 25.0 ? 150.0 + 40.0 * std::sin((y - cy) / 3.0) : 0.0;
                const int level = std::clamp(static_cast<int>(disc + noise(random)), 0, 255);
                picture.bitmap.at(x, y) = PicturePixel{255, 200, 160, static_cast<std::uint8_t>(level)};
            }
        }
    });
    AlignSeries(pictures, 12, AlignmentSettings{}, nullptr);
    const LocalPlan plan = Plan(pictures);
    EXPECT_TRUE(plan.empty());
    const Picture global = Stacked(pictures);
    const Picture local = Stacked(pictures, &plan);
    EXPECT_EQ(local.bitmap, global.bitmap);
    long long centre = 0;
    for (int y = 62; y < 82; ++y)
        for (int x = 86; x < 106; ++x) centre += local.bitmap.at(x, y).luminance;
    EXPECT_GT(centre / 400, 100);
}

}  // namespace
}  // namespace quivane
