#include "align/OffsetSearch.h"

#include <algorithm>
#include <cstdlib>

#include "align/LuminancePlane.h"
#include "align/PlaneScore.h"
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

// Scores offsets of one picture against the reference, from planes made
// once per picture (the reference's once per series).
class OffsetScorer {
public:
    OffsetScorer(const Picture& reference, const AlignmentSettings& settings)
        : reference_(reference), settings_(settings)
    {
        StoredLuminance(reference, referencePlane_);
    }

    void Take(const Picture& picture) { ShownLuminance(picture, settings_.saturation, picturePlane_); }

    // Moves the picture to (dx, dy) and scores it there. The reference may be
    // the picture itself, and then moves with it.
    long long ScoreAt(Picture& picture, int dx, int dy) const
    {
        picture.dx = dx;
        picture.dy = dy;
        return ScorePlanes(referencePlane_, reference_.dx, reference_.dy, picturePlane_, picture.dx, picture.dy,
                           settings_.region);
    }

    const AlignmentSettings& settings() const { return settings_; }

private:
    const Picture& reference_;
    const AlignmentSettings& settings_;
    LuminancePlane referencePlane_, picturePlane_;
};

int TryAxisStep(const OffsetScorer& scorer, Picture& picture, int sx, int sy, SearchBest& best)
{
    const long long plus = scorer.ScoreAt(picture, best.x + sx, best.y + sy);
    const long long minus = scorer.ScoreAt(picture, best.x - sx, best.y - sy);
    if (best.score <= plus && best.score <= minus) return 0;
    if (plus < minus) {
        best = SearchBest{best.x + sx, best.y + sy, plus};
        return 1;
    }
    best = SearchBest{best.x - sx, best.y - sy, minus};
    return -1;
}

OffsetSearchResult SearchOffset(const OffsetScorer& scorer, Picture& picture, int startX, int startY)
{
    int step = 4 * scorer.settings().enlargement;
    int passes = 0;
    SearchBest best{startX, startY, scorer.ScoreAt(picture, startX, startY)};
    int vertical = 0, horizontal = 0;
    do {
        ++passes;
        if (vertical == 0 && horizontal == 0) step /= 2;
        const int s = step != 0 ? step : 1;
        if (horizontal == 0) vertical = TryAxisStep(scorer, picture, 0, s, best);
        if (vertical == 0) horizontal = TryAxisStep(scorer, picture, s, 0, best);
    } while (step >= 1 && passes <= LastPass);
    return OffsetSearchResult{best, passes <= LastPass};
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
    OffsetScorer scorer(reference, settings);
    scorer.Take(picture);
    return TryAxisStep(scorer, picture, sx, sy, best);
}

OffsetSearchResult SearchOffset(const Picture& reference, Picture& picture, int startX, int startY,
                                const AlignmentSettings& settings)
{
    OffsetScorer scorer(reference, settings);
    scorer.Take(picture);
    return SearchOffset(scorer, picture, startX, startY);
}

void AlignSeries(PictureSeries& pictures, int count, const AlignmentSettings& settings,
                 const AlignmentProgress& progress)
{
    count = std::min(count, pictures.inputCount());
    if (count < 1 || settings.reference < 0 || settings.reference > count) return;
    const Picture& reference = pictures.at(settings.reference);
    const bool chain = reference.fullPicture;
    OffsetScorer scorer(reference, settings);

    for (int n = 1; n <= count; ++n) {
        Picture& picture = pictures.at(n);
        const Picture& start = pictures.at(chain ? n - 1 : n);
        scorer.Take(picture);
        const OffsetSearchResult search = SearchOffset(scorer, picture, start.dx, start.dy);
        if (!search.settled) picture.quality = QualityDont;
        const bool isReference = n == settings.reference;
        const long long score =
            scorer.ScoreAt(picture, isReference ? 0 : search.best.x, isReference ? 0 : search.best.y);
        if (progress && !progress(n, search.best, score)) break;
    }
}

}  // namespace quivane
