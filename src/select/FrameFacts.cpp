#include "select/FrameFacts.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "select/LevelSums.h"
#include "select/LineBins.h"
#include "select/PixelNoise.h"

namespace quivane {
namespace {

// Four multiply-and-rotate lanes, so the work on one float does not wait for
// the one before; folded together at the end.
std::uint64_t HashLevels(const std::vector<float>& levels, std::uint64_t seed)
{
    constexpr std::uint64_t prime = 0x9E3779B97F4A7C15ull;
    std::array<std::uint64_t, 4> lanes{seed, seed ^ 1, seed ^ 2, seed ^ 3};
    std::size_t i = 0;
    for (; i + 4 <= levels.size(); i += 4)
        for (std::size_t k = 0; k < 4; ++k) {
            std::uint32_t bits;
            std::memcpy(&bits, &levels[i + k], sizeof bits);
            lanes[k] = std::rotl((lanes[k] ^ bits) * prime, 29);
        }
    for (; i < levels.size(); ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &levels[i], sizeof bits);
        lanes[0] = std::rotl((lanes[0] ^ bits) * prime, 29);
    }
    std::uint64_t hash = levels.size();
    for (const std::uint64_t lane : lanes) hash = std::rotl((hash ^ lane) * prime, 31);
    return hash;
}

// A lone hot pixel on the border is no object: only runs of two count.
int EdgePixels(const ObjectView& view)
{
    const std::vector<float>& border = view.border;
    const auto above = [&](std::size_t i) { return border[i] > view.threshold; };
    int count = 0;
    // Each of the four sides separately, so a run does not wrap round a corner.
    const std::size_t w = static_cast<std::size_t>(view.frameWidth), h = static_cast<std::size_t>(view.frameHeight);
    const std::size_t starts[] = {0, w, 2 * w, 2 * w + h};
    const std::size_t lengths[] = {w, w, h, h};
    for (int side = 0; side < 4; ++side) {
        const std::size_t start = starts[side], end = start + lengths[side];
        if (end > border.size()) break;
        for (std::size_t i = start; i < end; ++i) {
            if (!above(i)) continue;
            const bool before = i > start && above(i - 1);
            const bool after = i + 1 < end && above(i + 1);
            if (before || after) ++count;
        }
    }
    return count;
}

struct Ridge {
    float strength;
    int x, y;
};

// How many of the strongest ridges vote for lines.
constexpr std::size_t MaxRidgesKept = 256;

// A row's ridge strengths (see Ridges) from x = 2 to width - 3, and whether
// any lies above the floor; a loop that becomes vector code.
bool RidgeStrengths(const float* up, const float* mid, const float* down, int width, float floor, float* strengths)
{
    int above = 0;
    for (int x = 2; x + 2 < width; ++x) {
        const float across = std::max(mid[x - 2], mid[x + 2]);
        const float upright = std::max(up[x], down[x]);
        const float falling = std::max(up[x - 2], down[x + 2]);
        const float rising = std::max(up[x + 2], down[x - 2]);
        const float strength = mid[x] - std::min(std::min(across, upright), std::min(falling, rising));
        strengths[x] = strength;
        above |= strength > floor;
    }
    return above != 0;
}

// A pixel brighter than both its neighbours two pixels away, in whichever of
// four directions it is brightest against: across a thin line it stands out,
// along a limb or any other edge it does not, since one side is as bright.
std::vector<Ridge> Ridges(const LumaPlane& w, float floor)
{
    std::vector<Ridge> ridges;
    if (w.width < 5 || w.height < 5) return ridges;
    ridges.reserve(4 * MaxRidgesKept);
    // A row of strengths first; then the few above the floor are picked
    // out, from the rows that have any.
    std::vector<float> strengths(static_cast<std::size_t>(w.width));
    const auto row = [&](int y) { return &w.levels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w.width)]; };
    for (int y = 2; y + 2 < w.height; ++y) {
        if (!RidgeStrengths(row(y - 2), row(y), row(y + 2), w.width, floor, strengths.data())) continue;
        for (int x = 2; x + 2 < w.width; ++x)
            if (strengths[static_cast<std::size_t>(x)] > floor) ridges.push_back({strengths[static_cast<std::size_t>(x)], x, y});
    }
    return ridges;
}

// Ridges this far above the noise are rarely noise; only the strongest are
// voted with, which bounds the work on a field full of small bright detail.
constexpr double RidgeNoiseFactor = 5.0;
constexpr std::size_t MaxRidges = MaxRidgesKept;
constexpr int LineAngles = 180;
constexpr std::size_t CandidateLines = 16;

struct Line {
    int angle;  // in steps of LineAngles to the half turn
    int bin;    // the middle of the three bins, offset by the reach
    int votes;
};

double AngleOf(int step) { return step * std::numbers::pi / LineAngles; }

// The cosine and sine of every angle, worked out once.
struct AngleTable {
    std::array<double, LineAngles> cosine, sine;
    AngleTable()
    {
        for (int a = 0; a < LineAngles; ++a) {
            cosine[static_cast<std::size_t>(a)] = std::cos(AngleOf(a));
            sine[static_cast<std::size_t>(a)] = std::sin(AngleOf(a));
        }
    }
};

const AngleTable& Angles()
{
    static const AngleTable table;
    return table;
}

// The ridges' places relative to the window's centre, side by side, so that
// the bins of one angle are worked out in vector code.
struct RidgePlaces {
    std::vector<double> dx, dy;
    RidgePlaces(const std::vector<Ridge>& ridges, double cx, double cy)
    {
        for (const Ridge& r : ridges) {
            dx.push_back(r.x - cx);
            dy.push_back(r.y - cy);
        }
    }
};

