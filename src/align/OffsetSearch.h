#pragma once

#include <functional>

#include "image/Picture.h"

namespace quivane {

// The region of the pictures a search compares: what a view of this size
// shows of a picture rendered into it, the window starting at (startX,
// startY) when the picture is larger (-1: the middle).
struct ComparedRegion {
    int viewWidth = 192;
    int viewHeight = 144;
    int startX = -1;
    int startY = -1;
};

// What the search of a series needs besides the pictures.
struct AlignmentSettings {
    int reference = 1;       // the picture the others are matched to
    ComparedRegion region;
    int saturation = 100;    // the display's saturation; the picture is compared as the view shows it
    int enlargement = 2;     // the first step is 4 * enlargement / 2 pixels
};

// The best offset found so far in a search and its score.
struct SearchBest {
    int x = 0;
    int y = 0;
    long long score = 0;

    friend bool operator==(const SearchBest&, const SearchBest&) = default;
};

// Mismatch of `picture` against `reference`, each read through its own
// offsets: the sum over the region of min(255, e * e / 256), e the difference
// between the reference's stored luminance and the luminance the picture
// shows in black and white at this saturation. Empty pictures score 0.
long long ScoreOffset(const Picture& reference, const Picture& picture, const ComparedRegion& region,
                      int saturation);

// Tries one step each way along one axis (one of sx, sy is 0): +1 or -1 when
// that side beat `best` (which then moves there; a tie goes to the minus
// side), 0 when neither did. Leaves the picture at the last offset tried.
// The reference may be the picture itself; it then moves with it.
int TryAxisStep(const Picture& reference, Picture& picture, const AlignmentSettings& settings, int sx, int sy,
                SearchBest& best);

// The halving search of one picture from a start offset: steps that halve
// whenever neither axis improves, at most 25 passes. `settled` is false when
// the last pass was reached while still moving.
struct OffsetSearchResult {
    SearchBest best;
    bool settled = true;
};
OffsetSearchResult SearchOffset(const Picture& reference, Picture& picture, int startX, int startY,
                                const AlignmentSettings& settings);

// Called after each picture of a series with its number, the best offset the
// search found and the score at the offset the picture keeps; false ends the
// series there.
using AlignmentProgress = std::function<bool(int n, const SearchBest& best, long long score)>;

// Searches the offset of input pictures 1..count against the reference. A
// reference of a full-frame object (the Moon) drifts steadily, so each search
// then starts where the previous picture ended. A picture whose search does
// not settle is marked "Dont". The reference itself keeps offset (0, 0).
// Does nothing when the reference is not one of 1..count (0 counts too).
void AlignSeries(PictureSeries& pictures, int count, const AlignmentSettings& settings,
                 const AlignmentProgress& progress);

}  // namespace quivane
