#include "align/PlaneScore.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "cpu/SimdTargets.h"
#include "image/Placement.h"

namespace quivane {
namespace {

// The score of `count` pixels read side by side from both planes. A
// difference of at most 255 squares to at most 254 once divided by 256, so
// the cap at 255 never bites here and the loop is plain vector arithmetic;
// built as wide as the active level.
[[gnu::always_inline]] inline std::uint32_t RunScore(const std::uint8_t* a, const std::uint8_t* b, int count)
{
    std::uint32_t sum = 0;
    for (int j = 0; j < count; ++j) {
        const int e = a[j] - b[j];
        sum += static_cast<std::uint32_t>(e * e) >> 8;
    }
    return sum;
}

int CappedSquare(int a, int b)
{
    const int e = std::abs(a - b);
    return std::min(255, e * e / 256);
}

}  // namespace

long long ScorePlanes(const LuminancePlane& ref, int refDx, int refDy, const LuminancePlane& pic, int picDx, int picDy,
                      const ComparedRegion& region)
{
    if (ref.levels.empty() || pic.levels.empty() || region.viewWidth <= 0 || region.viewHeight <= 0) return 0;
    const Placement refX = PlaceAxis(ref.width, region.viewWidth, region.startX);
    const Placement refY = PlaceAxis(ref.height, region.viewHeight, region.startY);
    const Placement picX = PlaceAxis(pic.width, region.viewWidth, region.startX);
    const Placement picY = PlaceAxis(pic.height, region.viewHeight, region.startY);
    const int rows = std::min(refY.count, picY.count);
    const int columns = std::min(refX.count, picX.count);
    const int refFirst = refX.start + refDx, picFirst = picX.start + picDx;
    const int inside = std::max({0, -refFirst, -picFirst});
    const int end = std::max(inside, std::min({columns, ref.width - refFirst, pic.width - picFirst}));

    long long score = 0;
    for (int i = 0; i < rows; ++i) {
        const std::uint8_t* a = ref.row(std::clamp(refY.start + i + refDy, 0, ref.height - 1));
        const std::uint8_t* b = pic.row(std::clamp(picY.start + i + picDy, 0, pic.height - 1));
        auto edge = [&](int j) {
            return CappedSquare(a[std::clamp(refFirst + j, 0, ref.width - 1)], b[std::clamp(picFirst + j, 0, pic.width - 1)]);
        };
        for (int j = 0; j < std::min(inside, columns); ++j) score += edge(j);
        if (end > inside)
            score += OnActiveSimdLevel<RunScore>(a + refFirst + inside, b + picFirst + inside, end - inside);
        for (int j = std::max(end, inside); j < columns; ++j) score += edge(j);
    }
    return score;
}

}  // namespace quivane
