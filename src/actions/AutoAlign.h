#pragma once

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The best offset found so far in a search and its score.
struct SearchBest {
    int x = 0;
    int y = 0;
    long long score = 0;
};

// Sets picture n's offset, renders the compared region in black and white,
// shows it with the comparison overlay and returns its score against the
// reference picture.
long long ScoreOffset(Workspace& ws, Ui& ui, int n, int dx, int dy);

// Tries one step each way along one axis (one of sx, sy is 0): +1 or -1 when
// that side beat `best` (which then moves there; a tie goes to the minus
// side), 0 when neither did.
int TryAxisStep(Workspace& ws, Ui& ui, int n, int sx, int sy, SearchBest& best);

// Searches the offset of every input picture against the reference, by
// steps that halve when neither axis improves. Stop or Escape ends the run
// after the picture in hand.
void AutoAlign(Workspace& ws, Ui& ui);

}  // namespace quivane
