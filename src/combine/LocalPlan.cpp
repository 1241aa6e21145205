#include "combine/LocalPlan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "align/LumaGrid.h"
#include "combine/CombineMethods.h"
#include "parallel/WorkerTeam.h"
#include "select/KeepBest.h"
#include "select/SharpnessScore.h"

namespace quivane {
namespace {

// The picture's luminance over a box (read through its offsets and `u`, `v`
// pixels further) as the sharpness score reads a window.
LumaPlane BoxLuminance(const Picture& picture, int left, int top, int width, int height, int u, int v)
{
    LumaPlane plane;
    plane.left = left;
    plane.top = top;
    plane.width = width;
    plane.height = height;
    plane.levels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // As GetShiftedPixel reads, a row at a time.
    const Bitmap32& bitmap = picture.bitmap;
    const int lastX = bitmap.width() - 1, lastY = bitmap.height() - 1;
    const int startX = left + u + picture.dx, startY = top + v + picture.dy;
    // The columns read inside the bitmap need no clamp.
    const int insideFrom = std::clamp(-startX, 0, width), insideTo = std::clamp(lastX + 1 - startX, insideFrom, width);
    float* out = plane.levels.data();
    for (int y = 0; y < height; ++y, out += width) {
        const PicturePixel* row = bitmap.row(std::clamp(startY + y, 0, lastY));
        for (int x = 0; x < insideFrom; ++x) out[x] = static_cast<float>(row[std::clamp(startX + x, 0, lastX)].luminance);
        for (int x = insideFrom; x < insideTo; ++x) out[x] = static_cast<float>(row[startX + x].luminance);
        for (int x = insideTo; x < width; ++x) out[x] = static_cast<float>(row[std::clamp(startX + x, 0, lastX)].luminance);
    }
    return plane;
}

int Weight(const Picture& picture)
{
    return picture.quality > 0 && picture.quality < static_cast<int>(QualityWeights.size())
               ? QualityWeights[static_cast<std::size_t>(picture.quality)]
               : 0;
}

// Whole pixels of a shift in sixteenths, rounded to the nearest (halves up).
int WholePixels(int sixteenths)
{
    return static_cast<int>(std::floor((sixteenths + ShiftScale / 2) / double(ShiftScale)));
}

std::vector<int> SharpestPictures(const PictureSeries& pictures, const std::vector<int>& usable, int percent,
                                  WorkerTeam& team)
{
    // Each score is the picture's own, whichever thread measures it.
    std::vector<double> scores(usable.size());
    team.run(static_cast<int>(usable.size()), [&](int item, int) {
        const Picture& p = pictures.at(usable[static_cast<std::size_t>(item)]);
        scores[static_cast<std::size_t>(item)] =
            SharpnessScore(BoxLuminance(p, 0, 0, p.bitmap.width(), p.bitmap.height(), 0, 0));
    });
    const std::vector<int> marks = MarksFromRanking(scores, {}, KeepRule::Percent(percent));
    std::vector<int> chosen;
    for (std::size_t i = 0; i < usable.size(); ++i)
        if (marks[i] != QualityDont) chosen.push_back(usable[i]);
    // However few pictures there are, the sharpest one makes a reference.
    if (chosen.empty() && !usable.empty()) {
        const auto best = std::max_element(scores.begin(), scores.end());
        chosen.push_back(usable[static_cast<std::size_t>(best - scores.begin())]);
    }
    return chosen;
}

// Subtracts, at every point, the quality-weighted mean shift of the usable
// pictures, rounded to the nearest sixteenth.
void CentreShifts(const PictureSeries& pictures, const std::vector<int>& usable, LocalPlan& plan)
{
    for (std::size_t p = 0; p < plan.points.size(); ++p) {
        long long sx = 0, sy = 0, weights = 0;
        for (const int n : usable) {
            const int w = Weight(pictures.at(n));
            const LocalShift& s = plan.shifts[static_cast<std::size_t>(n - 1)][p];
            sx += static_cast<long long>(w) * s.x;
            sy += static_cast<long long>(w) * s.y;
            weights += w;
        }
        if (weights == 0) continue;
        const auto mean = [&](long long sum) {
            return static_cast<int>(std::floor((static_cast<double>(sum) / static_cast<double>(weights)) + 0.5));
        };
        const int mx = mean(sx), my = mean(sy);
        for (const int n : usable) {
            LocalShift& s = plan.shifts[static_cast<std::size_t>(n - 1)][p];
            s.x -= mx;
            s.y -= my;
        }
    }
}

// The pictures 1..count that take part: marked other than "Dont", of the
// result's size.
std::vector<int> UsablePictures(const PictureSeries& pictures, int count)
{
    std::vector<int> usable;
    const Bitmap32& result = pictures.result().bitmap;
    for (int n = 1; n <= count; ++n) {
        const Picture& p = pictures.at(n);
        if (p.quality != QualityDont && p.bitmap.width() == result.width() && p.bitmap.height() == result.height())
            usable.push_back(n);
    }
    return usable;
}

bool Usable(const PictureSeries& pictures, int& count)
{
    count = std::min(count, pictures.inputCount());
    return count >= 1 && !pictures.result().bitmap.empty();
}

LocalPlan Measure(const PictureSeries& pictures, int count, const std::vector<int>& usable, LumaGrid reference,
                  const LocalSettings& settings, const LocalProgress& progress, WorkerTeam& team)
{
    LocalPlan plan;
    plan.width = pictures.result().bitmap.width();
    plan.height = pictures.result().bitmap.height();
    if (reference.width != plan.width || reference.height != plan.height) return LocalPlan{};
    plan.reference = std::move(reference);
    const int size = settings.boxSize > 0 ? settings.boxSize
                                          : DefaultBoxSize(plan.width, plan.height, settings.enlargement);
    plan.points = PlaceAlignmentPoints(plan.reference, size);
    if (plan.points.empty()) return LocalPlan{};

    const int radius = settings.radius > 0 ? settings.radius : DefaultSearchRadius(settings.enlargement);
    // Neighbouring boxes share half their pixels: their shifts differ by far
    // less than this unless one of them matched the wrong detail.
    const int limit = ShiftScale * std::max(1, (radius + 2) / 3);
    plan.count = count;
    plan.shifts.assign(static_cast<std::size_t>(count), std::vector<LocalShift>(plan.points.size()));
    // Pictures are measured a round of one per thread at a time, each into
    // its own row of the plan; progress is told in order between rounds.
    // With no one to tell, they go out in one job as threads come free: a
    // round costs waking every helper and waiting for its slowest picture.
    const int perRound = progress ? team.size() : count;
    const std::vector<ReferenceBox> boxes = ReadReferenceBoxes(plan.reference, plan.points);
    std::vector<char> takesPart(static_cast<std::size_t>(count) + 1, 0);
    for (const int n : usable) takesPart[static_cast<std::size_t>(n)] = 1;
    for (int first = 1; first <= count; first += perRound) {
        const int round = std::min(perRound, count - first + 1);
        team.run(round, [&](int item, int) {
            const int n = first + item;
            if (!takesPart[static_cast<std::size_t>(n)]) return;
            const Picture& picture = pictures.at(n);
            std::vector<LocalShift>& shifts = plan.shifts[static_cast<std::size_t>(n - 1)];
            shifts = MeasureLocalShifts(boxes, picture, radius);
            ReplaceOutliers(plan.points, shifts, limit);
        });
        for (int n = first; n < first + round; ++n)
            if (progress && !progress(n)) return LocalPlan{};
    }
    return plan;
}

}  // namespace

LocalPlan PlanLocalAlignment(const PictureSeries& pictures, int count, const LocalSettings& settings,
                             const LocalProgress& progress)
{
    if (!Usable(pictures, count)) return LocalPlan{};
    const std::vector<int> usable = UsablePictures(pictures, count);
    // One picture has nothing to be aligned with.
    if (usable.size() < 2) return LocalPlan{};
    WorkerTeam team(settings.threads);
    LumaGrid reference =
        StackLuminance(pictures, SharpestPictures(pictures, usable, settings.referencePercent, team));
    LocalPlan plan = Measure(pictures, count, usable, std::move(reference), settings, progress, team);
    if (!plan.empty()) CentreShifts(pictures, usable, plan);
    return plan;
}

std::vector<std::vector<double>> RankAtPoints(const PictureSeries& pictures, const LocalPlan& plan, int threads)
{
    const double none = -std::numeric_limits<double>::infinity();
    std::vector<std::vector<double>> sharpness(static_cast<std::size_t>(std::max(0, plan.count)),
                                               std::vector<double>(plan.points.size(), none));
    int count = plan.count;
    if (plan.empty() || !Usable(pictures, count) || count < plan.count ||
        static_cast<int>(plan.shifts.size()) < plan.count)
        return sharpness;
    const std::vector<int> usable = UsablePictures(pictures, count);
    WorkerTeam(threads).run(static_cast<int>(usable.size()), [&](int item, int) {
        const int n = usable[static_cast<std::size_t>(item)];
        const Picture& picture = pictures.at(n);
        const std::vector<LocalShift>& shifts = plan.shifts[static_cast<std::size_t>(n - 1)];
        for (std::size_t p = 0; p < plan.points.size() && p < shifts.size(); ++p) {
            const AlignmentPoint& box = plan.points[p];
            sharpness[static_cast<std::size_t>(n - 1)][p] = SharpnessScore(BoxLuminance(
                picture, box.left, box.top, box.size, box.size, WholePixels(shifts[p].x), WholePixels(shifts[p].y)));
        }
    });
    return sharpness;
}

LocalPlan PlanAgainstReference(const PictureSeries& pictures, int count, LumaGrid reference,
                               const LocalSettings& settings, const LocalProgress& progress)
{
    if (!Usable(pictures, count)) return LocalPlan{};
    const std::vector<int> usable = UsablePictures(pictures, count);
    if (usable.empty()) return LocalPlan{};
    WorkerTeam team(settings.threads);
    return Measure(pictures, count, usable, std::move(reference), settings, progress, team);
}

}  // namespace quivane