Line BestLineAt(const RidgePlaces& places, int angle, int reach, std::vector<int>& bins, std::vector<int>& votes)
{
    const double c = Angles().cosine[static_cast<std::size_t>(angle)];
    const double s = Angles().sine[static_cast<std::size_t>(angle)];
    const int n = static_cast<int>(places.dx.size());
    int* bin = bins.data();
    // Only bins next to a vote can hold a line: the search runs between the
    // lowest and the highest bin voted for, where it finds what a search of
    // every bin would (the first of the most votes).
    const auto [low, high] = LineBins(places.dx.data(), places.dy.data(), n, c, s, reach, bin);
    // Four tallies side by side: neighbouring ridges often vote for the same
    // bin, and one tally would make each count wait for the one before.
    const std::size_t size = votes.size() / 4;
    int* tally[4] = {votes.data(), votes.data() + size, votes.data() + 2 * size, votes.data() + 3 * size};
    // Bins lie two or more inside the tallies (the reach has two to spare),
    // so two bins either side of the voted ones are cleared too and the
    // search reads no bin it did not clear.
    for (int* t : tally) std::fill(t + low - 2, t + high + 3, 0);
    int i = 0;
    for (; i + 4 <= n; i += 4)
        for (int k = 0; k < 4; ++k) ++tally[k][bin[i + k]];
    for (; i < n; ++i) ++tally[0][bin[i]];
    int* vote = tally[0];
    for (int b = low; b <= high; ++b) vote[b] += tally[1][b] + tally[2][b] + tally[3][b];
    const VotedBin best = MostVotedBin(vote, low, high);
    return {angle, best.bin, best.votes};
}

// The number of one-pixel places along the line that hold a ridge within
// its three bins: a line two pixels wide counts each place once.
int PlacesHeld(const RidgePlaces& ridges, const Line& line, int reach, std::vector<char>& held)
{
    const double c = Angles().cosine[static_cast<std::size_t>(line.angle)];
    const double s = Angles().sine[static_cast<std::size_t>(line.angle)];
    std::fill(held.begin(), held.end(), 0);
    int places = 0;
    for (std::size_t i = 0; i < ridges.dx.size(); ++i) {
        const double dx = ridges.dx[i], dy = ridges.dy[i];
        if (std::abs(BinOf(dx, dy, c, s, reach) - line.bin) > 1) continue;
        char& here = held[static_cast<std::size_t>(Rounded(dy * c - dx * s) + reach)];
        places += here == 0;
        here = 1;
    }
    return places;
}

}  // namespace

int StreakEvidence(const LumaPlane& window, double noiseVariance)
{
    // At least two levels, so quantisation alone makes no ridge.
    const float floor = static_cast<float>(std::max(2.0, RidgeNoiseFactor * std::sqrt(std::max(0.0, noiseVariance))));
    std::vector<Ridge> ridges = Ridges(window, floor);
    if (ridges.size() > MaxRidges) {
        std::nth_element(ridges.begin(), ridges.begin() + static_cast<std::ptrdiff_t>(MaxRidges), ridges.end(),
                         [](const Ridge& a, const Ridge& b) { return a.strength > b.strength; });
        ridges.resize(MaxRidges);
    }
    if (ridges.size() < 2) return static_cast<int>(ridges.size());

    // Lines through the window, found by votes: at each angle every ridge
    // votes for the line through it, by its distance from the window's
    // centre in one-pixel bins, and three neighbouring bins together allow
    // for a line's width. The angle's best line is its candidate.
    const double cx = window.width / 2.0, cy = window.height / 2.0;
    const int reach = static_cast<int>(std::ceil(std::hypot(cx, cy))) + 2;
    const RidgePlaces places(ridges, cx, cy);
    std::vector<int> votes(4 * static_cast<std::size_t>(2 * reach + 1)), bins(ridges.size());
    std::vector<Line> lines;
    for (int a = 0; a < LineAngles; ++a) {
        const Line line = BestLineAt(places, a, reach, bins, votes);
        if (line.votes >= 2) lines.push_back(line);
    }
    // A round limb lights a band along its tangent as well, but only for a
    // short stretch, while a streak runs right across: what counts is how
    // many places along the line hold a ridge, among the lines with most votes.
    const auto most = lines.begin() + static_cast<std::ptrdiff_t>(std::min(lines.size(), CandidateLines));
    std::partial_sort(lines.begin(), most, lines.end(), [](const Line& p, const Line& q) { return p.votes > q.votes; });
    std::vector<char> held(static_cast<std::size_t>(2 * reach + 1));
    int best = 1;
    for (auto line = lines.begin(); line != most; ++line) best = std::max(best, PlacesHeld(places, *line, reach, held));
    return best;
}

FrameFacts GatherFacts(const ObjectView& view) { return GatherFacts(view, PixelNoiseVariance(view.window)); }

FrameFacts GatherFacts(const ObjectView& view, double noiseVariance)
{
    FrameFacts facts;
    facts.centreX = view.centreX;
    facts.centreY = view.centreY;
    const std::vector<float>& levels = view.window.levels;
    if (!levels.empty()) {
        const auto [sum, squares, above] = SumLevels(levels, view.threshold);
        const double n = static_cast<double>(levels.size());
        facts.level = sum / n;
        facts.spread = std::sqrt(std::max(0.0, squares / n - facts.level * facts.level));
        facts.objectShare = static_cast<double>(above) / n;
    }
    facts.edgePixels = EdgePixels(view);
    facts.hash = HashLevels(view.border, HashLevels(levels, 0x51ED5EEDull));
    facts.streak = StreakEvidence(view.window, noiseVariance);
    return facts;
}

}  // namespace quivane
