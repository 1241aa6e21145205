#pragma once

#include <string>

#include "image/FrameFault.h"
#include "select/KeepBest.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// Whether the next loads measure every frame (its sharpness and, once the
// series is read, its faults) as they prepare it.
void SetScoreWhileLoading(Workspace& ws, Ui& ui, bool on);

// True when every input picture has its score.
bool AllPicturesScored(const Workspace& ws);

// Reads the loaded series again from its files, with the settings it was
// loaded with, and gives every picture its frame's score and fault; marks and
// offsets stay. Shows its progress, lets events run and takes Escape as a
// load does. Returns true when every picture is scored; on Escape, or when
// the files no longer give the series that was loaded, the scores stay as
// they were and the status line says why.
bool ScoreLoadedPictures(Workspace& ws, Ui& ui);

// Keep the best: sets every input picture's quality mark from the ranking of
// the scores (MarksFromRanking: the best quarter of the kept pictures Good,
// the other kept ones Avg, the rest and every bad frame Dont), scoring the
// series first if it is not yet scored. The shown picture's lamps follow;
// the marks stay editable by hand.
void KeepBest(Workspace& ws, Ui& ui, KeepRule rule);

// "Picture 7 is a bad frame: repeated (the same as the frame before)"
std::string FaultStatusText(int picture, FrameFault fault);

// The status line tells why picture n is bad while it is shown (outside
// alignment, whose status line tells it as well); browsing on to a good
// picture brings back what the status line said before, unless another
// text replaced the reason meanwhile. A good picture shown after a good one
// changes nothing.
void ShowPictureFault(Workspace& ws, Ui& ui, int n);

}  // namespace quivane
