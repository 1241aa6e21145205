#include "select/BadFrames.h"

#include <algorithm>
#include <cmath>

namespace quivane {
namespace {

// A frame is black when its levels spread less than this (on the 8-bit
// scale) or less than this share of the series' usual spread.
constexpr double BlackSpread = 1.0;
constexpr double BlackSpreadShare = 0.1;
// Dim: the window's mean level under this share of the series' median.
constexpr double DimShare = 0.5;
// Clipped: more object pixels on the border than the series usually has,
// by this many and by this many median absolute deviations.
constexpr int ClippedPixels = 4;
constexpr double ClippedDeviations = 5.0;
// Streak: a line of at least this many ridge pixels, and this many times the
// series' median, so that a field full of bright detail is judged against
// itself.
constexpr int StreakPixels = 24;
constexpr double StreakFactor = 3.0;
// Jump: farther from the track than this many times the series' median
// distance from it, and than this many pixels; the track is drawn through
// this many usable frames each side.
constexpr double JumpDeviations = 5.0;
constexpr double JumpPixels = 4.0;
constexpr std::size_t TrackReach = 7;

double Median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1) return *middle;
    return (*middle + *std::max_element(values.begin(), middle)) / 2.0;
}

template <class Measure>
std::vector<double> OfUsable(const std::vector<FrameFacts>& facts, const std::vector<FrameVerdict>& verdicts,
                             Measure measure)
{
    std::vector<double> values;
    for (std::size_t i = 0; i < facts.size(); ++i)
        if (!verdicts[i].bad()) values.push_back(measure(facts[i]));
    return values;
}

double MedianAbsoluteDeviation(const std::vector<double>& values, double centre)
{
    std::vector<double> deviations;
    deviations.reserve(values.size());
    for (const double v : values) deviations.push_back(std::fabs(v - centre));
    return Median(std::move(deviations));
}

void Mark(std::vector<FrameVerdict>& verdicts, std::size_t i, FrameFault fault)
{
    if (!verdicts[i].bad()) verdicts[i].reason = fault;
}

void JudgeBlack(const std::vector<FrameFacts>& facts, std::vector<FrameVerdict>& verdicts)
{
    const double usual = Median(OfUsable(facts, verdicts, [](const FrameFacts& f) { return f.spread; }));
    for (std::size_t i = 0; i < facts.size(); ++i)
        if (facts[i].spread < BlackSpread || facts[i].spread < BlackSpreadShare * usual || facts[i].objectShare <= 0.0)
            Mark(verdicts, i, FrameFault::Black);
}

void JudgeRepeated(const std::vector<FrameFacts>& facts, std::vector<FrameVerdict>& verdicts)
{
    for (std::size_t i = 1; i < facts.size(); ++i)
        if (facts[i].hash == facts[i - 1].hash) Mark(verdicts, i, FrameFault::Repeated);
}

void JudgeClipped(const std::vector<FrameFacts>& facts, std::vector<FrameVerdict>& verdicts)
{
    const std::vector<double> edges = OfUsable(facts, verdicts, [](const FrameFacts& f) { return double(f.edgePixels); });
    const double usual = Median(edges);
    const double limit = usual + std::max<double>(ClippedPixels, ClippedDeviations * MedianAbsoluteDeviation(edges, usual));
    for (std::size_t i = 0; i < facts.size(); ++i)
        if (facts[i].edgePixels > limit) Mark(verdicts, i, FrameFault::Clipped);
}

void JudgeDim(const std::vector<FrameFacts>& facts, std::vector<FrameVerdict>& verdicts)
{
    const double usual = Median(OfUsable(facts, verdicts, [](const FrameFacts& f) { return f.level; }));
    for (std::size_t i = 0; i < facts.size(); ++i)
        if (facts[i].level < DimShare * usual) Mark(verdicts, i, FrameFault::Dim);
}

void JudgeStreak(const std::vector<FrameFacts>& facts, std::vector<FrameVerdict>& verdicts)
{
    const double usual = Median(OfUsable(facts, verdicts, [](const FrameFacts& f) { return double(f.streak); }));
    const double limit = std::max<double>(StreakPixels, StreakFactor * usual);
    for (std::size_t i = 0; i < facts.size(); ++i)
        if (facts[i].streak >= limit) Mark(verdicts, i, FrameFault::Streak);
}

