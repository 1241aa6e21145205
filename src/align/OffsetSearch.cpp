#include "align/OffsetSearch.h"

#include <algorithm>
#include <cstdlib>

#include "image/PixelHelpers.h"
#include "image/Placement.h"

namespace quivane {
namespace {

constexpr int LastPass = 24;  // passes are counted from 1; the 25th is the last

// The luminance a picture pixel shows in black and white: its colour
// rebuilt at this saturation, then weighed again.
int ShownLuminance(PicturePixel p, int saturation)
{
    ColourPixel colour;
    UnpackPixel(p, saturation, colour);
    return PixelLuminance(colour);
}

long long ScoreAt(const Picture& reference, Picture& picture, int dx, int dy, const AlignmentSettings& settings)
{
    picture.dx = dx;
    picture.dy = dy;
    return ScoreOffset(reference, picture, settings.region, settings.saturation);
}

}  // namespace

long long ScoreOffset(const Picture& reference, const Picture& picture, const ComparedRegion& region, int saturation)
{
    const Bitmap32& ref = reference.bitmap;
    const Bitmap32& pic = picture.bitmap;
    if (ref.empty() || pic.empty() || region.viewWidth <= 0 || region.viewHeight <= 0) return 0;
    const Placement refX = PlaceAxis(ref.width(), region.viewWidth, region.startX);
    const Placement refY = PlaceAxis(ref.height(), region.viewHeight, region.startY);
    const Placement picX = PlaceAxis(pic.width(), region.viewWidth, region.startX);
    const Placement picY = PlaceAxis(pic.height(), region.viewHeight, region.startY);
    // Only where both pictures are shown in the view; pictures of one series
    // share their size, so that is the whole region.
    const int rows = std::min(refY.count, picY.count);
    const int columns = std::min(refX.count, picX.count);

    long long score = 0;
    for (int i = 0; i < rows; ++i) {
        const PicturePixel* refRow = ref.row(std::clamp(refY.start + i + reference.dy, 0, ref.height() - 1));
        const PicturePixel* picRow = pic.row(std::clamp(picY.start + i + picture.dy, 0, pic.height() - 1));
        for (int j = 0; j < columns; ++j) {
            const int lr = refRow[std::clamp(refX.start + j + reference.dx, 0, ref.width() - 1)].luminance;
            const int lp =
                ShownLuminance(picRow[std::clamp(picX.start + j + picture.dx, 0, pic.width() - 1)], saturation);
            const int e = std::abs(lr - lp);
            score += std::min(255, e * e / 256);
        }
    }
    return score;
}

int TryAxisStep(const Picture& reference, Picture& picture, const AlignmentSettings& settings, int sx, int sy,
                SearchBest& best)
{
    const long long plus = ScoreAt(reference, picture, best.x + sx, best.y + sy, settings);
    const long long minus = ScoreAt(reference, picture, best.x - sx, best.y - sy, settings);
    if (best.score <= plus && best.score <= minus) return 0;
    if (plus < minus) {
        best = SearchBest{best.x + sx, best.y + sy, plus};
        return 1;
    }
    best = SearchBest{best.x - sx, best.y - sy, minus};
    return -1;
}

OffsetSearchResult SearchOffset(const Picture& reference, Picture& picture, int startX, int startY,
                                const AlignmentSettings& settings)
{
    int step = 4 * settings.enlargement;
    int passes = 0;
    SearchBest best{startX, startY, ScoreAt(reference, picture, startX, startY, settings)};
    int vertical = 0, horizontal = 0;
    do {
        ++passes;
        if (vertical == 0 && horizontal == 0) step /= 2;
        const int s = step != 0 ? step : 1;
        if (horizontal == 0) vertical = TryAxisStep(reference, picture, settings, 0, s, best);
        if (vertical == 0) horizontal = TryAxisStep(reference, picture, settings, s, 0, best);
    } while (step >= 1 && passes <= LastPass);
    return OffsetSearchResult{best, passes <= LastPass};
}

void AlignSeries(PictureList& pictures, int count, const AlignmentSettings& settings,
                 const AlignmentProgress& progress)
{
    count = std::min(count, static_cast<int>(pictures.size()) - 1);
    if (count < 1 || settings.reference < 0 || settings.reference > count) return;
    const Picture& reference = pictures[static_cast<std::size_t>(settings.reference)];
    const bool chain = reference.fullPicture;

    for (int n = 1; n <= count; ++n) {
        Picture& picture = pictures[static_cast<std::size_t>(n)];
        const Picture& start = pictures[static_cast<std::size_t>(chain ? n - 1 : n)];
        const OffsetSearchResult search = SearchOffset(reference, picture, start.dx, start.dy, settings);
        if (!search.settled) picture.quality = QualityDont;
        const bool isReference = n == settings.reference;
        const long long score = ScoreAt(reference, picture, isReference ? 0 : search.best.x,
                                        isReference ? 0 : search.best.y, settings);
        if (progress && !progress(n, search.best, score)) break;
    }
}

}  // namespace quivane
