#include "select/KeepBest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "image/Picture.h"

namespace quivane {

int KeptCount(KeepRule rule, int usable)
{
    if (usable <= 0) return 0;
    std::int64_t kept = rule.amount;
    if (rule.kind == KeepRule::Kind::Percent) kept = (static_cast<std::int64_t>(rule.amount) * usable + 50) / 100;
    return static_cast<int>(std::clamp<std::int64_t>(kept, 0, usable));
}

std::vector<int> MarksFromRanking(const std::vector<double>& scores, const std::vector<FrameVerdict>& verdicts,
                                  KeepRule rule)
{
    std::vector<int> marks(scores.size(), QualityDont);
    std::vector<std::size_t> ranking;
    for (std::size_t i = 0; i < scores.size(); ++i)
        if (i >= verdicts.size() || !verdicts[i].bad()) ranking.push_back(i);

    const auto key = [&](std::size_t i) {
        return std::isnan(scores[i]) ? -std::numeric_limits<double>::infinity() : scores[i];
    };
    // A stable sort keeps equal scores in frame order.
    std::stable_sort(ranking.begin(), ranking.end(), [&](std::size_t a, std::size_t b) { return key(a) > key(b); });

    const int kept = KeptCount(rule, static_cast<int>(ranking.size()));
    const int good = (kept + 3) / 4;
    for (int r = 0; r < kept; ++r) marks[ranking[static_cast<std::size_t>(r)]] = r < good ? QualityGood : QualityAvg;
    return marks;
}

}  // namespace quivane