// Where the track puts a frame, from its usable neighbours (not itself): a
// line through them whose slope is the median of the slopes between every
// two of them, placed by the median of where each puts the frame along it.
// One frame far off cannot pull the track towards it, a wandering drift is
// followed, and the first and last frames are judged as fairly as the
// middle ones.
double OffTrack(const std::vector<FrameFacts>& facts, const std::vector<std::size_t>& usable, std::size_t k)
{
    const std::size_t first = k >= TrackReach ? k - TrackReach : 0;
    const std::size_t last = std::min(usable.size() - 1, k + TrackReach);
    std::vector<std::size_t> near;
    for (std::size_t j = first; j <= last; ++j)
        if (j != k) near.push_back(usable[j]);

    std::vector<double> slopesX, slopesY;
    for (std::size_t a = 0; a < near.size(); ++a)
        for (std::size_t b = a + 1; b < near.size(); ++b) {
            const double frames = static_cast<double>(near[b] - near[a]);
            slopesX.push_back((facts[near[b]].centreX - facts[near[a]].centreX) / frames);
            slopesY.push_back((facts[near[b]].centreY - facts[near[a]].centreY) / frames);
        }
    const double slopeX = Median(std::move(slopesX)), slopeY = Median(std::move(slopesY));

    const std::size_t frame = usable[k];
    std::vector<double> xs, ys;
    for (const std::size_t j : near) {
        const double frames = static_cast<double>(frame) - static_cast<double>(j);
        xs.push_back(facts[j].centreX + slopeX * frames);
        ys.push_back(facts[j].centreY + slopeY * frames);
    }
    return std::hypot(facts[frame].centreX - Median(std::move(xs)), facts[frame].centreY - Median(std::move(ys)));
}

void JudgeJump(const std::vector<FrameFacts>& facts, std::vector<FrameVerdict>& verdicts)
{
    std::vector<std::size_t> usable;
    for (std::size_t i = 0; i < facts.size(); ++i)
        if (!verdicts[i].bad()) usable.push_back(i);
    if (usable.size() < 3) return;

    std::vector<double> offsets(usable.size());
    for (std::size_t k = 0; k < usable.size(); ++k) offsets[k] = OffTrack(facts, usable, k);
    // The offsets are distances, none below zero: their median is the
    // deviation from the track the series usually has.
    const double usual = Median(offsets);
    const double limit = std::max(JumpPixels, JumpDeviations * usual);
    for (std::size_t k = 0; k < usable.size(); ++k)
        if (offsets[k] > limit) Mark(verdicts, usable[k], FrameFault::Jump);
}

}  // namespace

std::string_view FaultWord(FrameFault fault)
{
    switch (fault) {
    case FrameFault::None: return "-";
    case FrameFault::Clipped: return "clipped";
    case FrameFault::Repeated: return "repeated";
    case FrameFault::Dim: return "dim";
    case FrameFault::Jump: return "jump";
    case FrameFault::Black: return "black";
    case FrameFault::Streak: return "streak";
    }
    return "-";
}

std::string_view FaultExplanation(FrameFault fault)
{
    switch (fault) {
    case FrameFault::None: return "";
    case FrameFault::Clipped: return "the object touches the frame's edge";
    case FrameFault::Repeated: return "the same as the frame before";
    case FrameFault::Dim: return "far fainter than the series: cloud";
    case FrameFault::Jump: return "the object far off the series' track";
    case FrameFault::Black: return "no object in the frame";
    case FrameFault::Streak: return "a line across the object: satellite or plane";
    }
    return "";
}

std::vector<FrameVerdict> JudgeFrames(const std::vector<FrameFacts>& facts)
{
    std::vector<FrameVerdict> verdicts(facts.size());
    JudgeBlack(facts, verdicts);
    JudgeRepeated(facts, verdicts);
    JudgeClipped(facts, verdicts);
    JudgeDim(facts, verdicts);
    JudgeStreak(facts, verdicts);
    JudgeJump(facts, verdicts);
    return verdicts;
}

}  // namespace quivane
